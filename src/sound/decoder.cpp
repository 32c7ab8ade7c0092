// Finding a sound file by name and choosing its decoder.
#include <cstdio>
#include <cstring>

#include "sound/decoder.h"

namespace sound {

namespace {

// Binds and opens `name`; 1 when it opened.
int OpenByName(const char* name, files::FileHandle* h) {
    *h = files::FileHandle{};
    if (!files::BindFile(h, name)) return 0;
    if (!h->ops.open(h)) {
        h->ops.release(h);
        return 0;
    }
    return 1;
}

}  // namespace

int OpenSoundFile(const char* name, Decoder* out, char* openedName) {
    if (!name || !*name || !out) return 0;
    static const char* const kSuffixes[] = {"", ".wav", ".ogg"};
    for (const char* suffix : kSuffixes) {
        char candidate[kSoundNameSize];
        int n = std::snprintf(candidate, sizeof(candidate), "%s%s", name, suffix);
        if (n < 0 || static_cast<size_t>(n) >= sizeof(candidate)) continue;  // too long for the name buffer
        files::FileHandle h;
        if (!OpenByName(candidate, &h)) continue;
        *out = Decoder{};
        if (OpenVorbisDecoder(out, h) || OpenWaveDecoder(out, h, false)) {
            if (openedName) std::memcpy(openedName, candidate, static_cast<size_t>(n) + 1);
            return 1;
        }
        *out = Decoder{};
        h.ops.close(&h);
        h.ops.release(&h);
        return 0;  // the file exists but is not a sound we can play
    }
    return 0;
}

}  // namespace sound
