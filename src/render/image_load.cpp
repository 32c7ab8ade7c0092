// Loading pictures by name through the file layer, and decoding the bytes of
// preloaded files.
#include "render/image_load.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "files/file_handle.h"
#include "render/image_decoders.h"
#include "render/state.h"
#include "core/registry.h"
#include "core/warnings.h"
#include "platform/encoding.h"

namespace render {

namespace {

// Builds the path of `name` into `path` (260 bytes). False when it does not fit.
bool BuildPath(const char* name, char* path, size_t capacity) {
    if (std::strncmp(name, "file:", 5) == 0 && std::strlen(name) >= 5) {
        return std::snprintf(path, capacity, "%s", name + 5) < static_cast<int>(capacity);
    }
    const char* (*source)() = State().dataPrefix;
    const char* prefix = source ? source() : nullptr;
    if (!prefix) prefix = "";
    return std::snprintf(path, capacity, "%s%s", prefix, name) < static_cast<int>(capacity);
}

// "VIDEO" and "SCENE": a copy of the snapshot, or a fresh capture when there
// is none yet.
Image* SnapshotCopy(const Image* snapshot) {
    if (!snapshot) return CaptureFrame(kFrameWidth);
    Image* copy = CreateBlankImage(kFrameWidth, snapshot->height, 0, 255);
    if (!copy) return nullptr;
    copy->flags = kImgCaptured;
    CopyInto(copy, snapshot, 0, 0);
    return copy;
}

Image* LoadLocked(const char* name) {
    if (std::strcmp(name, "SCREEN") == 0) return CaptureFrame(kFrameWidth);
    if (std::strcmp(name, "VIDEO") == 0) return SnapshotCopy(ScreenSnapshot());
    if (std::strcmp(name, "SCENE") == 0) return SnapshotCopy(SceneSnapshot());

    char path[260];
    if (!BuildPath(name, path, sizeof(path))) return nullptr;
    files::FileHandle handle;
    if (!files::BindFile(&handle, path)) return nullptr;
    if (!handle.ops.load || !handle.ops.load(&handle)) {
        if (handle.ops.release) handle.ops.release(&handle);
        if (core::WarningsOn())
            core::Warn("no picture file \"" + platform::SjisToUtf8(path) + "\" (in no archive and no folder)");
        return nullptr;
    }
    Image* (*lookup)(const files::FileHandle*) = State().preloadedLookup;
    Image* image = lookup ? lookup(&handle) : nullptr;
    if (!image && handle.buffer && handle.size > 0) {
        size_t size = static_cast<size_t>(handle.size);
        image = DecodeJpeg(handle.buffer, size);
        if (!image) image = DecodePng(handle.buffer, size);
        if (!image) image = DecodeBmp(handle.buffer, size);
    }
    handle.ops.release(&handle);
    if (!image) image = ReadCvsi(name);
    if (!image && core::WarningsOn())
        core::Warn("the picture \"" + platform::SjisToUtf8(path) +
                   "\" cannot be decoded (corrupt, or not PNG, JPEG, BMP or CVSI)");
    return image;
}

}  // namespace

void SetDataPrefixSource(const char* (*prefix)()) {
    State().dataPrefix = prefix;
}

void SetPreloadedImageLookup(Image* (*lookup)(const files::FileHandle*)) {
    State().preloadedLookup = lookup;
}

Image* LoadImage(const char* name) {
    if (!name || !*name) return nullptr;
    core::LockGuard hold(core::kLockImages);
    return LoadLocked(name);
}

Image* DecodeImageFromMemory(const uint8_t* data, size_t size) {
    if (!data || size == 0) return nullptr;
    core::LockGuard hold(core::kLockImages);
    Image* image = DecodeAnyImage(data, size);
    if (image) image->flags = static_cast<uint16_t>(image->flags | kImgShared);
    return image;
}

}  // namespace render
