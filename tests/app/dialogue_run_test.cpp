// Dialogue in a running game (velmoor-tool run --headless): LoadText makes
// the text of a text block, Request "Enter" starts its reveal, a click stop
// holds WaitText until a click or Enter, the page end clears the picture,
// automatic mode waits per revealed character and skip mode passes it all;
// inline code runs mid-line as a script process, voices follow their class.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::AllPixels;
using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

// A scene whose one text block has a click stop in its first line and a
// second page after an empty line (laid out from the top again); `setup` runs before the text is made.
std::string DialogueScript(const std::string& setup) {
    return "chapter main {\n"
           "\t$t0 = MilliTime();\n"
           "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
           "\tSetFont(\"ＭＳ ゴシック\", 32, \"#FFFFFF\", \"#000000\", NORMAL, NULL);\n"
           "\tSetBaseTextInterval(20);\n" +
           setup +
           "<PRE box>\n"
           "[t1]\n"
           "ABCD<K>EFGH\n"
           "\n"
           "WXYZ\n"
           "</PRE>\n"
           "\tLoadText(\"main\", \"box\", \"t1\", 800, 300, NULL, NULL);\n"
           "\tRequest(\"box\", \"Enter\");\n"
           "\tWaitText(\"box\", NULL);\n"
           "\t$t = MilliTime() - $t0;\n"
           "\t$out = String(\"t=%d;w=%d;h=%d\", $t, ImageHorizon(\"box\"), ImageVertical(\"box\"));\n"
           "\tWriteFile(\"out.txt\", $out, FALSE);\n"
           "\tWait(200);\n"
           "\tExit();\n"
           "}\n";
}

struct DialogueResult {
    int t = -1, w = -1, h = -1;
    std::string output;
    std::vector<uint32_t> pixels;
};

DialogueResult RunDialogue(const std::string& setup, const std::string& input) {
    TempDir game;
    WriteGame(game, DialogueScript(setup));
    std::vector<std::string> extra = {"--screenshot", game.path + "/shot.png"};
    if (!input.empty()) {
        game.Write("input.txt", input);
        extra.push_back("--input");
        extra.push_back(game.path + "/input.txt");
    }
    DialogueResult r;
    EXPECT_EQ(RunHeadless(game, &r.output, extra, 30000), 0) << r.output;
    std::string out = ReadAll(game.path + "/out.txt");
    EXPECT_EQ(std::sscanf(out.c_str(), "t=%d;w=%d;h=%d", &r.t, &r.w, &r.h), 3) << out << r.output;
    int fw = 0, fh = 0;
    r.pixels = AllPixels(game.path + "/shot.png", &fw, &fh);
    return r;
}

// Bright pixels in frame columns [left, right) of rows [top, bottom).
int Bright(const DialogueResult& r, int left, int right, int top, int bottom) {
    int n = 0;
    if (r.pixels.size() < 1024u * 768u) return -1;
    for (int y = top; y < bottom && y < 768; ++y)
        for (int x = left; x < right && x < 1024; ++x)
            if ((r.pixels[static_cast<size_t>(y) * 1024 + x] & 0xFF) > 0x80) ++n;
    return n;
}

TEST(DialogueRun, ClickStopAndPageEndWaitForInputAndThePageIsCleared) {
    const struct {
        const char* name;
        std::string input;
    } cases[] = {
        // Each input 300 ms after its stop began.
        {"clicks", "wait-input\n300 click 500 500\nwait-input\n300 click 500 500\n"},
        {"Enter", "wait-input\n300 key ENTER down\n350 key ENTER up\n"
                  "wait-input\n300 key ENTER down\n350 key ENTER up\n"},
    };
    for (const auto& c : cases) {
        DialogueResult r = RunDialogue("", c.input);
        EXPECT_GE(r.t, 600) << c.name << ": WaitText held past the first input until the second";
        EXPECT_LT(r.t, 6000) << c.name;
        EXPECT_GT(r.w, 4 * 16) << c.name << ": the object has the text's size";
        EXPECT_LT(r.w, 800) << c.name;
        // Page two (WXYZ, after the empty line) starts at the top again,
        // over a cleared picture: where page one's EFGH stood is empty.
        EXPECT_GT(Bright(r, 0, 80, 0, 60), 50) << c.name;
        EXPECT_EQ(Bright(r, 90, 400, 0, 60), 0) << c.name;
    }
}

