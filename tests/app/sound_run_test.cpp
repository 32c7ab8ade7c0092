// Sounds end to end in velmoor-tool run --headless: CreateSound with the
// name completed to a WAVE file, Request Play, SoundAmplitude and RemainTime
// while it plays, WaitPlay until it has played out, all shown by plates in
// the frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::PixelAt;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

void Put(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// `ms` of a 16-bit mono square wave at 8000 Hz.
std::string ToneWave(int ms) {
    std::string pcm;
    for (int i = 0; i < ms * 8; ++i) Put(pcm, static_cast<uint32_t>((i / 9) % 2 ? 12000 : -12000) & 0xffff, 2);
    return testing_support::MonoWave8k(pcm);
}

TEST(SoundRun, ASoundPlaysThroughAndWaitPlayWaitsForItsEnd) {
    TempDir game;
    game.Write("sound/tone.wav", ToneWave(1500));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
              "\tCreateSound(\"se\", SE, \"sound/tone\");\n"
              "\tCreateSound(\"odd\", MUSIC, \"sound/tone\");\n"
              "\tCreateSound(\"none\", SE, \"sound/missing\");\n"
              "\tSetVolume(\"se\", 0, 800, NULL);\n"
              "\tSetLoop(\"se\", FALSE);\n"
              "\tRequest(\"se\", \"Play\");\n"
              "\tRequest(\"odd\", \"Play\");\n"
              "\tWait(150);\n"
              "\tif (SoundAmplitude(\"se\") > 0) {\n"
              "\t\tCreateColor(\"playing\", 1, 0, 0, 100, 100, \"#FF0000\");\n"
              "\t}\n"
              // Decoded ahead of what is heard, but far from the end.
              "\tif (RemainTime(\"se\") > 0) {\n"
              "\t\tif (RemainTime(\"se\") < 1500) {\n"
              "\t\t\tCreateColor(\"left\", 1, 600, 0, 100, 100, \"#FFFF00\");\n"
              "\t\t}\n"
              "\t}\n"
              "\tWaitPlay(\"se\");\n"
              "\tif (SoundAmplitude(\"se\") == 0) {\n"
              "\t\tCreateColor(\"ended\", 1, 200, 0, 100, 100, \"#00FF00\");\n"
              "\t}\n"
              "\tif (SoundAmplitude(\"odd\") == 0) {\n"
              "\t\tCreateColor(\"nothing\", 1, 400, 0, 100, 100, \"#0000FF\");\n"
              "\t}\n"
              "\tWait(100);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 30000), 0) << output;
    EXPECT_EQ(PixelAt(shot, 50, 50) & 0xFFFFFF, 0xFF0000u) << output;
    EXPECT_EQ(PixelAt(shot, 250, 50) & 0xFFFFFF, 0x00FF00u) << output;
    EXPECT_EQ(PixelAt(shot, 450, 50) & 0xFFFFFF, 0x0000FFu) << output;
    EXPECT_EQ(PixelAt(shot, 650, 50) & 0xFFFFFF, 0xFFFF00u) << output;
}

// The category is read plain: written in double quotes it is no category,
// so CreateSound makes nothing; the bare word makes a sound that plays.
TEST(SoundRun, AQuotedCategoryMakesNoSound) {
    TempDir game;
    game.Write("sound/tone.wav", ToneWave(1500));
    struct Case {
        const char* category;
        int x;
        uint32_t shown;
    } cases[] = {{"SE", 0, 0xFF0000}, {"\"SE\"", 200, 0x000000}, {"VOICE1", 400, 0xFF0000},
                 {"\"VOICE1\"", 600, 0x000000}};
    std::string script = "chapter main {\n\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n";
    int i = 0;
    for (const Case& c : cases) {
        std::string name = "s" + std::to_string(i++);
        script += "\tCreateSound(\"" + name + "\", " + c.category + ", \"sound/tone\");\n\tRequest(\"" + name +
                  "\", \"Play\");\n";
    }
    script += "\tWait(150);\n";
    i = 0;
    for (const Case& c : cases) {
        std::string name = "s" + std::to_string(i++);
        script += "\tif (RemainTime(\"" + name + "\") > 0) {\n\t\tCreateColor(\"m" + name + "\", 1, " +
                  std::to_string(c.x) + ", 0, 100, 100, \"#FF0000\");\n\t}\n";
    }
    script += "\tWait(100);\n\tExit();\n}\n";
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 30000), 0) << output;
    for (const Case& c : cases)
        EXPECT_EQ(PixelAt(shot, c.x + 50, 50) & 0xFFFFFF, c.shown) << c.category << "\n" << output;
}

// Bytes each headless voice played, from the --audio-report lines.
std::vector<long long> VoiceBytes(const std::string& output) {
    std::vector<long long> bytes;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        int voice = 0;
        long long played = 0;
        if (std::sscanf(line.c_str(), "audio voice %d: %lld bytes played", &voice, &played) == 2) {
            if (static_cast<int>(bytes.size()) <= voice) bytes.resize(static_cast<size_t>(voice) + 1, -1);
            bytes[static_cast<size_t>(voice)] = played;
        }
    }
    return bytes;
}

