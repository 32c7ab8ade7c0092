// Chooses the audio device once at start.
#include <atomic>
#include <cstdio>

#include "platform/audio.h"

namespace platform {

const AudioDevice& OpenAlAudioDevice();

namespace {

std::atomic<const AudioDevice*> g_device{nullptr};

}  // namespace

bool SelectAudioDevice(bool headless) {
    if (g_device.load()) return true;
    if (!headless) {
        const AudioDevice& al = OpenAlAudioDevice();
        if (al.open()) {
            g_device.store(&al);
            return true;
        }
        std::fprintf(stderr, "velmoor: no audio device could be opened; sound is not heard\n");
    }
    const AudioDevice& quiet = HeadlessAudioDevice();
    if (!quiet.open()) return false;
    g_device.store(&quiet);
    return true;
}

const AudioDevice& Audio() {
    const AudioDevice* d = g_device.load();
    return d ? *d : HeadlessAudioDevice();
}

bool AudioIsHeadless() { return &Audio() == &HeadlessAudioDevice(); }

void CloseAudioDevice() {
    const AudioDevice* d = g_device.exchange(nullptr);
    if (d) d->close();
}

}  // namespace platform
