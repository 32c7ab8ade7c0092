// One stepped engine clock drives an object's action and a sound's fade
// together: both count their steps by the engine tick rate, both advance only
// when the clock moves, and the same clock steps give the same values every
// time. The sound's threads are waited for by condition (SettleSound), never
// by sleeping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/clock.h"
#include "platform/audio.h"
#include "scene/action_fixture.h"
#include "script/system_variables.h"
#include "sound/sound_object.h"
#include "sound_fixtures.h"
#include "support/support.h"

namespace {

using scene_test::g_fakeNow;

// What one clock step left behind.
struct Sample {
    int32_t x;
    int32_t actionIndex;
    int32_t volume;
    int32_t fadeIndex;
    bool operator==(const Sample&) const = default;
};

class EngineClock : public scene_test::ActionFixture {
protected:
    void SetUp() override {
        ActionFixture::SetUp();  // installs the fake clock (core::SetClock)
        script::GetSystemValues() = script::SystemValues{};
        ASSERT_TRUE(sound::StartSoundDevice(true));
        ASSERT_TRUE(platform::AudioIsHeadless());
        dir.Write("ramp.wav", sound_fixtures::MakeWave(sound_fixtures::WaveSpec{},
                                                       sound_fixtures::RampPcm(4000)));
    }
    void TearDown() override {
        sound::StopSoundDevice();
        core::SetFrameIndex(core::kDefaultFrameIndex);
        script::GetSystemValues() = script::SystemValues{};
        ActionFixture::TearDown();
    }

    // A plate moving 0 -> 600 and a looping sound fading 1000 -> 400, both
    // over one second and started at the same clock reading; then `frames`
    // clock steps of one tick interval each.
    std::vector<Sample> Run(const char* name, int frames, sound::SoundObject** out = nullptr) {
        std::vector<Sample> trace;
        scene::SceneObject* o = Plate(name, 0, 0);
        sound::SoundObject* s = sound::CreateSound(sound::kCategorySe, (dir.path + "/ramp").c_str());
        EXPECT_TRUE(o && s);
        if (!o || !s) return trace;
        sound::SetSoundLoop(s, -1);
        sound::PlaySound(s);
        EXPECT_EQ(SetUpAction(name, scene::kActionMove, 1000, {"600", "0"}), 1);
        sound::FadeSound(s, sound::kFadeVolume, 400, 1000, nullptr);
        actionSteps = o->actions[scene::kActionMove].steps;
        fadeSteps = s->fades[sound::kFadeVolume].steps;
        Go();
        EXPECT_TRUE(sound::SettleSound(s, 10000));
        for (int i = 0; i < frames; ++i) {
            Frames(1, static_cast<uint32_t>(core::FrameIntervalMs()));
            EXPECT_TRUE(sound::SettleSound(s, 10000));
            trace.push_back(Sample{o->position[0], o->actions[scene::kActionMove].counter >> 16,
                                   s->volume.load(), s->fades[sound::kFadeVolume].index.load()});
        }
        if (out) *out = s;
        else sound::DestroySound(s);
        return trace;
    }

    testing_support::TempDir dir;
    int32_t actionSteps = 0, fadeSteps = 0;  // of the last Run
};

// Step counts, the values at each step and the end values follow the tick
// rate of the engine clock, for the action and the fade alike.
TEST_F(EngineClock, StepsOfActionAndFadeFollowTheEngineTickRate) {
    struct Row {
        int frameIndex;
        int32_t steps;  // one second at the nominal rate
    };
    for (Row row : {Row{4, 60}, Row{7, 30}, Row{9, 10}}) {
        SCOPED_TRACE(row.frameIndex);
        core::SetFrameIndex(row.frameIndex);
        const std::string name = "p" + std::to_string(row.frameIndex);
        sound::SoundObject* s = nullptr;
        const int interval = core::FrameIntervalMs();
        const int frames = 1000 / interval + 2;
        std::vector<Sample> trace = Run(name.c_str(), frames, &s);
        ASSERT_EQ(trace.size(), static_cast<size_t>(frames));
        EXPECT_EQ(actionSteps, row.steps);
        EXPECT_EQ(fadeSteps, row.steps);
        const double rate = core::NominalFrameRate();
        for (int k = 0; k < frames; ++k) {
            const Sample& got = trace[k];
            // The fade's index is the elapsed engine time in ticks.
            const double elapsed = static_cast<double>(k + 1) * interval;
            const int32_t fadeIndex =
                std::min<int32_t>(row.steps, static_cast<int32_t>(std::floor(elapsed * rate / 1000 + 1e-9)));
            EXPECT_EQ(got.fadeIndex, fadeIndex) << "step " << k;
            if (fadeIndex < row.steps) {
                EXPECT_EQ(got.volume, 1000 - static_cast<int32_t>(std::lround(600.0 * fadeIndex / row.steps)))
                    << "step " << k;
            }
            // The action shows step k at the k-th tick after its start (each
            // step shows where the previous interval got it).
            EXPECT_EQ(got.x, static_cast<int32_t>(600.0 * std::min<int32_t>(k, row.steps) / row.steps))
                << "step " << k;
            if (k + 1 < row.steps) {
                EXPECT_EQ(got.actionIndex, k + 1) << "step " << k;
            }
        }
        EXPECT_EQ(trace.back().x, 600);
        EXPECT_EQ(trace.back().volume, 400);
        sound::DestroySound(s);
    }
}

// Real time passing does not move anything: with the clock standing, the
// action and the fade hold however often their steps run; the same clock
// steps then give the same trace again.
TEST_F(EngineClock, AStandingClockHoldsBothAndTheSameStepsRepeatExactly) {
    sound::SoundObject* s = nullptr;
    std::vector<Sample> first = Run("a", 20, &s);
    ASSERT_EQ(first.size(), 20u);
    scene::SceneObject* o = Find("a");
    ASSERT_NE(o, nullptr);
    // The first step without time shows the 20th tick's step; from then on
    // nothing moves.
    Frames(1, 0);
    const Sample held = first.back();
    ASSERT_EQ(o->position[0], 600 * 20 / 60);
    ASSERT_LT(held.volume, 1000);
    ASSERT_GT(held.volume, 400);
    for (int i = 0; i < 5; ++i) {
        Frames(1, 0);  // steps run, no engine time passes
        ASSERT_TRUE(sound::SettleSound(s, 10000));
        EXPECT_EQ(o->position[0], 600 * 20 / 60);
        EXPECT_EQ(o->actions[scene::kActionMove].counter >> 16, held.actionIndex);
        EXPECT_EQ(s->volume.load(), held.volume);
        EXPECT_EQ(s->fades[sound::kFadeVolume].index.load(), held.fadeIndex);
    }
    sound::DestroySound(s);

    std::vector<Sample> second = Run("b", 20);
    EXPECT_EQ(second, first);
}

}  // namespace