TEST(DialogueRun, AutomaticModeWaitsPerCharacterAndSkipPassesEverything) {
    // Automatic mode: 4 characters x 300 ms at the click stop, and 4 x 300
    // again at the page end (counting starts afresh after a stop); the
    // reveal itself takes 12 x 20 ms.
    DialogueResult a = RunDialogue("\t$SYSTEM_auto_wait_per_character = 300;\n\t$SYSTEM_text_auto = 1;\n", "");
    EXPECT_GE(a.t, 2400 + 240) << a.output;
    EXPECT_LT(a.t, 3600) << a.output;
    EXPECT_GT(Bright(a, 0, 80, 0, 60), 50);
    EXPECT_EQ(Bright(a, 90, 400, 0, 60), 0) << "automatic mode clears the page too";
    // Skip mode: nothing waits.
    DialogueResult s = RunDialogue("\t$SYSTEM_skip = 1;\n", "");
    EXPECT_LT(s.t, 800) << s.output;
    EXPECT_GT(Bright(s, 0, 80, 0, 60), 50);
}

// `ms` of quiet 16-bit mono sound at 8000 Hz.
std::string QuietWave(int ms) {
    std::string pcm(static_cast<size_t>(ms) * 16, '\0');
    return testing_support::MonoWave8k(pcm);
}

// A voiced line of 20 countable characters (the full stop and the quotes
// do not count): with voice pacing a 3200 ms voice shows one character
// every (3200 - 200) / 20 = 150 ms; without it they come every 20 ms. A
// missing voice file leaves the text running.
TEST(DialogueRun, VoicePacesItsLine) {
    const struct {
        const char* name;
        const char* sync;
        const char* source;
        int least, most;  // ms for the whole line
    } cases[] = {
        {"paced by the voice", "1", "voice/v1", 2700, 4500},
        {"not paced", "0", "voice/v1", 0, 1500},
        {"missing voice", "1", "voice/none", 0, 1500},
    };
    for (const auto& c : cases) {
        TempDir game;
        game.Write("voice/v1.wav", QuietWave(3200));
        std::string script =
            "chapter main {\n"
            "\tSetBaseTextInterval(20);\n"
            "\t$SYSTEM_sync_voice_and_text = " + std::string(c.sync) + ";\n"
            "<PRE box>\n"
            "[v]\n"
            "<VOICE NAME=a CLASS=a SRC=\"" + c.source + "\">「ABCDEFGHIJKLMNOPQRST。」\n"
            "</PRE>\n"
            "\t$t0 = MilliTime();\n"
            "\tLoadText(\"main\", \"box\", \"v\", 900, 200, NULL, NULL);\n"
            "\tRequest(\"box\", \"Enter\");\n"
            "\tWaitText(\"box\", NULL);\n"
            "\t$out = String(\"t=%d\", MilliTime() - $t0);\n"
            "\tWriteFile(\"out.txt\", $out, FALSE);\n"
            "\tExit();\n"
            "}\n";
        WriteGame(game, script);
        std::string output;
        ASSERT_EQ(RunHeadless(game, &output, {}, 30000), 0) << output;
        int t = -1;
        std::string out = ReadAll(game.path + "/out.txt");
        ASSERT_EQ(std::sscanf(out.c_str(), "t=%d", &t), 1) << c.name << out << output;
        EXPECT_GE(t, c.least) << c.name;
        EXPECT_LE(t, c.most) << c.name;
        if (std::string(c.source) == "voice/none") {
            EXPECT_NE(output.find("voice"), std::string::npos) << "said once on stderr: " << output;
        }
    }
}

