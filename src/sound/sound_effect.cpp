// Effect records of sound objects and their translation into the mixer's
// effects.
#include "sound/sound_effect.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/text_copy.h"
#include "sound/state.h"

namespace sound {

namespace {

// One environment: room and room high-frequency levels (hundredths of a
// decibel), room rolloff, decay time (s) and its high-frequency ratio,
// reflections level and delay (s), late reverb level and delay (s),
// diffusion and density (per cent). Every one has a reference frequency of
// 5000 Hz.
struct Environment {
    const char* name;
    int32_t room, roomHf;
    float rolloff, decay, decayHf;
    int32_t reflections;
    float reflectionsDelay;
    int32_t reverb;
    float reverbDelay, diffusion, density;
};

const Environment kEnvironments[kReverbPresets] = {
    {"DEFAULT", -1000, -100, 0, 1.49f, 0.83f, -2602, 0.007f, 200, 0.011f, 100, 100},
    {"GENERIC", -1000, -100, 0, 1.49f, 0.83f, -2602, 0.007f, 200, 0.011f, 100, 100},
    {"PADDEDCELL", -1000, -6000, 0, 0.17f, 0.10f, -1204, 0.001f, 207, 0.002f, 100, 100},
    {"ROOM", -1000, -454, 0, 0.40f, 0.83f, -1646, 0.002f, 53, 0.003f, 100, 100},
    {"BATHROOM", -1000, -1200, 0, 1.49f, 0.54f, -370, 0.007f, 1030, 0.011f, 100, 60},
    {"LIVINGROOM", -1000, -6000, 0, 0.50f, 0.10f, -1376, 0.003f, -1104, 0.004f, 100, 100},
    {"STONEROOM", -1000, -300, 0, 2.31f, 0.64f, -711, 0.012f, 83, 0.017f, 100, 100},
    {"AUDITORIUM", -1000, -476, 0, 4.32f, 0.59f, -789, 0.020f, -289, 0.030f, 100, 100},
    {"CONCERTHALL", -1000, -500, 0, 3.92f, 0.70f, -1230, 0.020f, -2, 0.029f, 100, 100},
    {"CAVE", -1000, 0, 0, 2.91f, 1.30f, -602, 0.015f, -302, 0.022f, 100, 100},
    {"ARENA", -1000, -698, 0, 7.24f, 0.33f, -1166, 0.020f, 16, 0.030f, 100, 100},
    {"HANGAR", -1000, -1000, 0, 10.05f, 0.23f, -602, 0.020f, 198, 0.030f, 100, 100},
    {"CARPETEDHALLWAY", -1000, -4000, 0, 0.30f, 0.10f, -1831, 0.002f, -1630, 0.030f, 100, 100},
    {"HALLWAY", -1000, -300, 0, 1.49f, 0.59f, -1219, 0.007f, 441, 0.011f, 100, 100},
    {"STONECORRIDOR", -1000, -237, 0, 2.70f, 0.79f, -1214, 0.013f, 395, 0.020f, 100, 100},
    {"ALLEY", -1000, -270, 0, 1.49f, 0.86f, -1204, 0.007f, -4, 0.011f, 100, 100},
    {"FOREST", -1000, -3300, 0, 1.49f, 0.54f, -2560, 0.162f, -613, 0.088f, 79, 100},
    {"CITY", -1000, -800, 0, 1.49f, 0.67f, -2273, 0.007f, 2217, 0.011f, 50, 100},
    {"MOUNTAINS", -1000, -2500, 0, 1.49f, 0.21f, -2780, 0.300f, -2014, 0.100f, 27, 100},
    {"QUARRY", -1000, -1000, 0, 1.49f, 0.83f, -10000, 0.061f, 500, 0.025f, 100, 100},
    {"PLAIN", -1000, -2000, 0, 1.49f, 0.50f, -2466, 0.179f, -2514, 0.100f, 21, 100},
    {"PARKINGLOT", -1000, 0, 0, 1.65f, 1.50f, -1363, 0.008f, -1153, 0.012f, 100, 100},
    {"SEWERPIPE", -1000, -1000, 0, 2.81f, 0.14f, 429, 0.014f, 648, 0.011f, 80, 60},
    {"UNDERWATER", -1000, -4000, 0, 1.49f, 0.10f, -449, 0.007f, 1700, 0.011f, 100, 100},
    {"SMALLROOM", -1000, -600, 0, 1.10f, 0.83f, -400, 0.005f, 500, 0.010f, 100, 100},
    {"MEDIUMROOM", -1000, -600, 0, 1.30f, 0.83f, -1000, 0.010f, -200, 0.020f, 100, 100},
    {"LARGEROOM", -1000, -600, 0, 1.50f, 0.83f, -1600, 0.020f, -1000, 0.040f, 100, 100},
    {"MEDIUMHALL", -1000, -600, 0, 1.80f, 0.70f, -1300, 0.015f, -800, 0.030f, 100, 100},
    {"LARGEHALL", -1000, -600, 0, 1.80f, 0.70f, -2000, 0.030f, -1400, 0.060f, 100, 100},
    {"PLATE", -1000, -200, 0, 1.30f, 0.90f, 0, 0.002f, 0, 0.010f, 100, 75},
};

// The documented range of each argument of Chorus and Echo.
struct Range {
    const char* what;
    int32_t low, high;
};
const Range kChorusRanges[4] = {{"wet/dry mix", 0, 100}, {"depth", 0, 100}, {"feedback", -99, 99}, {"delay", 0, 20}};
const Range kEchoRanges[4] = {{"wet/dry mix", 0, 100}, {"feedback", 0, 100}, {"left delay", 1, 2000},
                              {"right delay", 1, 2000}};
int32_t ClampArgument(const char* effect, int which, const Range& range, double value) {
    double whole = std::trunc(std::isfinite(value) ? value : 0);
    double clamped = std::clamp(whole, static_cast<double>(range.low), static_cast<double>(range.high));
    int row = std::strcmp(effect, "Echo") == 0 ? 1 : 0;
    if (clamped != whole && !State().effectClampReported[row][which].exchange(true)) {
        std::fprintf(stderr, "SoundEffect: %s %s %.0f is outside %d..%d; %.0f is used\n", effect, range.what,
                     whole, range.low, range.high, clamped);
    }
    return static_cast<int32_t>(clamped);
}

// Linear gain of a level in hundredths of a decibel (silence at -10000).
float LevelGain(int32_t hundredthsDb) {
    if (hundredthsDb <= -10000) return 0;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

}  // namespace

int ReverbPresetIndex(const char* name) {
    if (!name) return 0;
    for (int i = 0; i < kReverbPresets; ++i)
        if (std::strcmp(name, kEnvironments[i].name) == 0) return i;
    return 0;
}

void MakeEffectRecord(const char* name, const double args[4], SoundEffectRecord* out) {
    *out = SoundEffectRecord{};
    if (!name) return;
    platform::CopyText(out->name, sizeof(out->name), name);
    const Range* ranges = std::strcmp(out->name, "Chorus") == 0 ? kChorusRanges
                          : std::strcmp(out->name, "Echo") == 0 ? kEchoRanges
                                                                : nullptr;
    if (!ranges) return;
    for (int i = 0; i < 4; ++i) out->params[i] = ClampArgument(out->name, i, ranges[i], args ? args[i] : 0);
}

platform::AudioEffect EffectOfRecord(const SoundEffectRecord& r) {
    platform::AudioEffect e;
    if (!r.name[0]) return e;
    if (std::strcmp(r.name, "Chorus") == 0) {
        e.kind = platform::kEffectChorus;
        e.wet = r.params[0] / 100.0f;
        e.dry = 1 - e.wet;
        e.depth = r.params[1] / 100.0f;
        e.feedback = r.params[2] / 100.0f;
        e.delay = std::min(r.params[3] / 1000.0f, 0.016f);
        e.rate = 1.3f;
        e.waveform = 0;  // sine
        e.phase = 90;
    } else if (std::strcmp(r.name, "Echo") == 0) {
        e.kind = platform::kEffectEcho;
        e.wet = r.params[0] / 100.0f;
        e.dry = 1 - e.wet;
        e.feedback = r.params[1] / 100.0f;
        int32_t left = r.params[2], right = r.params[3];
        // The first tap is the shorter delay, on its own side; the second
        // follows after the difference.
        e.echoDelay = std::min(std::min(left, right) / 1000.0f, 0.207f);
        e.echoLrDelay = std::min(std::abs(right - left) / 1000.0f, 0.404f);
        e.spread = left <= right ? 1.0f : -1.0f;
        e.damping = 0;
    } else if (std::strcmp(r.name, "WavesReverb") == 0) {
        // All of the sound goes through a one-second reverb whose highs die
        // away fast. The highs' ratio is 0.2, not the mixer's least 0.1:
        // OpenAL Soft 1.19.1 aborts on ratios near 0.1 with decays near one
        // second (a filter gain assertion), and the muted highs (gainHf)
        // give the darkness instead.
        e.kind = platform::kEffectReverb;
        e.dry = 0;
        e.wet = 1;
        e.gain = 1;
        e.gainHf = 0.5f;
        e.decayTime = 1.0f;
        e.decayHfRatio = 0.2f;
    } else {
        const Environment& v = kEnvironments[ReverbPresetIndex(r.name)];
        e.kind = platform::kEffectReverb;
        e.dry = 1;
        e.wet = 1;
        e.gain = LevelGain(v.room);
        e.gainHf = LevelGain(v.roomHf);
        e.roomRolloff = v.rolloff;
        e.decayTime = v.decay;
        e.decayHfRatio = v.decayHf;
        e.reflectionsGain = LevelGain(v.reflections);
        e.reflectionsDelay = v.reflectionsDelay;
        e.lateGain = LevelGain(v.reverb);
        e.lateDelay = v.reverbDelay;
        e.diffusion = v.diffusion / 100.0f;
        e.density = v.density / 100.0f;
    }
    return e;
}

bool ApplySoundEffect(SoundObject* s) {
    if (!s) return false;
    StopSound(s);
    // A voice's buffer carries no effects.
    if (!s->effect.name[0] || s->category == kCategoryVoice || !s->voice) return false;
    return platform::Audio().setEffect(s->voice, EffectOfRecord(s->effect));
}

}  // namespace sound
