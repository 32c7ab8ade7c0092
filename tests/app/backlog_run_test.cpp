// The backlog in a running game (velmoor-tool run --headless): the wheel
// opens the backlog script during play, the backlog object shows the last
// rows with a voice icon beside the voiced one, a click on the icon replays
// that voice, the wheel and a linked scrollbar scroll it, and a right click
// closes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::AllPixels;
using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WritePicture;

namespace {

// Icon frames: normal red, hover green, pressed blue.
constexpr uint32_t kNormal = 0xFFFF0000, kHover = 0xFF00FF00, kPressed = 0xFF0000FF;
// Where the newest of the 17 rows' icon lies (icon x 40, first row y 100,
// pitch 24).
constexpr int kIconX = 50, kIconY = 100 + 16 * 24 + 10;

void WriteBacklogGame(const TempDir& game) {
    game.Write("system/System.ini",
               Sjis("[プロダクト]\nbland=Velmoor\nname=Test\nversion=1.0\n\n[スクリプト]\n"
                    "start=script/start.txt\n\n[バックログ]\nscript=script/backlog.txt\n"
                    "icon_voice=ui/icon%02d.png#3\nword_in_row=20\n"));
    WritePicture(game, "ui/icon00.png", 20, 20, kNormal);
    WritePicture(game, "ui/icon01.png", 20, 20, kHover);
    WritePicture(game, "ui/icon02.png", 20, 20, kPressed);
    game.Write("voice/v1.wav", testing_support::MonoWave8k(std::string(400 * 16, '\0')));
    // 30 lines, the voiced one last (the newest row); a line whose voice is
    // NULL gets no icon.
    game.Write("script/start.txt",
               Sjis("\nchapter main {\n"
                    "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
                    "\tSetFont(\"ＭＳ ゴシック\", 20, \"#FFFFFF\", \"#000000\", NORMAL, NULL);\n"
                    "\t$i = 0;\n"
                    "\twhile ($i < 29) {\n"
                    "\t\tSetBacklog(\"行の文字 line\", NULL, NULL);\n"
                    "\t\t$i = $i + 1;\n"
                    "\t}\n"
                    "\tSetBacklog(\"声のある行 voiced\", \"voice/v1\", \"hero\");\n"
                    "\tWait(12000);\n"
                    "\t$after = String(\"%d\", EnableBacklog());\n"
                    "\tWriteFile(\"after.txt\", $after, FALSE);\n"
                    "\tExit();\n"
                    "}\n"));
    game.Write("script/backlog.txt",
               Sjis("\nchapter main {\n"
                    "\t$SYSTEM_backlog_enable = 1;\n"
                    "\t$SYSTEM_backlog_voice_icon_x = 40;\n"
                    "\t$SYSTEM_backlog_row_max = 40;\n"  // 32 or more: 17 rows
                    "\t$SYSTEM_backlog_position_y = 100;\n"
                    "\tCreateBacklog(\"log\", 100);\n"
                    "\tCreateScrollbar(\"bar\", 110, 942, 100, 942, 500, 1000, VERTICAL, \"ui/icon00.png\");\n"
                    "\tSetScrollbar(\"bar\", \"log\");\n"
                    "\tRequest(\"bar\", \"Clickable\");\n"
                    "\t$atA = -1;\n"
                    "\t$atB = -1;\n"
                    "\twhile ($SYSTEM_backlog_enable == 1) {\n"
                    "\t\tif ($SYSTEM_keydown_a == 1) { $atA = BacklogLine(); }\n"
                    "\t\tif ($SYSTEM_keydown_b == 1) { $atB = BacklogLine(); }\n"
                    "\t\t$shown = EnableBacklog();\n"
                    "\t\tWait(30);\n"
                    "\t}\n"
                    "\t$out = String(\"shown=%d;rows=%d;a=%d;b=%d\", $shown, BacklogRow(), $atA, $atB);\n"
                    "\tWriteFile(\"during.txt\", $out, FALSE);\n"
                    "}\n"));
}

// Bytes each headless voice played, from the --audio-report lines.
std::vector<long long> VoiceBytes(const std::string& output) {
    std::vector<long long> bytes;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        int voice = 0;
        long long played = 0;
        if (std::sscanf(line.c_str(), "audio voice %d: %lld bytes played", &voice, &played) == 2)
            bytes.push_back(played);
    }
    return bytes;
}

TEST(BacklogRun, WheelOpensItAClickReplaysTheVoiceAndItScrollsAndCloses) {
    TempDir game;
    WriteBacklogGame(game);
    // Generous gaps: on a busy machine the backlog script may take a while
    // to show its object after the wheel.
    game.Write("input.txt",
               "1000 wheel up                # opens the backlog\n"
               "3900 move 300 300\n"
               "4000 click 50 494            # the voice icon of the newest row\n"
               "5000 wheel up                # one row back\n"
               "5800 key A down\n6300 key A up          # held long enough for a slow script loop\n"
               "6600 press 950 300           # the scrollbar's track...\n"
               "6650 move 950 200\n6700 move 950 60\n"
               "6750 release 950 60          # ...dragged to the oldest end\n"
               "7600 key B down\n8100 key B up\n"
               "8700 rclick 500 500          # closes it\n");
    std::string output;
    EXPECT_EQ(RunHeadless(game, &output, {"--input", game.path + "/input.txt", "--audio-report"}, 30000), 0)
        << output;
    // 30 rows; 17 shown: the wheel scrolled one row back, the scrollbar
    // all the way to the oldest (30 - 17 = 13 rows back).
    EXPECT_EQ(ReadAll(game.path + "/during.txt"), "shown=1;rows=30;a=1;b=13") << output;
    EXPECT_EQ(ReadAll(game.path + "/after.txt"), "0") << output;
    std::vector<long long> played = VoiceBytes(output);
    ASSERT_EQ(played.size(), 1u) << "the click replayed the voice once\n" << output;
    EXPECT_EQ(played[0], 400 * 16) << output;
}

TEST(BacklogRun, TheGridAndTheIconShowInTheFrame) {
    const struct {
        const char* name;
        std::string input;
        uint32_t icon;
    } cases[] = {
        {"normal", "1000 wheel up\n3900 move 300 300\n", kNormal},
        {"mouse over the icon", "1000 wheel up\n3900 move 50 494\n", kHover},
        {"pressed on the icon", "1000 wheel up\n3900 move 50 494\n4000 press 50 494\n", kPressed},
    };
    for (const auto& c : cases) {
        TempDir game;
        WriteBacklogGame(game);
        game.Write("input.txt", c.input);
        std::string output;
        RunHeadless(game, &output, {"--input", game.path + "/input.txt", "--screenshot", game.path + "/shot.png"},
                    5000);
        int w = 0, h = 0;
        const std::vector<uint32_t> px = AllPixels(game.path + "/shot.png", &w, &h);
        ASSERT_EQ(px.size(), 1024u * 768u) << c.name << "\n" << output;
        auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 1024 + x]; };
        EXPECT_EQ(at(kIconX, kIconY) | 0xFF000000, c.icon) << c.name << "\n" << output;
        // The row above has no voice: no icon there.
        EXPECT_EQ(at(kIconX, kIconY - 24) & 0xFFFFFF, 0u) << c.name;
        // Text in the newest row's band right of the first column.
        int bright = 0;
        for (int y = 100 + 16 * 24; y < 100 + 17 * 24; ++y)
            for (int x = 120; x < 500; ++x)
                if ((at(x, y) & 0xFF) > 0x80) ++bright;
        EXPECT_GT(bright, 30) << c.name;
    }
}

}  // namespace
