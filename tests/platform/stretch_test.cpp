// The software stretches of the full-screen modes and the 4:3 screen area.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/stretch.h"

namespace {

using namespace platform;

TEST(FrameArea, LargestCentredFourByThree) {
    const struct {
        int w, h;
        Rect expected;
    } cases[] = {
        {1024, 768, {0, 0, 1024, 768}},
        {1280, 1024, {0, 32, 1280, 992}},   // 1280 x 960
        {1920, 1080, {240, 0, 1680, 1080}}, // 1440 x 1080
        {1366, 768, {171, 0, 1195, 768}},   // 1024 x 768
        {800, 600, {0, 0, 800, 600}},
        {1080, 1920, {0, 555, 1080, 1365}}, // portrait: 1080 x 810
        {0, 0, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Rect r = FrameAreaFor(c.w, c.h);
        EXPECT_EQ(r.left, c.expected.left) << c.w << "x" << c.h;
        EXPECT_EQ(r.top, c.expected.top) << c.w << "x" << c.h;
        EXPECT_EQ(r.right, c.expected.right) << c.w << "x" << c.h;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.w << "x" << c.h;
    }
}

using StretchFn = void (*)(const uint32_t*, int, int, int, uint32_t*, int, int, int, Rect);

std::vector<uint32_t> Stretch(StretchFn fn, const std::vector<uint32_t>& src, int sw, int sh, int dw, int dh) {
    std::vector<uint32_t> dst(static_cast<size_t>(dw) * dh, 0xDEADBEEF);
    fn(src.data(), sw, sw, sh, dst.data(), dw, dw, dh, Rect{0, 0, dw, dh});
    return dst;
}

TEST(Stretch, SameSizeIsAnExactCopy) {
    std::vector<uint32_t> src(64 * 48);
    std::mt19937 random(7);
    for (uint32_t& p : src) p = random();
    EXPECT_EQ(Stretch(StretchNearest, src, 64, 48, 64, 48), src);
    EXPECT_EQ(Stretch(StretchFiltered, src, 64, 48, 64, 48), src);
}

TEST(Stretch, NearestDoublesEveryPixel) {
    std::vector<uint32_t> src = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006};
    std::vector<uint32_t> dst = Stretch(StretchNearest, src, 3, 2, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dst[y * 6 + x], src[(y / 2) * 3 + x / 2]) << x << "," << y;
}

TEST(Stretch, FilteredKeepsFlatColoursAndBlendsNeighbours) {
    // A flat picture stays flat to the edges, alpha included: no darkening
    // from reading outside the picture.
    std::vector<uint32_t> flat(5 * 4, 0x80C04020);
    for (uint32_t p : Stretch(StretchFiltered, flat, 5, 4, 13, 11)) ASSERT_EQ(p, 0x80C04020u);

    // Two columns, black and white, doubled: the inner pixels are a quarter
    // and three quarters of the way, the outer ones the pure colours.
    std::vector<uint32_t> pair = {0xFF000000, 0xFFFFFFFF};
    std::vector<uint32_t> row = Stretch(StretchFiltered, pair, 2, 1, 4, 1);
    EXPECT_EQ(row[0], 0xFF000000u);
    EXPECT_EQ(row[1] & 0xFF, 0x3Fu);  // 255 * 64/256
    EXPECT_EQ(row[2] & 0xFF, 0xBFu);  // 255 * 192/256
    EXPECT_EQ(row[3], 0xFFFFFFFFu);
    EXPECT_EQ(row[1] >> 24, 0xFFu);
}

// Restretching only StretchedDirtyRect after a change must give the same
// picture as stretching everything again: the presenter relies on it to
// upload only the changed part.
TEST(Stretch, DirtyRectangleCoversEveryAffectedPixel) {
    const struct {
        int sw, sh, dw, dh;
    } sizes[] = {
        {1024, 768, 1440, 1080}, {1024, 768, 1280, 960}, {1024, 768, 800, 600},
        {1024, 768, 1025, 769},  {64, 48, 256, 192},     {64, 48, 448, 336},
        {64, 48, 150, 101},      {64, 48, 40, 30},
    };
    std::mt19937 random(11);
    for (StretchFn fn : {StretchNearest, StretchFiltered}) {
        for (const auto& size : sizes) {
            const int sw = size.sw, sh = size.sh;
            std::vector<uint32_t> before(static_cast<size_t>(sw) * sh);
            for (uint32_t& p : before) p = random();
            const Rect dirties[] = {{0, 0, 1, 1},
                                    {sw - 1, sh - 1, sw, sh},
                                    {sw / 2, sh / 3, sw / 2 + 1, sh / 3 + 2},
                                    {17, sh - 20, sw / 3, sh},
                                    {-5, -5, 3, 2}};
            std::vector<uint32_t> shown = Stretch(fn, before, sw, sh, size.dw, size.dh);
            for (const Rect& dirty : dirties) {
                std::vector<uint32_t> after = before;
                for (int y = std::max(dirty.top, 0); y < std::min(dirty.bottom, sh); ++y)
                    for (int x = std::max(dirty.left, 0); x < std::min(dirty.right, sw); ++x)
                        after[static_cast<size_t>(y) * sw + x] = ~after[static_cast<size_t>(y) * sw + x];
                std::vector<uint32_t> partial = shown;
                Rect area = StretchedDirtyRect(dirty, sw, sh, size.dw, size.dh);
                fn(after.data(), sw, sw, sh, partial.data(), size.dw, size.dw, size.dh, area);
                std::vector<uint32_t> full = Stretch(fn, after, sw, sh, size.dw, size.dh);
                ASSERT_TRUE(partial == full)
                    << (fn == StretchNearest ? "nearest " : "filtered ") << sw << "x" << sh << " to "
                    << size.dw << "x" << size.dh << " dirty " << dirty.left << "," << dirty.top << "-"
                    << dirty.right << "," << dirty.bottom;
            }
        }
    }
    EXPECT_EQ(StretchedDirtyRect(Rect{5, 5, 5, 9}, 1024, 768, 1440, 1080).right, 0) << "empty stays empty";
}

TEST(Stretch, WritesOnlyInsideTheArea) {
    std::vector<uint32_t> src(32 * 24, 0xFF123456);
    std::vector<uint32_t> dst(64 * 48, 0);
    for (StretchFn fn : {StretchNearest, StretchFiltered}) {
        std::fill(dst.begin(), dst.end(), 0);
        fn(src.data(), 32, 32, 24, dst.data(), 64, 64, 48, Rect{10, 5, 20, 7});
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                bool inside = x >= 10 && x < 20 && y >= 5 && y < 7;
                ASSERT_EQ(dst[y * 64 + x], inside ? 0xFF123456u : 0u) << x << "," << y;
            }
        // An area reaching outside the destination is clamped, not written past.
        fn(src.data(), 32, 32, 24, dst.data(), 64, 64, 48, Rect{-10, -10, 100, 100});
    }
}

}  // namespace
