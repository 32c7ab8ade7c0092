// Sound objects streamed through the headless device with a test clock:
// playing to the end, loops and loop points, pause and resume, fades along
// their steps, category factors and the engine's suspension.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

#include "core/clock.h"
#include "platform/audio.h"
#include "render/compose.h"
#include "script/system_variables.h"
#include "sound/sound_object.h"
#include "sound_fixtures.h"
#include "support/support.h"

using sound_fixtures::MakeWave;
using sound_fixtures::RampPcm;
using sound_fixtures::WaveSpec;
using testing_support::TempDir;

namespace {

std::atomic<uint32_t> g_now{1000};
uint32_t TestNow() { return g_now.load(); }

class SoundStream : public ::testing::Test {
protected:
    void SetUp() override {
        script::GetSystemValues() = script::SystemValues{};
        core::SetClock(TestNow);
        ASSERT_TRUE(sound::StartSoundDevice(true));
        ASSERT_TRUE(platform::AudioIsHeadless());
        // 8000 Hz 16-bit mono, 500 ms: sample i is i.
        pcm = RampPcm(4000);
        dir.Write("ramp.wav", MakeWave(WaveSpec{}, pcm));
    }
    void TearDown() override {
        sound::StopSoundDevice();
        core::SetClock(nullptr);
        script::GetSystemValues() = script::SystemValues{};
    }

    sound::SoundObject* Make(uint32_t category = sound::kCategorySe) {
        sound::SoundObject* s = sound::CreateSound(category, (dir.path + "/ramp").c_str());
        voice = platform::HeadlessVoiceCount() - 1;
        return s;
    }
    // Moves the clock on in 10 ms steps, letting the sound's threads catch up
    // after each.
    void Run(sound::SoundObject* s, uint32_t ms) {
        ASSERT_TRUE(sound::SettleSound(s, 10000));  // threads just started have begun
        for (uint32_t t = 0; t < ms; t += 10) {
            g_now += 10;
            ASSERT_TRUE(sound::SettleSound(s, 10000));
        }
    }
    platform::HeadlessVoiceReport Voice() { return platform::HeadlessVoice(voice); }

    TempDir dir;
    std::string pcm;
    int voice = -1;
};

TEST_F(SoundStream, PlaysToItsEndOnceAndStops) {
    sound::SoundObject* s = Make();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->state.load(), sound::kStatePrepared);
    EXPECT_EQ(s->lengthMs, 500u);
    EXPECT_EQ(sound::RemainingMs(s), 500);
    sound::PlaySound(s);
    Run(s, 200);
    EXPECT_TRUE(sound::SoundPlaying(s));
    EXPECT_GT(s->amplitude.load(), 0u);
    Run(s, 500);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    EXPECT_EQ(s->readPosition.load(), 0u);
    platform::HeadlessVoiceReport v = Voice();
    EXPECT_EQ(v.bytesPlayed, pcm.size());
    EXPECT_EQ(std::string(v.played.begin(), v.played.end()), pcm);
    // Played again it starts from the beginning.
    sound::PlaySound(s);
    Run(s, 700);
    EXPECT_EQ(Voice().bytesPlayed, 2 * pcm.size());
    sound::DestroySound(s);
}

TEST_F(SoundStream, LoopCountsPlayThatManyTimes) {
    struct Case {
        int32_t count;
        int plays;
    } cases[] = {{0, 1}, {1, 1}, {3, 3}, {-5, 1}};
    for (const Case& c : cases) {
        sound::SoundObject* s = Make();
        sound::SetSoundLoop(s, c.count);
        sound::PlaySound(s);
        Run(s, 500 * c.plays + 400);
        EXPECT_EQ(s->state.load(), sound::kStateStopped) << c.count;
        platform::HeadlessVoiceReport v = Voice();
        std::string expected;
        for (int i = 0; i < c.plays; ++i) expected += pcm;
        EXPECT_EQ(std::string(v.played.begin(), v.played.end()), expected) << c.count;
        sound::DestroySound(s);
    }
    // TRUE loops until stopped.
    sound::SoundObject* s = Make();
    sound::SetSoundLoop(s, -1);
    sound::PlaySound(s);
    Run(s, 2600);
    EXPECT_TRUE(sound::SoundPlaying(s));
    EXPECT_GE(Voice().bytesPlayed, 5 * pcm.size());
    sound::StopSound(s);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    EXPECT_FALSE(Voice().playing);
    sound::DestroySound(s);
}

