// MoviePlay's player in a built engine on the headless devices: what it
// returns, that it refuses a second movie, the controls and prompts of the
// window's movie phase, its sound volume, and where the picture goes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "movie/full_window.h"
#include "movie/movie.h"
#include "movie_fixtures.h"
#include "platform/audio.h"
#include "platform/messages.h"
#include "platform/video.h"
#include "scene/scene_fixture.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "shell/wiring.h"
#include "support/support.h"

namespace {

using testing_support::TempDir;
using Clock = std::chrono::steady_clock;

// Waits (bounded by 20 s) for `done`; false when it never came.
bool WaitUntil(const std::function<bool()>& done) {
    auto until = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < until) {
        if (done()) return true;
        std::this_thread::yield();
    }
    return done();
}

class FullWindowMovie : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        shell::WireEngine();
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        platform::SelectAudioDevice(true);
        shell::SetWindowPhase(shell::kPhaseRunning);
        script::GetSystemValues().breakPlayMovie = 0;
        script::GetSystemValues().movieAudioVolume = 1000;
    }
    void TearDown() override {
        movie::ControlFullWindowMovie(0);
        if (player.valid()) player.wait();
        platform::CloseAudioDevice();
        SceneFixture::TearDown();
    }
    // A movie of 16 x 8 solid frames in the test folder, by its "file:" name.
    std::string Movie(const char* file, int frames, int framesPerSecond, int toneMs = 0) {
        movie_test::MovieSpec spec;
        for (int i = 0; i < frames; ++i) spec.colours.push_back(i % 2 ? 0xFF0000FF : 0xFFFF0000);
        spec.framesPerSecond = framesPerSecond;
        spec.toneMs = toneMs;
        std::string path = dir.path + "/" + file;
        EXPECT_TRUE(movie_test::WriteSolidMovie(path, spec));
        return "file:" + path;
    }
    // Starts MoviePlay on a thread of its own, as a script thread would, and
    // waits until its movie plays.
    void Start(const std::string& name, bool interruptible) {
        player = std::async(std::launch::async,
                            [name, interruptible] { return movie::PlayFullWindowMovie(name.c_str(), interruptible); });
        ASSERT_TRUE(WaitUntil([] { return shell::CurrentWindowPhase() == shell::kPhaseMovie; }));
    }
    // MoviePlay's result once it returned (bounded); -1 when it did not.
    int Result() {
        if (player.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return -1;
        return player.get();
    }
    static void Click() {
        platform::Message m;
        m.code = platform::kMsgLButtonDown;
        m.x = 512;
        m.y = 300;
        shell::HandleMessage(m);
    }

    TempDir dir;
    std::future<int> player;
};

TEST_F(FullWindowMovie, ReturnsOneWhenTheMovieEndedAndZeroWhenItCannotStart) {
    dir.Write("broken.mkv", std::string(3000, 'x'));
    const struct {
        const char* what;
        std::string name;
        int result;
    } cases[] = {
        {"a movie played to its end", Movie("short.mkv", 3, 10), 1},
        {"a missing file", "file:" + dir.path + "/missing.mkv", 0},
        {"a file that is not a movie", "file:" + dir.path + "/broken.mkv", 0},
        {"no name", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(movie::PlayFullWindowMovie(c.name.c_str(), true), c.result);
        // Either way the player is free again and the window back in play.
        EXPECT_EQ(movie::FullWindowMovieActive(), 0);
        EXPECT_EQ(shell::CurrentWindowPhase(), shell::kPhaseRunning);
        EXPECT_EQ(movie::ControlFullWindowMovie(0), 0);
    }
}

TEST_F(FullWindowMovie, RefusesASecondMovieAndObeysItsControls) {
    script::GetSystemValues().movieAudioVolume = 500;
    std::string name = Movie("long.mkv", 30, 1, 30000);
    Start(name, false);
    // Its sound plays at the movie volume.
    platform::HeadlessVoiceReport voice = platform::HeadlessVoice(platform::HeadlessVoiceCount() - 1);
    EXPECT_TRUE(voice.exists);
    EXPECT_FLOAT_EQ(voice.gain, movie::MovieGain(500));
    // A second MoviePlay, from another script, is refused while this plays.
    EXPECT_EQ(movie::PlayFullWindowMovie(Movie("other.mkv", 2, 10).c_str(), true), 0);
    EXPECT_EQ(shell::CurrentWindowPhase(), shell::kPhaseMovie);
    // The prompts' pause and run, then stop: MoviePlay returns 1.
    EXPECT_EQ(movie::ControlFullWindowMovie(1), 1);
    EXPECT_EQ(movie::ControlFullWindowMovie(2), 1);
    EXPECT_EQ(movie::ControlFullWindowMovie(7), 0);
    EXPECT_EQ(movie::ControlFullWindowMovie(0), 1);
    EXPECT_EQ(Result(), 1);
    EXPECT_EQ(shell::CurrentWindowPhase(), shell::kPhaseRunning);
    EXPECT_EQ(movie::ControlFullWindowMovie(0), 0);
    // Stopped while paused (the prompt's Yes comes while it holds) ends it too.
    Start(name, false);
    EXPECT_EQ(movie::ControlFullWindowMovie(1), 1);
    EXPECT_EQ(movie::ControlFullWindowMovie(0), 1);
    EXPECT_EQ(Result(), 1);
}

TEST_F(FullWindowMovie, AClickStopsOnlyAMovieThePlayerMayInterrupt) {
    const struct {
        const char* what;
        bool interruptible;
        int breakSetting;
        bool stops;
    } cases[] = {
        {"MoviePlay allows it", true, 0, true},
        {"SYSTEM_break_play_movie allows it", false, 1, true},
        {"neither allows it", false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        script::GetSystemValues().breakPlayMovie = c.breakSetting;
        // 1.5 s when it plays to its end; 30 s unless the click stops it.
        std::string name = c.stops ? Movie("long.mkv", 30, 1) : Movie("brief.mkv", 15, 10);
        auto begun = Clock::now();
        Start(name, c.interruptible);
        // No answer is queued: the headless prompt takes its first button, Yes.
        Click();
        EXPECT_EQ(Result(), 1);
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count();
        if (c.stops)
            EXPECT_LT(took, 20000);
        else
            EXPECT_GE(took, 1400) << "the click stopped a movie that may not be interrupted";
    }
}

TEST_F(FullWindowMovie, ShowsOverTheWholeScreenOnlyInFullScreen) {
    const struct {
        bool full;
        int width, height;
        platform::Rect area;
    } cases[] = {
        {false, 1024, 768, {0, -4, 1024, 604}},
        {false, 800, 600, {0, -4, 800, 604}},
        {true, 1920, 1080, {0, 0, 1920, 1080}},
        {true, 1024, 768, {0, 0, 1024, 768}},
    };
    for (const auto& c : cases) {
        platform::Rect r = movie::FullWindowMovieArea(c.full, c.width, c.height);
        EXPECT_EQ(r.left, c.area.left);
        EXPECT_EQ(r.top, c.area.top);
        EXPECT_EQ(r.right, c.area.right);
        EXPECT_EQ(r.bottom, c.area.bottom);
    }
}

}  // namespace
