// Shade and tone filters with their saved copy and restore.
#include "render/filters.h"

#include <cstring>

namespace render {

namespace {

// Grey weights, computed from constants on first use: the same for every
// engine, so they stay process-wide.
uint8_t g_t77[256];
uint8_t g_t151[256];
uint8_t g_t28[256];
bool g_tablesBuilt = false;

constexpr int32_t kShadeRestoreA = 315;
constexpr int32_t kShadeRestoreB = 592;
constexpr int32_t kToneRestore = 315;

int ShadePasses(int32_t code) {
    switch (code) {
        case 764:
            return 1;
        case 376:
            return 2;
        case 449:
            return 4;
        case 683:
            return 8;
        case 381:
            return 16;
        case 769:
            return 24;
        case 464:
            return 32;
        default:
            return 0;
    }
}

bool IsTone(int32_t code) {
    return code == 759 || code == 598 || code == 370 || code == 750;
}

// Copies the outermost inner rows and columns onto the border after blurring.
void FillBorder(Image* image) {
    int32_t w = image->width, h = image->height;
    if (h >= 2) {
        std::memcpy(image->rows[0], image->rows[1], static_cast<size_t>(w) * 4);
        std::memcpy(image->rows[h - 1], image->rows[h - 2], static_cast<size_t>(w) * 4);
    }
    if (w >= 2) {
        for (int32_t r = 0; r < h; ++r) {
            image->rows[r][0] = image->rows[r][1];
            image->rows[r][w - 1] = image->rows[r][w - 2];
        }
    }
}

// Makes the saved copy when there is none yet.
bool EnsureSavedCopy(Image* image) {
    if (image->savedCopy) return true;
    image->savedCopy = CopyImageForFilter(image);
    return image->savedCopy != nullptr;
}

void RunShade(Image* image, int passes) {
    for (int i = 0; i < passes; ++i) ShadePass(image);
    FillBorder(image);
}

// Puts the saved copy's pixels back and frees the copy's record.
void SwapBackSavedCopy(Image* image) {
    Image* saved = image->savedCopy;
    image->savedCopy = nullptr;
    ImageChanged(image);
    uint8_t* pixels = image->pixels;
    uint32_t** rows = image->rows;
    int32_t base = image->baseOffset;
    image->pixels = saved->pixels;
    image->rows = saved->rows;
    image->baseOffset = saved->baseOffset;
    saved->pixels = pixels;
    saved->rows = rows;
    saved->baseOffset = base;
    DestroyImage(&saved);
}

}  // namespace

FilterCodeKind ShadeCodeKind(int32_t code) {
    if (code == kShadeRestoreA || code == kShadeRestoreB) return kFilterRestore;
    return ShadePasses(code) ? kFilterApply : kFilterUnknown;
}

FilterCodeKind ToneCodeKind(int32_t code) {
    if (code == kToneRestore) return kFilterRestore;
    return IsTone(code) ? kFilterApply : kFilterUnknown;
}

int32_t FilterNameCode(const char* name) {
    if (!name) return 0;
    int32_t code = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        code += *p < 0x5A ? *p : *p - 0x20;
    }
    return code;
}

bool BuildGreyTables() {
    for (int i = 0; i < 256; ++i) {
        g_t77[i] = static_cast<uint8_t>(i * 77 >> 8);
        g_t151[i] = static_cast<uint8_t>(i * 151 >> 8);
        g_t28[i] = static_cast<uint8_t>(i * 28 >> 8);
    }
    g_tablesBuilt = true;
    return true;
}

void ShadePass(Image* image) {
    ImageChanged(image);
    int32_t w = image->width, h = image->height;
    for (int32_t r = 1; r < h - 1; ++r) {
        uint8_t* above = reinterpret_cast<uint8_t*>(image->rows[r - 1]);
        uint8_t* row = reinterpret_cast<uint8_t*>(image->rows[r]);
        uint8_t* below = reinterpret_cast<uint8_t*>(image->rows[r + 1]);
        for (int32_t c = 1; c < w - 1; ++c) {
            for (int b = 0; b < 4; ++b) {
                int sum = 0;
                for (int dc = -1; dc <= 1; ++dc) {
                    size_t i = static_cast<size_t>(c + dc) * 4 + b;
                    sum += above[i] + row[i] + below[i];
                }
                row[static_cast<size_t>(c) * 4 + b] = static_cast<uint8_t>(sum / 9);
            }
        }
    }
}

void ToneFilter(Image* image, int32_t code) {
    if (!g_tablesBuilt) BuildGreyTables();
    ImageChanged(image);
    for (int32_t r = 0; r < image->height; ++r) {
        uint8_t* p = reinterpret_cast<uint8_t*>(image->rows[r]);
        for (int32_t c = 0; c < image->width; ++c, p += 4) {
            int b0 = p[0], b1 = p[1], b2 = p[2];
            switch (code) {
                case 759: {
                    uint8_t y = static_cast<uint8_t>(g_t77[b0] + g_t151[b1] + g_t28[b2]);
                    p[0] = p[1] = p[2] = y;
                    break;
                }
                case 598:
                    p[0] = static_cast<uint8_t>(255 - b0);
                    p[1] = static_cast<uint8_t>(255 - b1);
                    p[2] = static_cast<uint8_t>(255 - b2);
                    break;
                case 370: {
                    int y = static_cast<uint8_t>(g_t77[b0] + g_t151[b1] + g_t28[b2]);
                    p[0] = static_cast<uint8_t>(y);
                    p[1] = p[2] = static_cast<uint8_t>(y + 30 < 255 ? y + 30 : 255);
                    break;
                }
                case 750: {
                    int y = (b0 * 77 >> 8) + (b1 * 151 >> 8) + (b2 * 28 >> 8);
                    p[0] = static_cast<uint8_t>(y < 176 ? y + 80 : 255);
                    p[1] = static_cast<uint8_t>(y < 236 ? y + 20 : 255);
                    p[2] = static_cast<uint8_t>(y);
                    break;
                }
                default:
                    break;
            }
        }
    }
}

int ApplyShade(Image* image, int32_t code) {
    if (!image || !image->rows) return 0;
    if (code == kShadeRestoreA || code == kShadeRestoreB) {
        if (!image->savedCopy) return 0;
        SwapBackSavedCopy(image);
        image->shadeCode = 0;
        // The tone in force is applied again on the restored pixels, with a
        // fresh saved copy so that it stays undoable.
        if (image->toneCode) return ApplyTone(image, image->toneCode);
        return 1;
    }
    int passes = ShadePasses(code);
    if (passes == 0) return 0;
    if (!EnsureSavedCopy(image)) return 0;
    image->shadeCode = code;
    RunShade(image, passes);
    return 1;
}

int ApplyTone(Image* image, int32_t code) {
    if (!image || !image->rows) return 0;
    if (code == kToneRestore) {
        if (!image->savedCopy) return 0;
        SwapBackSavedCopy(image);
        image->toneCode = 0;
        if (image->shadeCode) return ApplyShade(image, image->shadeCode);
        return 1;
    }
    if (!IsTone(code)) return 0;
    if (!EnsureSavedCopy(image)) return 0;
    image->toneCode = code;
    ToneFilter(image, code);
    return 1;
}

}  // namespace render