TEST_F(SoundStream, LoopPointsRepeatTheSpanBetweenThem) {
    sound::SoundObject* s = Make();
    sound::SetSoundLoopPoints(s, 100, 300);  // bytes 1600 .. 4800
    EXPECT_EQ(s->loopStart.load(), 1600u);
    EXPECT_EQ(s->loopEnd.load(), 4800u);
    sound::SetSoundLoop(s, 3);
    sound::PlaySound(s);
    Run(s, 1500);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    platform::HeadlessVoiceReport v = Voice();
    std::string expected = pcm.substr(0, 4800) + pcm.substr(1600, 3200) + pcm.substr(1600, 3200);
    EXPECT_EQ(std::string(v.played.begin(), v.played.end()), expected);
    sound::DestroySound(s);
}

TEST_F(SoundStream, LoopPointsAreKeptInsideTheData) {
    // 44100 Hz, 500.5 ms of data.
    dir.Write("odd.wav", [] {
        WaveSpec w;
        w.rate = 44100;
        return MakeWave(w, RampPcm(22072));
    }());
    sound::SoundObject* s = sound::CreateSound(sound::kCategoryBgm, (dir.path + "/odd.wav").c_str());
    ASSERT_NE(s, nullptr);
    struct Case {
        uint32_t startMs, endMs;
        uint32_t start, end;
    } cases[] = {
        {100, 500, 8820, 44144},    // half a millisecond before the end: the end
        {100, 498, 8820, 43922},    // two milliseconds before: kept
        {100, 9000, 8820, 44144},   // past the end
        {9000, 200, 0, 17640},      // a start past the data is the start
    };
    for (const Case& c : cases) {
        sound::SetSoundLoopPoints(s, c.startMs, c.endMs);
        EXPECT_EQ(s->loopStart.load(), c.start) << c.startMs << "-" << c.endMs;
        EXPECT_EQ(s->loopEnd.load(), c.end) << c.startMs << "-" << c.endMs;
    }
    sound::DestroySound(s);
}

TEST_F(SoundStream, PauseAndResumeKeepThePosition) {
    sound::SoundObject* s = Make();
    sound::PlaySound(s);
    Run(s, 200);
    sound::PauseSound(s);
    EXPECT_EQ(s->state.load(), sound::kStatePaused);
    uint64_t played = Voice().bytesPlayed;
    uint32_t position = s->readPosition.load();
    Run(s, 1000);
    EXPECT_EQ(Voice().bytesPlayed, played);
    EXPECT_EQ(s->readPosition.load(), position);
    EXPECT_EQ(s->state.load(), sound::kStatePaused);
    sound::PlaySound(s);  // ignored while paused
    EXPECT_EQ(s->state.load(), sound::kStatePaused);
    sound::ResumeSound(s);
    Run(s, 600);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    platform::HeadlessVoiceReport v = Voice();
    EXPECT_EQ(std::string(v.played.begin(), v.played.end()), pcm);
    sound::DestroySound(s);
}

TEST_F(SoundStream, PositionMovesToTheAskedTime) {
    sound::SoundObject* s = Make();
    sound::PlaySound(s);
    Run(s, 100);
    sound::SetSoundPosition(s, 400);  // byte 6400
    Run(s, 400);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    platform::HeadlessVoiceReport v = Voice();
    std::string played(v.played.begin(), v.played.end());
    ASSERT_GE(played.size(), 1600u);
    EXPECT_EQ(played.substr(played.size() - 1600), pcm.substr(6400));
    sound::SetSoundPosition(s, 500);  // at the end: ignored
    EXPECT_EQ(s->seekRequest.load(), -1);
    sound::DestroySound(s);
}

TEST_F(SoundStream, VolumePanAndFrequencyReachTheDevice) {
    sound::SoundObject* s = Make();
    struct Case {
        int32_t volume, pan, frequency;
        float gain, left, right, pitch;
    } cases[] = {
        {1000, 0, 1000, 1.0f, 1.0f, 1.0f, 1.0f},
        {500, -10000, 500, 0.3162f, 1.0f, 0.0f, 0.5f},   // -10 dB; full left
        {250, 2000, 2000, 0.1f, 0.1f, 1.0f, 2.0f},      // -20 dB; left -20 dB
        {1000, 0, 0, 1.0f, 1.0f, 1.0f, 4.0f / 8000},    // at least 4 Hz
    };
    for (const Case& c : cases) {
        sound::SetSoundVolume(s, c.volume);
        sound::SetSoundPan(s, c.pan);
        sound::SetSoundFrequency(s, c.frequency);
        platform::HeadlessVoiceReport v = Voice();
        EXPECT_NEAR(v.gain, c.gain, 0.002) << c.volume;
        EXPECT_NEAR(v.left, c.left, 0.002) << c.pan;
        EXPECT_NEAR(v.right, c.right, 0.002) << c.pan;
        EXPECT_NEAR(v.pitch, c.pitch, 1e-4) << c.frequency;
    }
    // Half the rate plays half the bytes in the same time.
    sound::SetSoundFrequency(s, 500);
    sound::PlaySound(s);
    Run(s, 200);
    uint64_t slow = Voice().bytesPlayed;
    EXPECT_NEAR(static_cast<double>(slow), 200 * 8, 40);
    // Volume 0 set at once stops a playing sound.
    sound::SetSoundVolume(s, 0);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    sound::DestroySound(s);
}

