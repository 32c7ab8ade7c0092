// Part of the engine's wiring: connects the in-memory file table with the
// picture decoder. Preloaded pictures are decoded once by the images code and
// found again through the handle that serves them; picture names take the
// data-folder prefix.
#include "files/file_handle.h"
#include "render/image.h"
#include "render/image_load.h"
#include "shell/wiring_internal.h"

namespace shell {

namespace {

void* DecodePreloaded(const uint8_t* data, int32_t size, const char*) {
    if (!data || size <= 0) return nullptr;
    return render::DecodeImageFromMemory(data, static_cast<size_t>(size));
}

void ReleasePreloaded(void* image) {
    auto* picture = static_cast<render::Image*>(image);
    render::ReleaseSharedImage(&picture);
}

render::Image* LookupPreloaded(const files::FileHandle* handle) {
    return static_cast<render::Image*>(files::PreloadedImageOf(handle));
}

// A per-thread copy: a script may change the prefix while a picture loads.
// Scratch of the calling thread, not engine state: thread_local on purpose.
const char* CurrentPrefix() {
    thread_local char prefix[260];
    files::GetDataPrefix(prefix);
    return prefix;
}

}  // namespace

void WireImageFiles() {
    files::SetImageHooks({DecodePreloaded, ReleasePreloaded});
    render::SetPreloadedImageLookup(LookupPreloaded);
    render::SetDataPrefixSource(CurrentPrefix);
}

}  // namespace shell
