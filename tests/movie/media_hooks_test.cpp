// The media hooks as the start sequence leaves them: a system screen holds
// the scene's playing movies and lets them play on afterwards, however many
// times the start sequence ran (every reset runs it again).
#include <gtest/gtest.h>

#include <string>

#include "movie/movie.h"
#include "movie_fixtures.h"
#include "scene/scene_fixture.h"
#include "shell/input.h"
#include "shell/subsystems.h"
#include "shell/wiring.h"
#include "support/support.h"

namespace {

using testing_support::TempDir;

class MediaHooks : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        shell::WireEngine();
    }
    void TearDown() override {
        DetachMovie();
        shell::GetSubsystems().releaseSounds();
        SceneFixture::TearDown();
    }
    // A looping movie owned by an object of the tree kKey.
    void AttachMovie() {
        movie_test::MovieSpec spec;
        spec.colours = {0xFFFF0000, 0xFF00FF00};
        std::string path = dir.path + "/m.mkv";
        ASSERT_TRUE(movie_test::WriteSolidMovie(path, spec));
        player = movie::OpenMovie(("file:" + path).c_str(), movie::MovieSettings{});
        ASSERT_NE(player, nullptr);
        object = Make("m");
        ASSERT_NE(object, nullptr);
        core::SceneLockGuard hold;
        object->movie = player;
        movie::SetMovieOwner(player, object);
    }
    void DetachMovie() {
        if (object) {
            {
                core::SceneLockGuard hold;
                object->movie = nullptr;
            }
            scene::DeleteObjects(scene_test::kKey, "m");
        }
        object = nullptr;
        movie::DestroyMovie(player);
        player = nullptr;
    }

    TempDir dir;
    movie::Movie* player = nullptr;
    scene::SceneObject* object = nullptr;
};

TEST_F(MediaHooks, SystemScreensHoldMoviesAfterEveryStart) {
    shell::Subsystems& sub = shell::GetSubsystems();
    // Each pass is one more start sequence: the sounds of the last one are
    // released, the media started again, and a movie plays in the scene.
    for (int start = 1; start <= 3; ++start) {
        SCOPED_TRACE(start);
        DetachMovie();
        sub.releaseSounds();
        ASSERT_TRUE(sub.initSound());
        AttachMovie();
        ASSERT_EQ(movie::MovieState(player), movie::kMoviePlaying);
        shell::GetInputHooks().suspendScene();
        EXPECT_EQ(movie::MovieState(player), movie::kMovieEnginePaused);
        shell::GetInputHooks().resumeScene();
        EXPECT_EQ(movie::MovieState(player), movie::kMoviePlaying);
    }
}

}  // namespace