TEST_F(SoundStream, FadesFollowTheCurveStepsAndEndOnTheTarget) {
    sound::SoundObject* s = Make();
    sound::SetSoundLoop(s, -1);
    sound::PlaySound(s);
    double rate = core::NominalFrameRate();
    // Volume 1000 -> 500 over one second, linearly.
    sound::FadeSound(s, sound::kFadeVolume, 500, 1000, nullptr);
    Run(s, 500);
    int32_t steps = static_cast<int32_t>(std::trunc(1000 * rate / 1000));
    int32_t index = static_cast<int32_t>(std::floor(500 * rate / 1000 + 1e-9));
    EXPECT_EQ(s->fades[sound::kFadeVolume].index.load(), index);
    EXPECT_EQ(s->volume.load(), 1000 - static_cast<int32_t>(std::lround(500.0 * index / steps)));
    // Paused, the fade holds.
    sound::PauseSound(s);
    int32_t held = s->volume.load();
    Run(s, 300);
    EXPECT_EQ(s->volume.load(), held);
    sound::ResumeSound(s);
    Run(s, 600);
    EXPECT_EQ(s->volume.load(), 500);
    EXPECT_NEAR(Voice().gain, 0.3162, 0.002);
    // Pan relative and frequency fades arrive exactly.
    sound::FadeSound(s, sound::kFadePan, -3000, 300, nullptr);
    sound::FadeSound(s, sound::kFadeFrequency, 1500, 250, nullptr);
    Run(s, 400);
    EXPECT_EQ(s->pan.load(), -3000);
    EXPECT_EQ(s->frequency.load(), 1500);
    EXPECT_NEAR(Voice().pitch, 1.5, 1e-4);
    // A fade down to silence stops the sound at its end.
    sound::FadeSound(s, sound::kFadeVolume, 0, 200, nullptr);
    Run(s, 150);
    EXPECT_TRUE(sound::SoundPlaying(s));
    Run(s, 200);
    EXPECT_EQ(s->volume.load(), 0);
    EXPECT_EQ(s->state.load(), sound::kStateStopped);
    sound::DestroySound(s);
}

// Fades run at the play speed, like the actions beside them: the step index
// is the elapsed engine time times the speed, in ticks; skip mode runs them
// 32 times as fast.
TEST_F(SoundStream, FadesRunAtThePlaySpeed) {
    struct Case {
        double playSpeed;
        bool skip;
        uint32_t runMs;
    } cases[] = {{0.5, false, 400}, {1.0, false, 400}, {2.0, false, 200}, {1.0, true, 20}};
    const double rate = core::NominalFrameRate();
    const int32_t steps = static_cast<int32_t>(std::trunc(1000 * rate / 1000));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.playSpeed << " skip " << c.skip);
        render::Modes().playSpeed = c.playSpeed;
        render::Modes().skip = c.skip ? 1 : 0;
        sound::SoundObject* s = Make();
        sound::SetSoundLoop(s, -1);
        sound::PlaySound(s);
        sound::FadeSound(s, sound::kFadeVolume, 0, 1000, nullptr);
        Run(s, c.runMs);
        const double speed = c.skip ? 32.0 : c.playSpeed;
        const int32_t index = static_cast<int32_t>(std::floor(c.runMs * speed * rate / 1000 + 1e-9));
        EXPECT_EQ(s->fades[sound::kFadeVolume].index.load(), index);
        EXPECT_EQ(s->volume.load(), 1000 - static_cast<int32_t>(std::lround(1000.0 * index / steps)));
        // Run on until the whole second has passed at this speed: the fade
        // ends on its target and, being a fade to silence, stops the sound.
        Run(s, static_cast<uint32_t>(std::ceil(1000 / speed)));
        EXPECT_EQ(s->volume.load(), 0);
        EXPECT_EQ(s->state.load(), sound::kStateStopped);
        sound::DestroySound(s);
    }
    render::Modes().playSpeed = 1.0;
    render::Modes().skip = 0;
}

