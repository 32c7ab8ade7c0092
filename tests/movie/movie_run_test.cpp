// Movie objects end to end in velmoor-tool run --headless: CreateMovie shows
// the movie as a picture, WaitPlay waits for a movie that does not loop and
// its last frame stays; Request and SetStream reach a looping movie; a file
// that is not a movie creates nothing; a mask may play a movie; SetStream
// still seeks movies after the game was reset. MoviePlay shows a movie over
// the window while its script waits, until a click stops it or the run ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "movie_fixtures.h"
#include "support/pictures.h"
#include "support/support.h"

using testing_support::PixelAt;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

TEST(MovieRun, MovieObjectsPlayIntoTheFrame) {
    TempDir game;
    game.Write("movie/broken.mkv", std::string(2000, 'x'));
    movie_test::MovieSpec spec;
    spec.colours = {0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    spec.toneMs = 400;
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/once.mkv", spec));
    movie_test::MovieSpec still;
    still.colours = {0xFFFFFF00, 0xFF00FFFF};
    still.framesPerSecond = 1;  // 2 s: the second frame comes after 1 s
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/still.mkv", still));
    movie_test::MovieSpec seek;
    seek.colours = {0xFFFFFF00, 0xFFFF00FF, 0xFFFF00FF, 0xFFFFFF00};
    seek.framesPerSecond = 1;  // magenta from 1 s to 3 s
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/seek.mkv", seek));
    movie_test::MovieSpec mask;
    mask.colours = {0xFF000000, 0xFFFFFFFF};  // the mask opens after 100 ms
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/mask.mkv", mask));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
              "\tCreateMovie(\"once\", 1, 100, 100, FALSE, FALSE, \"movie/once.mkv\", 500);\n"
              "\tCreateMovie(\"paused\", 1, 300, 100, TRUE, FALSE, \"movie/still.mkv\");\n"
              "\tCreateMovie(\"bad\", 1, 500, 100, FALSE, FALSE, \"movie/broken.mkv\");\n"
              "\tCreateMovie(\"none\", 1, 600, 100, FALSE, FALSE, \"movie/missing.mkv\");\n"
              "\tRequest(\"paused\", \"Pause\");\n"
              "\tCreateMovie(\"seek\", 1, 700, 100, TRUE, FALSE, \"movie/seek.mkv\");\n"
              "\tSetStream(\"seek\", 1000);\n"
              "\tCreateMask(\"mm\", 1, 100, 300, \"movie/mask.mkv\", FALSE);\n"
              "\tCreateColor(\"mm/c\", 2, 0, 0, 1024, 768, \"#FF0000\");\n"
              "\tWait(1000);\n"
              "\tRequest(\"seek\", \"Pause\");\n"
              "\tWaitPlay(\"once\");\n"
              "\tWait(1500);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 30000), 0) << output;
    // The movie that does not loop keeps its last frame.
    EXPECT_EQ(PixelAt(shot, 104, 104) & 0xFFFFFF, 0x0000FFu) << output;
    // The paused movie never reached its second frame.
    EXPECT_EQ(PixelAt(shot, 304, 104) & 0xFFFFFF, 0xFFFF00u) << output;
    EXPECT_EQ(PixelAt(shot, 504, 104) & 0xFFFFFF, 0x000000u) << output;
    EXPECT_EQ(PixelAt(shot, 604, 104) & 0xFFFFFF, 0x000000u) << output;
    // SetStream moved the looping movie on to its magenta part, where it was paused.
    EXPECT_EQ(PixelAt(shot, 704, 104) & 0xFFFFFF, 0xFF00FFu) << output;
    // A mask playing a movie lets its child through once its frame turned white.
    uint32_t through = PixelAt(shot, 104, 304);
    EXPECT_GE((through >> 16) & 0xFF, 0xF0u) << std::hex << through;
    EXPECT_EQ(through & 0xFFFF, 0u) << std::hex << through;
    EXPECT_EQ(PixelAt(shot, 130, 304) & 0xFFFFFF, 0x000000u) << output;
    EXPECT_NE(output.find("movie movie/broken.mkv: not a movie file"), std::string::npos) << output;
}

// A reset runs the start sequence again; SetStream must still seek movies
// afterwards, not only sounds.
TEST(MovieRun, SetStreamSeeksMoviesAfterReset) {
    TempDir game;
    movie_test::MovieSpec seek;
    seek.colours = {0xFFFFFF00, 0xFFFFFF00, 0xFFFFFF00, 0xFFFF00FF, 0xFFFF00FF, 0xFFFF00FF};
    seek.framesPerSecond = 1;  // yellow for 3 s, then magenta
    std::filesystem::create_directories(game.path + "/movie");
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/seek.mkv", seek));
    WriteGame(game,
              "chapter main {\n"
              "\tif (AvailableFile(\"mark.txt\") != 1) {\n"
              "\t\tWriteFile(\"mark.txt\", \"once\", FALSE);\n"
              "\t\tReset();\n"
              "\t\twhile (1) { }\n"
              "\t}\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
              "\tCreateMovie(\"seek\", 1, 700, 100, TRUE, FALSE, \"movie/seek.mkv\");\n"
              "\tSetStream(\"seek\", 4000);\n"
              "\tWait(500);\n"
              "\tRequest(\"seek\", \"Pause\");\n"
              "\tWait(500);\n"
              "\tWriteFile(\"done.txt\", \"1\", FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 30000), 0) << output;
    ASSERT_EQ(testing_support::ReadAll(game.path + "/done.txt"), "1") << output;
    // Without the seek the movie would still show its first, yellow second.
    EXPECT_EQ(PixelAt(shot, 704, 104) & 0xFFFFFF, 0xFF00FFu) << output;
}

// A full-window movie that may be interrupted: the script waits in MoviePlay
// until a click's prompt (answered Yes) stops the 30 s movie, then goes on.
// The clicks repeat so that a slow start (a sanitizer build) still meets the
// movie playing; the ones after it land on the scene and change nothing.
TEST(MovieRun, AClickSkipsAFullWindowMovie) {
    TempDir game;
    movie_test::MovieSpec spec;
    spec.colours.assign(30, 0xFF0000FF);
    spec.framesPerSecond = 1;
    std::filesystem::create_directories(game.path + "/movie");
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/opening.mkv", spec));
    std::string clicks;
    for (int t = 1500; t <= 12000; t += 1500) clicks += std::to_string(t) + " click 512 300\n";
    game.Write("input.txt", clicks);
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#FF0000\");\n"
              "\tMoviePlay(\"movie/opening.mkv\", TRUE);\n"
              "\tCreateColor(\"after\", 1, 0, 0, 1024, 768, \"#00FF00\");\n"
              "\tWait(300);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--input", game.path + "/input.txt", "--screenshot", shot}, 20000), 0)
        << output;
    EXPECT_NE(output.find("\xE3\x83\xA0\xE3\x83\xBC\xE3\x83\x93\xE3\x83\xBC"), std::string::npos)
        << "the stop prompt was not asked: " << output;
    // The scene after the movie was drawn, over the whole frame.
    EXPECT_EQ(PixelAt(shot, 512, 300) & 0xFFFFFF, 0x00FF00u) << output;
    EXPECT_EQ(PixelAt(shot, 512, 700) & 0xFFFFFF, 0x00FF00u) << output;
}

