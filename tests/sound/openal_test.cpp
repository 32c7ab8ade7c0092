// The OpenAL Soft device, on its null output (no sound card needed): a
// streamed sound plays through in real time and ends by itself, paused it
// holds, and panned, pitched and looped it still ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/audio.h"
#include "platform/clock.h"
#include "sound/sound_object.h"
#include "sound_fixtures.h"
#include "support/support.h"

using sound_fixtures::MakeOgg;
using sound_fixtures::MakeWave;
using sound_fixtures::RampPcm;
using sound_fixtures::WaveSpec;
using testing_support::TempDir;

namespace {

// Waits (polling, up to `limitMs` of real time) until `done` holds.
template <typename F>
bool WaitFor(F done, uint32_t limitMs) {
    uint32_t began = platform::TimeMs();
    while (!done()) {
        if (platform::TimeMs() - began > limitMs) return false;
        platform::SleepMs(5);
    }
    return true;
}

TEST(OpenAlDevice, StreamsPlayToTheirEndOnTheNullOutput) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (!sound::StartSoundDevice(false) || platform::AudioIsHeadless()) {
        sound::StopSoundDevice();
        GTEST_SKIP() << "OpenAL Soft has no null output here";
    }
    TempDir dir;
    dir.Write("ramp.wav", MakeWave(WaveSpec{}, RampPcm(2400)));  // 300 ms
    dir.Write("sine.ogg", MakeOgg(6615, 22050));                   // 300 ms stereo
    for (const char* name : {"ramp", "sine"}) {
        sound::SoundObject* s = sound::CreateSound(sound::kCategorySe, (dir.path + "/" + name).c_str());
        ASSERT_NE(s, nullptr) << name;
        sound::SetSoundPan(s, -4000);
        sound::SetSoundFrequency(s, 1500);
        sound::SetSoundVolume(s, 700);
        sound::SetSoundLoop(s, 2);
        sound::PlaySound(s);
        EXPECT_TRUE(sound::SoundPlaying(s)) << name;
        sound::PauseSound(s);
        ASSERT_TRUE(sound::SettleSound(s, 10000));  // the thread has seen the pause
        uint32_t position = s->readPosition.load();
        platform::SleepMs(200);
        EXPECT_EQ(s->state.load(), sound::kStatePaused) << name;
        EXPECT_EQ(s->readPosition.load(), position) << name;
        sound::ResumeSound(s);
        EXPECT_TRUE(WaitFor([s] { return s->state.load() == sound::kStateStopped; }, 20000)) << name;
        sound::DestroySound(s);
    }
    sound::StopSoundDevice();
    unsetenv("ALSOFT_DRIVERS");
}

}  // namespace