// The sounds of a choice's groups start when the group comes into play: the
// hover sound when the mouse comes over, the click sound when it is pressed;
// a choice never pressed never clicks.
TEST(SoundRun, ChoiceGroupsPlayTheirSounds) {
    TempDir game;
    game.Write("se/tone.wav", ToneWave(80));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
              "\tCreateChoice(\"yes\");\n"
              "\tCreateColor(\"yes/MouseUsual/p\", 5, 100, 100, 200, 50, \"#0000FF\");\n"
              "\tCreateColor(\"yes/MouseOver/p\", 5, 100, 100, 200, 50, \"#00FF00\");\n"
              "\tCreateColor(\"yes/MouseClick/p\", 5, 100, 100, 200, 50, \"#FF0000\");\n"
              "\tCreateSound(\"yes/MouseOver/se\", SE, \"se/tone\");\n"      // voice 0
              "\tCreateSound(\"yes/MouseClick/se\", SE, \"se/tone\");\n"     // voice 1
              "\tCreateChoice(\"no\");\n"
              "\tCreateColor(\"no/MouseUsual/p\", 5, 100, 300, 200, 50, \"#0000FF\");\n"
              "\tCreateColor(\"no/MouseOver/p\", 5, 100, 300, 200, 50, \"#00FF00\");\n"
              "\tCreateSound(\"no/MouseOver/se\", SE, \"se/tone\");\n"       // voice 2
              "\tCreateSound(\"no/MouseClick/se\", SE, \"se/tone\");\n"      // voice 3
              "\tselect {\n"
              "\t\tcase \"yes\": { WriteFile(\"out.txt\", \"yes\", FALSE); }\n"
              "\t\tcase \"no\": { WriteFile(\"out.txt\", \"no\", FALSE); }\n"
              "\t}\n"
              "\tWait(500);\n"
              "\tExit();\n"
              "}\n");
    game.Write("input.txt",
               "3000 move 150 320\n"  // over "no"
               "4000 move 150 120\n"  // over "yes"
               "5000 click 150 120\n"
               "8000 close\n");
    std::string output;
    RunHeadless(game, &output, {"--input", game.path + "/input.txt", "--audio-report"}, 15000);
    EXPECT_EQ(testing_support::ReadAll(game.path + "/out.txt"), "yes") << output;
    std::vector<long long> played = VoiceBytes(output);
    ASSERT_EQ(played.size(), 4u) << output;
    const long long whole = 80 * 16;  // the tone's bytes
    EXPECT_GE(played[0], whole) << output;
    EXPECT_GE(played[1], whole) << output;
    EXPECT_GE(played[2], whole) << output;
    EXPECT_EQ(played[3], 0) << output;
}

// Request Pause holds a playing sound (WaitPlay does not wait for a paused
// one) and Resume plays the rest: what was played in all is the whole file,
// once.
TEST(SoundRun, PauseHoldsTheSoundAndResumePlaysTheRest) {
    TempDir game;
    game.Write("tone.wav", ToneWave(2000));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateSound(\"se\", SE1, \"tone\");\n"
              "\tRequest(\"se\", \"Play\");\n"
              "\tWait(200);\n"
              "\tRequest(\"se\", \"Pause\");\n"
              "\tWaitPlay(\"se\");\n"
              "\tWait(2500);\n"
              "\t#a = MilliTime();\n"
              "\tRequest(\"se\", \"Resume\");\n"
              "\tWaitPlay(\"se\");\n"
              "\tif (MilliTime() - #a > 500) {\n"
              "\t\tWriteFile(\"out.txt\", \"held\", FALSE);\n"
              "\t}\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    RunHeadless(game, &output, {"--audio-report"}, 20000);
    EXPECT_EQ(testing_support::ReadAll(game.path + "/out.txt"), "held") << output;
    std::vector<long long> played = VoiceBytes(output);
    ASSERT_EQ(played.size(), 1u) << output;
    EXPECT_EQ(played[0], 2000 * 16) << output;
}

}  // namespace

namespace {

// SoundEffect from a script: music and effects take the effect, a voice
// refuses it, and an argument out of range is clamped with one report.
TEST(SoundRun, SoundEffectSetsTheEffectButNotOnVoices) {
    TempDir game;
    game.Write("sound/tone.wav", ToneWave(300));
    WriteGame(game,
              "chapter main {\n"
              "\tCreateSound(\"se\", SE, \"sound/tone\");\n"
              "\tCreateSound(\"bgm\", BGM, \"sound/tone\");\n"
              "\tCreateSound(\"voice\", VOICE, \"sound/tone\");\n"
              "\tCreateSound(\"plain\", SE, \"sound/tone\");\n"
              "\tSoundEffect(\"se\", \"Echo\", 50, 40, 5000, 200);\n"
              "\tSoundEffect(\"se\", \"Echo\", 50, 40, 9000, 200);\n"
              "\tSoundEffect(\"bgm\", \"CAVE\", 0, 0, 0, 0);\n"
              "\tSoundEffect(\"voice\", \"Chorus\", 50, 10, 25, 16);\n"
              "\tWait(100);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(RunHeadless(game, &output, {"--audio-report"}, 30000), 0) << output;
    // The report lists the sounds in the order they were made.
    const char* expected[] = {"audio voice 0: 0 bytes played, echo\n", "audio voice 1: 0 bytes played, reverb\n",
                              "audio voice 2: 0 bytes played\n", "audio voice 3: 0 bytes played\n"};
    for (const char* line : expected) EXPECT_NE(output.find(line), std::string::npos) << line << output;
    const std::string report = "SoundEffect: Echo left delay 5000 is outside 1..2000; 2000 is used\n";
    size_t at = output.find(report);
    EXPECT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.find("left delay", at + report.size()), std::string::npos) << output;
}

}  // namespace
