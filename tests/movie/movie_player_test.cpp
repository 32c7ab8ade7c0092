// The movie player by a test clock: frames shown at their times and never
// early, looping and stopping at the end, pause and resume, seeking, the
// alpha picture and the sound handed to the audio device.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/clock.h"
#include "movie/movie.h"
#include "movie_fixtures.h"
#include "platform/audio.h"
#include "platform/movie_source.h"
#include "support/support.h"

namespace {

using movie_test::MovieSpec;
using testing_support::TempDir;

std::atomic<uint32_t> g_now{0};
uint32_t TestClock() { return g_now.load(); }

const std::vector<uint32_t> kColours = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF102030};

class MoviePlayer : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        platform::SelectAudioDevice(true);
        core::SetClock(TestClock);
    }
    void TearDown() override {
        movie::DestroyMovie(m);
        core::SetClock(nullptr);
        platform::CloseAudioDevice();
    }
    movie::Movie* Open(const MovieSpec& spec, movie::MovieSettings settings = {}) {
        std::string path = dir.path + "/m.mkv";
        EXPECT_TRUE(movie_test::WriteSolidMovie(path, spec));
        m = movie::OpenMovie(("file:" + path).c_str(), settings);
        return m;
    }
    // Waits (bounded) for a frame of `colour`; every frame copied meanwhile
    // must be due by the clock. Returns the frame's time, or -1.
    int64_t WaitFor(uint32_t colour, uint32_t* pixels = nullptr) {
        uint32_t buffer[16 * 8];
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            uint32_t shown = 0;
            if (movie::CopyMovieFrame(m, reinterpret_cast<uint8_t*>(buffer), 16, 8, 64, &shown)) {
                EXPECT_LE(shown, movie::MoviePosition(m)) << "a frame was shown early";
                if (buffer[0] == colour) {
                    if (pixels) std::memcpy(pixels, buffer, sizeof(buffer));
                    return shown;
                }
            }
            std::this_thread::yield();
        }
        return -1;
    }
    bool WaitState(int32_t state) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            if (movie::MovieState(m) == state) return true;
            std::this_thread::yield();
        }
        return false;
    }
    TempDir dir;
    movie::Movie* m = nullptr;
};

MovieSpec Spec() {
    MovieSpec s;
    s.colours = kColours;
    return s;
}

TEST_F(MoviePlayer, ShowsEachFrameWhenTheClockReachesIt) {
    ASSERT_NE(Open(Spec()), nullptr);
    EXPECT_EQ(movie::MovieDuration(m), 500u);
    struct Step {
        uint32_t clock;
        uint32_t colour;
        int64_t time;
    } steps[] = {{0, kColours[0], 0}, {150, kColours[1], 100}, {420, kColours[4], 400}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.clock);
        g_now = 1000 + s.clock;
        // Late frames between two looks (200, 300 at clock 420) are dropped.
        EXPECT_EQ(WaitFor(s.colour), s.time);
    }
}

TEST_F(MoviePlayer, EndsByLoopingOrStoppingOnTheLastFrame) {
    struct Case {
        bool loop;
    } cases[] = {{true}, {false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loop);
        movie::DestroyMovie(m);
        movie::MovieSettings settings;
        settings.loop = c.loop;
        g_now = 1000;
        ASSERT_NE(Open(Spec(), settings), nullptr);
        g_now = 1450;
        ASSERT_EQ(WaitFor(kColours[4]), 400);
        g_now = 1520;  // past the end
        if (c.loop) {
            EXPECT_EQ(WaitFor(kColours[0]), 0);
            EXPECT_EQ(movie::MoviePosition(m), 20u);
            g_now = 1520 + 500 + 100;  // the second round keeps time
            EXPECT_EQ(WaitFor(kColours[1]), 100);
        } else {
            ASSERT_TRUE(WaitState(movie::kMovieStopped));
            uint32_t pixels[16 * 8];
            EXPECT_EQ(movie::CopyMovieFrame(m, reinterpret_cast<uint8_t*>(pixels), 16, 8, 64), 0)
                << "the last frame stays";
            movie::PlayMovie(m);
            EXPECT_EQ(WaitFor(kColours[0]), 0);
        }
    }
}

