// Sound effects: the record a script's SoundEffect makes for each effect
// name (arguments clamped to their ranges, reported once), the mixer effect
// it becomes, and setting it on a sound through the headless device, which
// stops the sound and is refused for voices.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/audio.h"
#include "script/system_variables.h"
#include "sound/sound_effect.h"
#include "sound/sound_object.h"
#include "sound_fixtures.h"
#include "support/support.h"

namespace {

using platform::AudioEffect;

float Level(double hundredthsDb) { return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0)); }

TEST(SoundEffectRecord, EachNameMakesItsRecordAndEffect) {
    struct Row {
        const char* name;
        double args[4];
        int32_t params[4];  // as recorded
        int kind;
        float dry, wet;
    } rows[] = {
        // Chorus and Echo keep their four arguments, cut to whole numbers.
        {"Chorus", {50, 10, 25, 16}, {50, 10, 25, 16}, platform::kEffectChorus, 0.5f, 0.5f},
        {"Echo", {30.9, 50, 100, 300}, {30, 50, 100, 300}, platform::kEffectEcho, 0.7f, 0.3f},
        // Values outside the documented ranges are clamped.
        {"Chorus", {150, -5, -200, 40}, {100, 0, -99, 20}, platform::kEffectChorus, 0.0f, 1.0f},
        {"Echo", {-1, 120, 0, 9000}, {0, 100, 1, 2000}, platform::kEffectEcho, 1.0f, 0.0f},
        // The others read no arguments.
        {"WavesReverb", {50, 50, 50, 50}, {0, 0, 0, 0}, platform::kEffectReverb, 0.0f, 1.0f},
        {"CAVE", {50, 50, 50, 50}, {0, 0, 0, 0}, platform::kEffectReverb, 1.0f, 1.0f},
        {"Room", {1, 2, 3, 4}, {0, 0, 0, 0}, platform::kEffectReverb, 1.0f, 1.0f},
    };
    testing::internal::CaptureStderr();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sound::SoundEffectRecord r;
        sound::MakeEffectRecord(row.name, row.args, &r);
        EXPECT_STREQ(r.name, row.name);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(r.params[i], row.params[i]) << i;
        AudioEffect e = sound::EffectOfRecord(r);
        EXPECT_EQ(e.kind, row.kind);
        EXPECT_FLOAT_EQ(e.dry, row.dry);
        EXPECT_FLOAT_EQ(e.wet, row.wet);
    }
    std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("Chorus wet/dry mix 150 is outside 0..100"), std::string::npos) << reported;
    EXPECT_NE(reported.find("Echo right delay 9000 is outside 1..2000"), std::string::npos) << reported;
    // Clamping the same argument again says nothing more.
    testing::internal::CaptureStderr();
    sound::SoundEffectRecord again;
    const double loud[4] = {900, 0, 0, 0};
    sound::MakeEffectRecord("Chorus", loud, &again);
    EXPECT_EQ(again.params[0], 100);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SoundEffectRecord, ParametersBecomeTheMixersUnits) {
    sound::SoundEffectRecord r;
    const double chorus[4] = {40, 20, -50, 20};
    sound::MakeEffectRecord("Chorus", chorus, &r);
    AudioEffect c = sound::EffectOfRecord(r);
    EXPECT_FLOAT_EQ(c.depth, 0.2f);
    EXPECT_FLOAT_EQ(c.feedback, -0.5f);
    EXPECT_FLOAT_EQ(c.delay, 0.016f);  // 20 ms is beyond the mixer's chorus
    EXPECT_FLOAT_EQ(c.rate, 1.3f);
    EXPECT_EQ(c.waveform, 0);  // sine
    EXPECT_FLOAT_EQ(c.phase, 90);

    // Echo: the shorter delay is the first tap, on its own side; the
    // difference separates the second.
    struct EchoRow {
        double left, right;
        float first, second, spread;
    } echoes[] = {{100, 250, 0.1f, 0.15f, 1}, {250, 100, 0.1f, 0.15f, -1}, {1500, 2000, 0.207f, 0.404f, 1}};
    for (const EchoRow& row : echoes) {
        const double args[4] = {50, 40, row.left, row.right};
        sound::MakeEffectRecord("Echo", args, &r);
        AudioEffect e = sound::EffectOfRecord(r);
        EXPECT_FLOAT_EQ(e.echoDelay, row.first) << row.left;
        EXPECT_FLOAT_EQ(e.echoLrDelay, row.second) << row.left;
        EXPECT_FLOAT_EQ(e.spread, row.spread) << row.left;
        EXPECT_FLOAT_EQ(e.feedback, 0.4f);
    }

    // Presets by exact name; any other name is the default environment.
    struct PresetRow {
        const char* name;
        int index;
    } presets[] = {{"DEFAULT", 0}, {"ROOM", 3}, {"CAVE", 9}, {"PLATE", 29}, {"Room", 0}, {"", 0}, {"LARGEHALL2", 0}};
    for (const PresetRow& row : presets) EXPECT_EQ(sound::ReverbPresetIndex(row.name), row.index) << row.name;
    sound::MakeEffectRecord("SEWERPIPE", nullptr, &r);
    AudioEffect p = sound::EffectOfRecord(r);
    EXPECT_NEAR(p.gain, Level(-1000), 1e-5);
    EXPECT_NEAR(p.gainHf, Level(-1000), 1e-5);
    EXPECT_NEAR(p.reflectionsGain, Level(429), 1e-5);
    EXPECT_NEAR(p.lateGain, Level(648), 1e-5);
    EXPECT_FLOAT_EQ(p.decayTime, 2.81f);
    EXPECT_FLOAT_EQ(p.decayHfRatio, 0.14f);
    EXPECT_FLOAT_EQ(p.diffusion, 0.8f);
    EXPECT_FLOAT_EQ(p.density, 0.6f);
    // A level of -10000 is silence.
    sound::MakeEffectRecord("QUARRY", nullptr, &r);
    EXPECT_EQ(sound::EffectOfRecord(r).reflectionsGain, 0.0f);
}