TEST_F(SoundStream, CategoryFactorsFollowTheVariables) {
    sound::SoundObject* bgm = Make(sound::kCategoryBgm);
    int bgmVoice = voice;
    sound::SoundObject* se = Make(sound::kCategorySe);
    int seVoice = voice;
    sound::SetSoundLoop(bgm, -1);
    sound::SetSoundLoop(se, -1);
    sound::PlaySound(bgm);
    sound::PlaySound(se);
    auto gain = [](int v) { return platform::HeadlessVoice(v).gain; };
    struct Case {
        int soundBgm, volumeBgm, volumeSe;
        float bgmGain, seGain;
    } cases[] = {
        {1, 500, 1000, 0.3162f, 1.0f},
        {0, 500, 1000, 0.0f, 1.0f},    // muted music keeps playing silently
        {1, 500, 250, 0.3162f, 0.1f},  // and takes its level back
        {1, 1000, 1000, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        script::GetSystemValues().soundBgm = c.soundBgm;
        script::GetSystemValues().volumeBgm = c.volumeBgm;
        script::GetSystemValues().volumeSe = c.volumeSe;
        sound::RecomputeCategoryFactors();
        Run(bgm, 10);
        Run(se, 10);
        EXPECT_TRUE(sound::SoundPlaying(bgm));
        EXPECT_NEAR(gain(bgmVoice), c.bgmGain, 0.002) << c.soundBgm << " " << c.volumeBgm;
        EXPECT_NEAR(gain(seVoice), c.seGain, 0.002) << c.volumeSe;
    }
    sound::DestroySound(bgm);
    sound::DestroySound(se);
}

TEST_F(SoundStream, SystemScreensSuspendEffectsAndVoicesButNotMusic) {
    sound::SoundObject* bgm = Make(sound::kCategoryBgm);
    sound::SoundObject* held = Make(sound::kCategoryBgm);
    sound::SoundObject* se = Make(sound::kCategorySe);
    sound::SoundObject* voiceSound = Make(sound::kCategoryVoice);
    sound::SoundObject* paused = Make(sound::kCategorySe);
    sound::SoundObject* all[] = {bgm, held, se, voiceSound, paused};
    for (sound::SoundObject* s : all) {
        sound::SetSoundLoop(s, -1);
        sound::PlaySound(s);
    }
    held->suspendFlag.store(1);  // CompulsorySuspend
    sound::PauseSound(paused);
    sound::SuspendAllSounds();
    EXPECT_EQ(bgm->state.load(), sound::kStatePlaying);
    EXPECT_EQ(held->state.load(), sound::kStateSuspended);
    EXPECT_EQ(se->state.load(), sound::kStateSuspended);
    EXPECT_EQ(voiceSound->state.load(), sound::kStateSuspended);
    EXPECT_EQ(paused->state.load(), sound::kStatePaused);
    sound::ResumeAllSounds();
    EXPECT_EQ(held->state.load(), sound::kStatePlaying);
    EXPECT_EQ(se->state.load(), sound::kStatePlaying);
    EXPECT_EQ(voiceSound->state.load(), sound::kStatePlaying);
    EXPECT_EQ(paused->state.load(), sound::kStatePaused);
    for (sound::SoundObject* s : all) sound::DestroySound(s);
}

TEST_F(SoundStream, CategoriesByName) {
    struct Case {
        const char* name;
        uint32_t code;
    } cases[] = {
        {"BGM", sound::kCategoryBgm},   {"BGM1", sound::kCategoryBgm},     {"SE", sound::kCategorySe},
        {"SE0", sound::kCategorySe},    {"VOICE9", sound::kCategoryVoice}, {"SILENT", sound::kCategorySilent},
        {"SE10", 0},                    {"bgm", 0},                        {"MUSIC", 0},
        {"", 0},                        {"SEX", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(sound::CategoryFromName(c.name), c.code) << c.name;
    EXPECT_EQ(sound::CreateSound(0, (dir.path + "/ramp").c_str()), nullptr);
    EXPECT_EQ(sound::CreateSound(sound::kCategorySe, (dir.path + "/none").c_str()), nullptr);
    // SILENT opens no file and plays silence until stopped.
    sound::SoundObject* silent = sound::CreateSound(sound::kCategorySilent, nullptr);
    ASSERT_NE(silent, nullptr);
    int v = platform::HeadlessVoiceCount() - 1;
    sound::PlaySound(silent);
    Run(silent, 100);
    EXPECT_TRUE(sound::SoundPlaying(silent));
    platform::HeadlessVoiceReport r = platform::HeadlessVoice(v);
    EXPECT_GT(r.bytesPlayed, 0u);
    for (uint8_t b : r.played) ASSERT_EQ(b, 0);
    sound::DestroySound(silent);
}

}  // namespace
