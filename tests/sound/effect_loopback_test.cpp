// Effects measured on the signal: a short tone burst is mixed by OpenAL
// Soft's loopback device (no sound card, faster than real time, the same
// every run) with the effect a script's SoundEffect gives, and the rendered
// frames show the echo's delayed copy and the reverb's tail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "sound/sound_effect.h"

namespace {

constexpr int kRate = 48000;

// Mean square of both channels over [fromMs, toMs).
double Energy(const std::vector<float>& frames, int fromMs, int toMs) {
    size_t from = static_cast<size_t>(fromMs) * kRate / 1000, to = static_cast<size_t>(toMs) * kRate / 1000;
    double sum = 0;
    for (size_t i = from; i < to && 2 * i + 1 < frames.size(); ++i)
        sum += frames[2 * i] * frames[2 * i] + frames[2 * i + 1] * frames[2 * i + 1];
    return sum / static_cast<double>(to - from);
}

// Plays `burstMs` of a 1 kHz tone (mono, 16-bit) followed by silence through
// a voice with `effect`, and returns `totalMs` of the mix.
std::vector<float> Render(const platform::AudioEffect& effect, int burstMs, int totalMs, bool* ran) {
    *ran = false;
    std::vector<float> out;
    // The loopback device needs no output backend: keep OpenAL Soft from
    // probing the system's (PulseAudio starts threads of its own).
    setenv("ALSOFT_DRIVERS", "null", 0);
    const platform::AudioDevice* device = platform::OpenAudioLoopback(kRate);
    if (!device) return out;
    platform::AudioFormat format{1, kRate, 16};
    platform::AudioVoice* voice = device->createVoice(format);
    if (voice) {
        std::vector<int16_t> pcm(static_cast<size_t>(kRate) * totalMs / 1000, 0);
        for (size_t i = 0; i < static_cast<size_t>(kRate) * burstMs / 1000; ++i)
            pcm[i] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / kRate));
        bool effectSet = effect.kind == platform::kEffectNone || device->setEffect(voice, effect);
        if (effectSet && device->queue(voice, pcm.data(), pcm.size() * 2)) {
            device->play(voice);
            out.assign(pcm.size() * 2, 0.0f);
            *ran = platform::RenderAudioLoopback(out.data(), static_cast<int>(pcm.size()));
        }
        device->destroyVoice(voice);
    }
    device->close();
    return out;
}

platform::AudioEffect EffectOf(const char* name, const double args[4]) {
    sound::SoundEffectRecord r;
    sound::MakeEffectRecord(name, args, &r);
    return sound::EffectOfRecord(r);
}

TEST(EffectLoopback, AnEchoAddsADelayedCopy) {
    // Half wet, no feedback, both delays 150 ms.
    const double echo[4] = {50, 0, 150, 150};
    struct Row {
        const char* name;
        bool echoed;
    } rows[] = {{nullptr, false}, {"Echo", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name ? row.name : "none");
        platform::AudioEffect effect = row.name ? EffectOf(row.name, echo) : platform::AudioEffect{};
        bool ran = false;
        std::vector<float> mix = Render(effect, 20, 400, &ran);
        if (!ran) GTEST_SKIP() << "OpenAL Soft offers no loopback device with effects here";
        double dry = Energy(mix, 2, 18);
        double between = Energy(mix, 60, 140);
        double copy = Energy(mix, 152, 168);
        ASSERT_GT(dry, 0);
        EXPECT_LT(between, dry * 1e-4);
        if (row.echoed) EXPECT_GT(copy, dry * 0.1);
        else EXPECT_LT(copy, dry * 1e-4);
    }
}

TEST(EffectLoopback, AReverbTailOutlastsTheDrySound) {
    struct Row {
        const char* name;
        bool tail;
    } rows[] = {{nullptr, false}, {"CAVE", true}, {"WavesReverb", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name ? row.name : "none");
        platform::AudioEffect effect = row.name ? EffectOf(row.name, nullptr) : platform::AudioEffect{};
        bool ran = false;
        std::vector<float> mix = Render(effect, 50, 800, &ran);
        if (!ran) GTEST_SKIP() << "OpenAL Soft offers no loopback device with effects here";
        // What is heard a quarter second after the burst ended.
        double burst = std::max(Energy(mix, 0, 50), 1e-12);
        double tail = Energy(mix, 300, 500);
        if (row.tail) EXPECT_GT(tail, burst * 1e-4) << tail / burst;
        else EXPECT_LT(tail, burst * 1e-8) << tail / burst;
    }
}

// Every environment renders (none trips the mixer) and leaves a tail after
// the burst.
TEST(EffectLoopback, EveryEnvironmentRendersATail) {
    const char* names[] = {"DEFAULT", "GENERIC", "PADDEDCELL", "ROOM", "BATHROOM", "LIVINGROOM",
                           "STONEROOM", "AUDITORIUM", "CONCERTHALL", "CAVE", "ARENA", "HANGAR",
                           "CARPETEDHALLWAY", "HALLWAY", "STONECORRIDOR", "ALLEY", "FOREST", "CITY",
                           "MOUNTAINS", "QUARRY", "PLAIN", "PARKINGLOT", "SEWERPIPE", "UNDERWATER",
                           "SMALLROOM", "MEDIUMROOM", "LARGEROOM", "MEDIUMHALL", "LARGEHALL", "PLATE"};
    for (int i = 0; i < sound::kReverbPresets; ++i) {
        const char* name = names[i];
        SCOPED_TRACE(name);
        EXPECT_EQ(sound::ReverbPresetIndex(name), i);
        bool ran = false;
        std::vector<float> mix = Render(EffectOf(name, nullptr), 50, 800, &ran);
        if (!ran) GTEST_SKIP() << "OpenAL Soft offers no loopback device with effects here";
        EXPECT_GT(Energy(mix, 60, 800), 0);  // some begin 0.4 s late
    }
}

}  // namespace