// While a movie plays in a window it covers the band from 4 rows above the
// top to row 603; the paused scene stays below it. Ending the run ends the
// movie (a quit), without waiting for its 30 s.
TEST(MovieRun, AFullWindowMovieCoversTheTopBandUntilTheRunEnds) {
    TempDir game;
    movie_test::MovieSpec spec;
    spec.colours.assign(30, 0xFF0000FF);
    spec.framesPerSecond = 1;
    std::filesystem::create_directories(game.path + "/movie");
    ASSERT_TRUE(movie_test::WriteSolidMovie(game.path + "/movie/opening.mkv", spec));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#FF0000\");\n"
              "\tWait(300);\n"
              "\tMoviePlay(\"movie/opening.mkv\", FALSE);\n"
              "\tCreateColor(\"after\", 1, 0, 0, 1024, 768, \"#00FF00\");\n"
              "\tWait(300);\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    // Well before the movie's end, with room for a slow start (a sanitizer build).
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 8000), 3) << output;
    for (int y : {0, 300, 603}) EXPECT_EQ(PixelAt(shot, 512, y) & 0xFFFFFF, 0x0000FFu) << "row " << y;
    for (int y : {605, 767}) EXPECT_EQ(PixelAt(shot, 512, y) & 0xFFFFFF, 0xFF0000u) << "row " << y;
}

}  // namespace