class SoundEffectOnDevice : public ::testing::Test {
protected:
    void SetUp() override {
        script::GetSystemValues() = script::SystemValues{};
        ASSERT_TRUE(sound::StartSoundDevice(true));
        dir.Write("ramp.wav", sound_fixtures::MakeWave(sound_fixtures::WaveSpec{}, sound_fixtures::RampPcm(4000)));
    }
    void TearDown() override {
        sound::StopSoundDevice();
        script::GetSystemValues() = script::SystemValues{};
    }
    testing_support::TempDir dir;
};

TEST_F(SoundEffectOnDevice, SettingAnEffectStopsTheSoundAndVoicesRefuseIt) {
    struct Row {
        uint32_t category;
        bool accepted;
    } rows[] = {{sound::kCategorySe, true}, {sound::kCategoryBgm, true}, {sound::kCategoryVoice, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.category);
        sound::SoundObject* s = sound::CreateSound(row.category, (dir.path + "/ramp").c_str());
        ASSERT_NE(s, nullptr);
        int voice = platform::HeadlessVoiceCount() - 1;
        sound::SetSoundLoop(s, -1);
        sound::PlaySound(s);
        ASSERT_TRUE(sound::SoundPlaying(s));
        const double args[4] = {50, 50, 100, 200};
        sound::MakeEffectRecord("Echo", args, &s->effect);
        EXPECT_EQ(sound::ApplySoundEffect(s), row.accepted);
        EXPECT_EQ(s->state.load(), sound::kStateStopped);
        EXPECT_FALSE(platform::HeadlessVoice(voice).playing);
        AudioEffect set = platform::HeadlessVoice(voice).effect;
        if (row.accepted) {
            EXPECT_EQ(set.kind, platform::kEffectEcho);
            EXPECT_FLOAT_EQ(set.echoDelay, 0.1f);
            EXPECT_FLOAT_EQ(set.echoLrDelay, 0.1f);
            EXPECT_FLOAT_EQ(set.wet, 0.5f);
        } else {
            EXPECT_EQ(set.kind, platform::kEffectNone);
        }
        // The record stays, and a script plays the sound again.
        EXPECT_STREQ(s->effect.name, "Echo");
        sound::PlaySound(s);
        EXPECT_TRUE(sound::SoundPlaying(s));
        sound::DestroySound(s);
    }
}

}  // namespace