// Inline code runs when the reveal reaches it, as a script process of the
// text's script: it sets a variable and shows a picture mid-line, and the
// rest of the line waits for its Wait(600). When the text is made again
// while that run still goes on, the new text cannot start the code: it goes
// on without it and says so on stderr.
TEST(DialogueRun, InlineCodeRunsMidLineAndHoldsTheText) {
    const std::string load =
        "\tLoadText(\"main\", \"box\", \"t1\", 800, 200, NULL, NULL);\n"
        "\tRequest(\"box\", \"Enter\");\n";
    const struct {
        const char* name;
        std::string again;  // the text made again before WaitText
        bool held;          // the line waited for the code
    } cases[] = {
        {"the code runs", "", true},
        {"its last run still goes on", "\tWait(200);\n" + load, false},
    };
    for (const auto& c : cases) {
        TempDir game;
        std::string script =
            "chapter main {\n"
            "\tSetBaseTextInterval(20);\n"
            "\t$mid = -1;\n"
            "\t$runs = 0;\n"
            "<PRE box>\n"
            "[t1]\n"
            "ABCD{ $mid = MilliTime() - $t0; $runs = $runs + 1;\n"
            "\tCreateColor(\"dot\", 50, 900, 700, 40, 40, \"#FF0000\"); Wait(600); }EFGH\n"
            "</PRE>\n"
            "\t$t0 = MilliTime();\n" +
            load + c.again +
            "\tWaitText(\"box\", NULL);\n"
            "\t$out = String(\"t=%d;mid=%d;runs=%d\", MilliTime() - $t0, $mid, $runs);\n"
            "\tWriteFile(\"out.txt\", $out, FALSE);\n"
            "\tWait(700);\n"
            "\tExit();\n"
            "}\n";
        WriteGame(game, script);
        std::string output;
        ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", game.path + "/shot.png"}, 30000), 0)
            << c.name << output;
        int t = -1, mid = -1, runs = -1;
        std::string out = ReadAll(game.path + "/out.txt");
        ASSERT_EQ(std::sscanf(out.c_str(), "t=%d;mid=%d;runs=%d", &t, &mid, &runs), 3) << c.name << out << output;
        EXPECT_EQ(runs, 1) << c.name;
        EXPECT_GE(mid, 60) << c.name << ": ABCD came first";
        EXPECT_LT(mid, 600) << c.name;
        if (c.held) {
            EXPECT_GE(t, mid + 600) << c.name << ": EFGH waited for the code's Wait(600)";
        } else {
            EXPECT_LT(t, mid + 600) << c.name << ": the second text did not wait";
        }
        EXPECT_LT(t, 5000) << c.name;
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = AllPixels(game.path + "/shot.png", &w, &h);
        ASSERT_EQ(pixels.size(), 1024u * 768u) << c.name;
        EXPECT_EQ(pixels[720 * 1024 + 920] & 0xFFFFFF, 0xFF0000u) << c.name << ": the code's picture";
        bool told = output.find("inline code") != std::string::npos;
        EXPECT_EQ(told, !c.held) << c.name << output;
    }
}

// Voices of text by class: the settings list the classes ソラ (its trail
// byte is 0x5C) and ヒロイン; a listed class plays while
// SYSTEM_voice_enable_list names it, any other while
// SYSTEM_voice_enable_another is set. A voice that does not play is not
// heard and does not pace its line (3200 ms voice: about 3000 ms paced).
TEST(DialogueRun, VoicesPlayByClass) {
    const struct {
        const char* name;
        const char* voiceClass;
        const char* another;
        bool plays;
    } cases[] = {
        {"listed and enabled", "ソラ", "0", true},
        {"listed, not enabled", "ヒロイン", "1", false},
        {"not listed, others off", "other", "0", false},
        {"not listed, others on", "other", "1", true},
    };
    for (const auto& c : cases) {
        TempDir game;
        game.Write("voice/v1.wav", QuietWave(3200));
        std::string script =
            "chapter main {\n"
            "\tSetBaseTextInterval(20);\n"
            "\t$SYSTEM_sync_voice_and_text = 1;\n"
            "\t$SYSTEM_voice_enable_list = \"ソラ\";\n"
            "\t$SYSTEM_voice_enable_another = " + std::string(c.another) + ";\n"
            "<PRE box>\n"
            "[v]\n"
            "<VOICE NAME=a CLASS=" + c.voiceClass + " SRC=\"voice/v1\">ABCDEFGHIJKLMNOPQRST\n"
            "</PRE>\n"
            "\t$t0 = MilliTime();\n"
            "\tLoadText(\"main\", \"box\", \"v\", 900, 200, NULL, NULL);\n"
            "\tRequest(\"box\", \"Enter\");\n"
            "\tWaitText(\"box\", NULL);\n"
            "\t$out = String(\"t=%d\", MilliTime() - $t0);\n"
            "\tWriteFile(\"out.txt\", $out, FALSE);\n"
            "\tExit();\n"
            "}\n";
        WriteGame(game, script);
        game.Write("system/System.ini",
                   testing_support::Sjis("[プロダクト]\nbland=Velmoor\nname=Test\nversion=1.0\n\n"
                                         "[スクリプト]\nstart=script/start.txt\n\n"
                                         "[ボイス]\nall_name=ソラ,ヒロイン\n"));
        std::string output;
        ASSERT_EQ(RunHeadless(game, &output, {"--audio-report"}, 30000), 0) << c.name << output;
        int t = -1;
        std::string out = ReadAll(game.path + "/out.txt");
        ASSERT_EQ(std::sscanf(out.c_str(), "t=%d", &t), 1) << c.name << out << output;
        bool heard = output.find("bytes played") != std::string::npos;
        EXPECT_EQ(heard, c.plays) << c.name << output;
        if (c.plays) {
            EXPECT_GE(t, 2700) << c.name << ": paced by the voice";
        } else {
            EXPECT_LT(t, 1500) << c.name << ": not paced";
        }
    }
}

}  // namespace