TEST_F(MoviePlayer, PauseHoldsThePositionAndResumeGoesOn) {
    ASSERT_NE(Open(Spec()), nullptr);
    g_now = 1150;
    ASSERT_EQ(WaitFor(kColours[1]), 100);
    struct Hold {
        void (*pause)(movie::Movie*);
        void (*resume)(movie::Movie*);
        int32_t state;
    } holds[] = {{movie::PauseMovie, movie::ResumeMovie, movie::kMoviePaused},
                 {movie::SuspendMovie, movie::ResumeSuspendedMovie, movie::kMovieEnginePaused}};
    uint32_t clock = 1150, position = 150;
    for (const Hold& h : holds) {
        SCOPED_TRACE(h.state);
        h.pause(m);
        EXPECT_EQ(movie::MovieState(m), h.state);
        clock += 5000;
        g_now = clock;
        EXPECT_EQ(movie::MoviePosition(m), position);
        h.resume(m);
        EXPECT_EQ(movie::MovieState(m), movie::kMoviePlaying);
        clock += 100;
        position += 100;
        g_now = clock;
        EXPECT_EQ(movie::MoviePosition(m), position);
    }
    EXPECT_EQ(WaitFor(kColours[3]), 300);
    // The engine's resume leaves a movie the script paused alone.
    movie::PauseMovie(m);
    movie::ResumeSuspendedMovie(m);
    EXPECT_EQ(movie::MovieState(m), movie::kMoviePaused);
}

TEST_F(MoviePlayer, SeekShowsTheFrameAtThatTime) {
    ASSERT_NE(Open(Spec()), nullptr);
    ASSERT_EQ(WaitFor(kColours[0]), 0);
    movie::SeekMovieTo(m, 350);
    EXPECT_EQ(movie::MoviePosition(m), 350u);
    EXPECT_EQ(WaitFor(kColours[3]), 300);
    movie::SeekMovieTo(m, 500);  // at the end: ignored
    EXPECT_EQ(movie::MoviePosition(m), 350u);
    movie::SeekMovieTo(m, 120);
    EXPECT_EQ(WaitFor(kColours[1]), 100);
}

TEST_F(MoviePlayer, AlphaMovieTakesItsAlphaFromTheLowerHalf) {
    // 16 x 16: the upper half red, the lower half grey 0x80 in the green.
    std::vector<uint32_t> frame(16 * 16);
    for (int i = 0; i < 16 * 16; ++i) frame[i] = i < 16 * 8 ? 0xFFFF0000 : 0xFF008000;
    std::string path = dir.path + "/alpha.mkv";
    ASSERT_TRUE(platform::WriteMovieFile(path.c_str(), 16, 16, 10, reinterpret_cast<const uint8_t*>(frame.data()), 1,
                                         nullptr, 0, 0, 0));
    movie::MovieSettings settings;
    settings.alpha = true;
    m = movie::OpenMovie(("file:" + path).c_str(), settings);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(movie::MovieWidth(m), 16);
    EXPECT_EQ(movie::MovieHeight(m), 8);
    uint32_t pixels[16 * 8];
    ASSERT_EQ(WaitFor(0x80FF0000, pixels), 0);
    for (uint32_t p : pixels) EXPECT_EQ(p, 0x80FF0000u);
}

TEST_F(MoviePlayer, SoundReachesTheAudioDevice) {
    MovieSpec spec = Spec();
    spec.toneMs = 500;
    int voice = platform::HeadlessVoiceCount();
    movie::MovieSettings settings;
    settings.loop = false;
    settings.volume = 500;
    ASSERT_NE(Open(spec, settings), nullptr);
    g_now = 2000;  // the whole movie has played
    ASSERT_TRUE(WaitState(movie::kMovieStopped));
    std::vector<int16_t> tone = movie_test::TonePcm(spec);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    platform::HeadlessVoiceReport r;
    // The device takes what is queued by its clock: move it on until all is played.
    while (std::chrono::steady_clock::now() < until) {
        r = platform::HeadlessVoice(voice);
        if (r.played.size() >= tone.size() * 2) break;
        g_now += 100;
        std::this_thread::yield();
    }
    ASSERT_GE(r.played.size(), tone.size() * 2);
    EXPECT_EQ(std::memcmp(r.played.data(), tone.data(), tone.size() * 2), 0);
    EXPECT_NEAR(r.gain, 0.316, 0.01);  // volume 500: about -10 dB
}

TEST(MovieOpen, MissingAndBrokenFilesMakeNoMovie) {
    TempDir dir;
    dir.Write("broken.mkv", std::string(3000, 'x'));
    const char* names[] = {"", "nothing.mkv", "file:/nonexistent/x.mkv"};
    for (const char* name : names) EXPECT_EQ(movie::OpenMovie(name, {}), nullptr) << name;
    EXPECT_EQ(movie::OpenMovie(("file:" + dir.path + "/broken.mkv").c_str(), {}), nullptr);
}

}  // namespace
