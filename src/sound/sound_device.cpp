// The sound device's start and stop, the category master factors, the
// conversions of volume and pan to device gains, and the list of live sounds
// the engine suspends and resumes around system screens.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "script/system_variables.h"
#include "sound/sound_internal.h"
#include "sound/state.h"

namespace sound {

namespace {

float FactorOf(int on, int volume) {
    if (!on) return 0.0f;
    return static_cast<float>(std::clamp(volume, 0, 1000)) / 1000.0f;
}

}  // namespace

bool StartSoundDevice(bool headless) {
    if (!platform::SelectAudioDevice(headless)) return false;
    RecomputeCategoryFactors();
    return true;
}

void StopSoundDevice() {
    {
        // Sounds that outlive the device keep no voice of it. The list lock
        // keeps their owners from freeing them meanwhile.
        SoundContext& c = State();
        std::lock_guard<std::mutex> lock(c.soundListMutex);
        for (SoundObject* s : c.sounds) DetachVoice(s);
    }
    platform::CloseAudioDevice();
}

uint32_t CategoryFromName(const char* name) {
    if (!name) return 0;
    static const struct {
        const char* name;
        uint32_t code;
    } kNames[] = {{"BGM", kCategoryBgm}, {"SE", kCategorySe}, {"VOICE", kCategoryVoice}, {"SILENT", kCategorySilent}};
    for (const auto& k : kNames) {
        size_t n = std::strlen(k.name);
        if (std::strncmp(name, k.name, n) != 0) continue;
        const char* rest = name + n;
        if (rest[0] == 0 || (rest[0] >= '0' && rest[0] <= '9' && rest[1] == 0)) return k.code;
    }
    return 0;
}

void RecomputeCategoryFactors() {
    const script::SystemValues& v = script::GetSystemValues();
    SoundContext& c = State();
    c.categoryFactors[0].store(FactorOf(v.soundBgm, v.volumeBgm));
    c.categoryFactors[1].store(FactorOf(v.soundSe, v.volumeSe));
    c.categoryFactors[2].store(FactorOf(v.soundVoice, v.volumeVoice));
    c.quiet.store(v.skip && v.skipExpress ? 1 : 0);
}

float CategoryFactor(uint32_t category) {
    const SoundContext& c = State();
    if (c.quiet.load()) return 0.01f;
    switch (category) {
        case kCategoryBgm: return c.categoryFactors[0].load();
        case kCategorySe: return c.categoryFactors[1].load();
        case kCategoryVoice: return c.categoryFactors[2].load();
        default: return 1.0f;
    }
}

int32_t VolumeAttenuation(int32_t volume, float factor) {
    double a = static_cast<double>(factor) * std::clamp(volume, 0, 1000);
    if (a <= 0) return -10000;
    double db = 3322.0 * std::log10(a / 1000.0);
    if (db < -10000) return -10000;
    return static_cast<int32_t>(db);
}

float AttenuationGain(int32_t hundredthsDb) {
    if (hundredthsDb <= -10000) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void PanGains(int32_t pan, float* left, float* right) {
    pan = std::clamp(pan, -10000, 10000);
    *left = pan > 0 ? AttenuationGain(-pan) : 1.0f;
    *right = pan < 0 ? AttenuationGain(pan) : 1.0f;
}

void RegisterSound(SoundObject* s) {
    SoundContext& c = State();
    std::lock_guard<std::mutex> lock(c.soundListMutex);
    c.sounds.push_back(s);
}

void UnregisterSound(SoundObject* s) {
    SoundContext& c = State();
    std::lock_guard<std::mutex> lock(c.soundListMutex);
    c.sounds.erase(std::remove(c.sounds.begin(), c.sounds.end(), s), c.sounds.end());
}

void SuspendAllSounds() {
    SoundContext& c = State();
    std::lock_guard<std::mutex> lock(c.soundListMutex);
    for (SoundObject* s : c.sounds) {
        std::lock_guard<std::mutex> control(s->control);
        if (s->state.load() != kStatePlaying) continue;
        if (!s->suspendFlag.load() && s->category != kCategorySe && s->category != kCategoryVoice) continue;
        HoldStream(s, kStateSuspended);
    }
}

void ResumeAllSounds() {
    SoundContext& c = State();
    std::lock_guard<std::mutex> lock(c.soundListMutex);
    for (SoundObject* s : c.sounds) {
        std::lock_guard<std::mutex> control(s->control);
        if (s->state.load() == kStateSuspended) ReleaseStream(s);
    }
}

}  // namespace sound
