// The sound device's start and stop, the category master factors, the
// conversions of volume and pan to device gains, and the list of live sounds
// the engine suspends and resumes around system screens.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "script/system_variables.h"
#include "sound/sound_internal.h"

namespace sound {

namespace {

std::atomic<float> g_factors[3] = {1.0f, 1.0f, 1.0f};  // BGM, SE, VOICE
std::atomic<int> g_quiet{0};                           // skip mode quietens every sound
std::mutex g_listMutex;
std::vector<SoundObject*> g_sounds;

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
        std::lock_guard<std::mutex> lock(g_listMutex);
        for (SoundObject* s : g_sounds) DetachVoice(s);
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
    g_factors[0].store(FactorOf(v.soundBgm, v.volumeBgm));
    g_factors[1].store(FactorOf(v.soundSe, v.volumeSe));
    g_factors[2].store(FactorOf(v.soundVoice, v.volumeVoice));
    g_quiet.store(v.skip && v.skipExpress ? 1 : 0);
}

float CategoryFactor(uint32_t category) {
    if (g_quiet.load()) return 0.01f;
    switch (category) {
        case kCategoryBgm: return g_factors[0].load();
        case kCategorySe: return g_factors[1].load();
        case kCategoryVoice: return g_factors[2].load();
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
    std::lock_guard<std::mutex> lock(g_listMutex);
    g_sounds.push_back(s);
}

void UnregisterSound(SoundObject* s) {
    std::lock_guard<std::mutex> lock(g_listMutex);
    g_sounds.erase(std::remove(g_sounds.begin(), g_sounds.end(), s), g_sounds.end());
}

void SuspendAllSounds() {
    std::lock_guard<std::mutex> lock(g_listMutex);
    for (SoundObject* s : g_sounds) {
        std::lock_guard<std::mutex> control(s->control);
        if (s->state.load() != kStatePlaying) continue;
        if (!s->suspendFlag.load() && s->category != kCategorySe && s->category != kCategoryVoice) continue;
        HoldStream(s, kStateSuspended);
    }
}

void ResumeAllSounds() {
    std::lock_guard<std::mutex> lock(g_listMutex);
    for (SoundObject* s : g_sounds) {
        std::lock_guard<std::mutex> control(s->control);
        if (s->state.load() == kStateSuspended) ReleaseStream(s);
    }
}

}  // namespace sound
