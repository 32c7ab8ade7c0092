// Span routines against a plain per-pixel reference written from the pixel
// rules, on random pictures, span tables, clips and layers; the worker split
// against one thread; and the worked examples of the blend modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "render/image_load.h"
#include "raster_fixtures.h"
#include "render/raster.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

using namespace render;
using namespace raster_test;

// ---- the reference ------------------------------------------------------------

int Byte(uint32_t p, int b) { return (p >> (8 * b)) & 0xFF; }

uint32_t RefTexel(const Image* img, int32_t u, int32_t v) {
    int32_t row = std::clamp(v >> 16, 0, img->height * 4 - 1);
    int32_t col = std::clamp(u >> 16, 0, img->width - 1);
    return img->rows[row][col];
}

uint32_t RefSmooth(const Image* img, int32_t u, int32_t v) {
    int32_t maxRow = img->height * 4 - 1;
    int32_t col = std::clamp(u >> 16, 0, img->width - 1);
    int32_t row = std::clamp(v >> 16, 0, maxRow);
    int32_t col1 = std::min(col + 1, img->width - 1);
    int32_t row1 = std::min(row + 1, maxRow);
    int fu = (u >> 8) & 0xFF, fv = (v >> 8) & 0xFF;
    uint32_t out = 0;
    for (int b = 0; b < 4; ++b) {
        int top = (Byte(img->rows[row][col], b) * (255 - fu) >> 8) +
                  (Byte(img->rows[row][col1], b) * fu >> 8);
        int bottom = (Byte(img->rows[row1][col], b) * (255 - fu) >> 8) +
                     (Byte(img->rows[row1][col1], b) * fu >> 8);
        int t = std::min(255, (top * (255 - fv) >> 8) + (bottom * fv >> 8));
        out |= static_cast<uint32_t>(t) << (8 * b);
    }
    return out;
}

struct RefJob {
    const Drawable* d;
    const Layer* layer;
    const RasterParam* param;  // parametrised when set
    SpanClip clip;  // bottom row included
};

// Per-byte weights of the pixel at (x, r), all 0 when skipped.
void RefWeights(const RefJob& job, uint32_t texel, int32_t x, int32_t r, int w4[4]) {
    const Drawable* d = job.d;
    int w;
    if (job.param) {
        w = Byte(texel, 3) * job.param->alphaTable[job.param->map[r * 1024 + x]] / 256;
    } else {
        w = (d->image->flags & kImgAlpha) ? Byte(texel, 3) : 255;
        if (d->opacity < 255) w = w * d->opacity >> 8;
    }
    for (int b = 0; b < 4; ++b) w4[b] = w;
    if (w == 0) return;
    if (job.layer) {
        uint32_t l = job.layer->rows[r][x];
        for (int b = 0; b < 4; ++b) w4[b] = (l & 0xFFFFFF) == 0 ? 0 : w * Byte(l, b) >> 8;
    }
}

void RefDraw(const RefJob& job, std::vector<uint32_t>& frame) {
    const Drawable* d = job.d;
    const Quad& q = *d->quad;
    int32_t mode = d->blendMode;
    int32_t kind = mode & 0xFFF;
    bool smooth = mode == kBlendSmooth;
    int32_t left = std::max(job.clip.left, 0), right = std::min(job.clip.right, 1024);
    int32_t top = std::max(job.clip.top, 0), bottom = std::min(job.clip.bottom + 1, 768);
    if (d->clip) {
        left = std::max(left, d->clip->leftBytes / 4);
        right = std::min(right, d->clip->leftBytes / 4 + d->clip->widthBytes / 4);
        top = std::max(top, d->clip->top);
        bottom = std::min(bottom, d->clip->top + d->clip->height);
    }
    for (int32_t r = top; r < bottom; ++r) {
        const int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= 1024 || maxX < 0 || q.spanWidth[r] == 0) continue;
        int32_t x0 = std::max<int32_t>({minX, left, 0});
        int32_t x1 = std::min<int32_t>(maxX, right);
        if (q.rowLimits) {
            x0 = std::max<int32_t>(x0, q.rowLimits->left[r]);
            x1 = std::min<int32_t>(x1, q.rowLimits->right[r]);
        }
        auto texelAt = [&](int32_t x) {
            uint32_t k = static_cast<uint32_t>(x - minX);
            int32_t u = static_cast<int32_t>(static_cast<uint32_t>(q.spanU[r]) +
                                             k * static_cast<uint32_t>(q.spanDU[r]));
            int32_t v = static_cast<int32_t>(static_cast<uint32_t>(q.spanV[r]) +
                                             k * static_cast<uint32_t>(q.spanDV[r]));
            if (kind == 0x101 && d->image->flags == kImgColour && d->opacity == 255 && !job.param &&
                !smooth) {
                return d->image->rows[0][0];
            }
            return smooth ? RefSmooth(d->image, u, v) : RefTexel(d->image, u, v);
        };
        auto full = [&](int32_t x) {
            if (x < x0 || x >= x1) return true;  // no partner in this row: alone
            int w4[4];
            RefWeights(job, texelAt(x), x, r, w4);
            return !job.layer && w4[0] == 255;
        };
        for (int32_t x = x0; x < x1; ++x) {
            uint32_t s = texelAt(x);
            int w4[4];
            RefWeights(job, s, x, r, w4);
            if (w4[0] == 0 && !job.layer) continue;
            if (job.layer && (job.layer->rows[r][x] & 0xFFFFFF) == 0) continue;
            bool store = full(x) && full(x ^ 1);
            uint32_t& dst = frame[r * 1024 + x];
            uint32_t out = 0;
            for (int b = 0; b < 4; ++b) {
                int sb = Byte(s, b), db = Byte(dst, b), w = w4[b], res;
                if (kind == 2) {
                    res = std::min(255, store ? db + sb : db + (sb * w >> 8));
                } else if (kind == 3) {
                    res = std::max(0, store ? db - sb : db - (sb * w >> 8));
                } else {
                    int o = sb;
                    if (kind == 4) {
                        bool high = b == 3 ? db > 0 : db > 127;
                        o = high ? 255 - ((255 - sb) * (255 - db) >> 7) : sb * db >> 7;
                        o = std::clamp(o, 0, 255);
                    } else if (kind == 5) {
                        o = sb * db / 256;
                    }
                    res = store ? o : db + ((o - db) * w >> 8);
                }
                out |= static_cast<uint32_t>(res) << (8 * b);
            }
            dst = out;
        }
    }
}

class Raster : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterRasterizer();
        ResetScreenSurface();  // the whole frame: the drawable's clip
        frame_.assign(1024 * 768, 0);
        d_ = CreateDrawable(nullptr);
        ASSERT_NE(d_, nullptr);
    }
    void TearDown() override {
        d_->image = nullptr;  // images are owned by the test
        DestroyDrawable(&d_);
        SelectSpanIsa(BestSpanIsa());
    }
    // Draws `job` with every instruction set, each from `start`, and
    // returns how many pixels differ from `expected` (0 when all agree).
    size_t DiffEveryIsa(Layer* layer, RasterParam* param, const SpanClip& clip,
                        const std::vector<uint32_t>& start, const std::vector<uint32_t>& expected) {
        size_t diff = 0;
        for (SpanIsa isa : Isas()) {
            EXPECT_TRUE(SelectSpanIsa(isa));
            frame_ = start;
            Draw(layer, param, clip);
            size_t here = 0;
            for (size_t i = 0; i < expected.size(); ++i) here += frame_[i] != expected[i];
            if (here) ADD_FAILURE() << IsaName(isa) << ": " << here << " pixels differ";
            diff += here;
        }
        return diff;
    }
    // Draws into frame_ (rows clip.top .. clip.bottom).
    void Draw(Layer* layer, RasterParam* param, const SpanClip& clip) {
        d_->destination = reinterpret_cast<uint8_t*>(frame_.data());
        d_->destinationStride = 4096;
        ASSERT_GE(DrawSpans(d_, layer, param, &clip), 0);
    }
    std::vector<uint32_t> frame_;
    Drawable* d_ = nullptr;
};

struct ModeCase {
    int32_t mode;
    const char* name;
};
const ModeCase kModes[] = {{kBlendNormal, "normal"}, {kBlendSmooth, "smooth"},
                           {kBlendAdd, "add"},       {kBlendSub, "sub"},
                           {kBlendOverlay, "overlay"}, {kBlendMul, "mul"}};

TEST_F(Raster, EveryRoutineMatchesTheReference) {
    std::mt19937 rng(7);
    std::vector<uint32_t> layerPixels(1024 * 768);
    std::vector<uint32_t*> layerRows(768);
    for (size_t i = 0; i < layerPixels.size(); ++i) {
        uint32_t l = rng();
        if (rng() % 5 == 0) l &= 0xFF000000u;  // colour bytes 0: skipped
        layerPixels[i] = l;
    }
    for (int r = 0; r < 768; ++r) layerRows[r] = layerPixels.data() + r * 1024;
    Layer layer{};
    layer.pixels = layerPixels.data();
    for (int r = 0; r < 768; ++r) layer.rows[r] = layerRows[r];
    std::vector<uint8_t> map(1024 * 768);
    for (auto& m : map) m = static_cast<uint8_t>(rng());
    uint8_t alphaTable[256];
    for (auto& a : alphaTable) a = rng() % 3 == 0 ? 255 : static_cast<uint8_t>(rng());
    RasterParam param = {map.data(), alphaTable};
    ClipBytes surface = {4 * 30, 20, 4 * 900, 700};
    const std::vector<uint32_t> startFrame = RandomFrame(rng);

    int cases = 0;
    for (const ModeCase& m : kModes) {
        for (uint16_t flags : {kImgPngAlpha, kImgPng}) {
            for (int opacity : {255, 254, 128, 1}) {
                for (int variant = 0; variant < 4; ++variant) {  // plain, layer, param, surface clip
                    // Tables: any steps, unit steps, or an unscaled picture
                    // (read in place) at a random column.
                    const int tables = cases % 3;
                    SCOPED_TRACE(::testing::Message() << m.name << " flags " << flags << " opacity "
                                                      << opacity << " variant " << variant
                                                      << " tables " << tables);
                    const int w = tables == 2 ? 1 + static_cast<int>(rng() % 90) : 37 + cases % 5;
                    ImagePtr img = cases % 2 ? RunImage(rng, w, 29, flags)
                                             : RandomImage(rng, w, 29, flags);
                    // Half the pictures with alpha know their rows' extents,
                    // as loaded ones do: the routines then skip what the
                    // extents say is transparent.
                    if (cases % 4 < 2) NoteRowExtents(img.get());
                    if (tables == 2) {
                        PlaceUnscaled(d_->quad, static_cast<int>(rng() % 1100) - 40,
                                      static_cast<int>(rng() % 760), w, 29);
                    } else {
                        RandomTables(rng, d_->quad, img.get(), tables == 1);
                    }
                    d_->image = img.get();
                    d_->blendMode = 0;
                    if (m.mode == kBlendSmooth) {
                        ASSERT_EQ(SetSmoothing(d_, 1), 1);
                    } else {
                        InstallBlendMode(d_, m.mode);
                    }
                    ASSERT_EQ(d_->blendMode, m.mode);
                    d_->opacity = static_cast<uint8_t>(opacity);
                    d_->clip = variant == 3 ? &surface : nullptr;
                    Layer* l = variant == 1 ? &layer : nullptr;
                    RasterParam* p = variant == 2 ? &param : nullptr;
                    int32_t top = static_cast<int32_t>(rng() % 700);
                    SpanClip clip = {static_cast<int32_t>(rng() % 200), top,
                                       700 + static_cast<int32_t>(rng() % 400),
                                       top + 40 + static_cast<int32_t>(rng() % 100)};
                    if (tables == 2) clip = {static_cast<int32_t>(rng() % 1024), 0, 1024, 767};
                    std::vector<uint32_t> expected = startFrame;
                    RefDraw({d_, l, p, clip}, expected);
                    ASSERT_EQ(DiffEveryIsa(l, p, clip, startFrame, expected), 0u);
                    ++cases;
                }
            }
        }
    }
}

// A picture that knows its rows' extents is drawn only where its texels are
// not transparent, yet every pixel as the reference draws it: an opaque
// texel next to a transparent one is blended, not stored (its pair is not
// two full weights), whichever column the picture starts at.
TEST_F(Raster, RowExtentsLeaveEveryPixelAsTheReferenceDrawsIt) {
    std::mt19937 rng(19);
    const std::vector<uint32_t> start = RandomFrame(rng);
    const SpanClip whole = {0, 8, 1024, 13};
    for (const ModeCase& m : kModes) {
        for (int prefix = 0; prefix < 4; ++prefix) {
            for (int suffix = 0; suffix < 4; ++suffix) {
                for (int x = 0; x < 2; ++x) {
                    SCOPED_TRACE(::testing::Message() << m.name << " transparent " << prefix << " + "
                                                      << suffix << " at column " << x);
                    const int w = 12;
                    ImagePtr img(AllocImage(w, 2, w));
                    for (int c = 0; c < w; ++c) {
                        bool visible = c >= prefix && c < w - suffix;
                        img->rows[0][c] = (visible ? 0xFF000000u : 0) | (rng() & 0xFFFFFF);
                        img->rows[1][c] = rng() & 0xFFFFFF;  // a wholly transparent row
                    }
                    img->flags = kImgPngAlpha;
                    NoteRowExtents(img.get());
                    ASSERT_NE(img->extents, nullptr);
                    PlaceUnscaled(d_->quad, 100 + x, 10, w, 2);
                    d_->image = img.get();
                    d_->blendMode = m.mode & 0x1000;
                    InstallBlendMode(d_, m.mode);
                    d_->opacity = 255;
                    d_->clip = nullptr;
                    std::vector<uint32_t> expected = start;
                    RefDraw({d_, nullptr, nullptr, whole}, expected);
                    ASSERT_EQ(DiffEveryIsa(nullptr, nullptr, whole, start, expected), 0u);
                }
            }
        }
    }
}

TEST_F(Raster, WorkedExamples) {
    struct Case {
        const char* what;
        int32_t mode;
        uint16_t flags;
        uint8_t opacity;
        uint32_t texel, dest, expected;
    };
    const Case cases[] = {
        // w = 255 * 128 >> 8 = 127: 100 -> 49, 160 -> 79, 200 -> 99.
        {"normal at 128 over black gives half", kBlendNormal, kImgPng, 128, 0xFFC8A064u, 0xFF000000u,
         0xFF634F31u},
        {"add at 128 adds half", kBlendAdd, kImgPng, 128, 0xFFC8A064u, 0xFF101010u, 0xFF735F41u},
        // (s * d) >> 8 with s = 255 gives d - 1 for every d above 0.
        {"multiply by white", kBlendMul, kImgPng, 255, 0xFFFFFFFFu, 0x80123456u, 0x7F113355u},
        {"multiply by black gives black", kBlendMul, kImgPng, 255, 0xFF000000u, 0x80123456u,
         0x7F000000u},
        {"overlay grey 128 over 100 gives 100", kBlendOverlay, kImgPng, 255, 0x00808080u,
         0x00646464u, 0x00646464u},
        {"alpha 0 draws nothing", kBlendAdd, kImgPngAlpha, 255, 0x00FFFFFFu, 0x80123456u,
         0x80123456u},
        {"subtract saturates", kBlendSub, kImgPng, 255, 0xFF808080u, 0xFF40C0FFu, 0x0000407Fu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImagePtr img(CreateBlankImage(4, 2, c.texel & 0xFFFFFF, c.texel >> 24));
        img->flags = c.flags;
        d_->image = img.get();
        d_->blendMode = 0;
        InstallBlendMode(d_, c.mode);
        d_->opacity = c.opacity;
        PlaceUnscaled(d_->quad, 10, 10, 4, 2);
        std::fill(frame_.begin(), frame_.end(), c.dest);
        Draw(nullptr, nullptr, {0, 0, 1024, 767});
        EXPECT_EQ(frame_[10 * 1024 + 11], c.expected);
        EXPECT_EQ(frame_[10 * 1024 + 14], c.dest);  // right edge exclusive
    }
}

TEST_F(Raster, SpanLeftOfTheFrameAdvancesTheTexture) {
    ImagePtr img(AllocImage(40, 1, 40));
    for (int x = 0; x < 40; ++x) img->rows[0][x] = 0xFF000000u | x;
    img->flags = kImgPng;
    d_->image = img.get();
    PlaceUnscaled(d_->quad, -10, 5, 40, 1);
    Draw(nullptr, nullptr, {0, 0, 1024, 767});
    EXPECT_EQ(frame_[5 * 1024 + 0], 0xFF00000Au);
    EXPECT_EQ(frame_[5 * 1024 + 29], 0xFF000027u);
    EXPECT_EQ(frame_[5 * 1024 + 30], 0u);
}

TEST_F(Raster, ColourImagesFillWithTheirFirstPixel) {
    ImagePtr img(AllocImage(2, 1, 2));
    img->rows[0][0] = 0xFF112233u;
    img->rows[0][1] = 0xFF445566u;
    img->flags = kImgColour;
    d_->image = img.get();
    EXPECT_EQ(SetSmoothing(d_, 1), 0);
    PlaceUnscaled(d_->quad, 0, 0, 2, 1);
    d_->quad->spanWidth[0] = 50;
    d_->quad->edgeMax[0] = 50;
    Draw(nullptr, nullptr, {0, 0, 1024, 767});
    EXPECT_EQ(frame_[49], 0xFF112233u);
}

// Smoothing reads rows through the row table: pictures one texel wide or
// high, and a table that is not the usual evenly spaced one (rows in
// reverse order, a spare row elsewhere), sample as the reference does.
TEST_F(Raster, SmoothingFollowsTheRowTable) {
    struct Case {
        const char* what;
        int w, h;
        bool reversed;
    };
    const Case cases[] = {
        {"evenly spaced", 40, 30, false}, {"rows reversed", 40, 30, true},
        {"one texel wide", 1, 30, false}, {"one texel high", 40, 1, false},
        {"one texel", 1, 1, true},
    };
    std::mt19937 rng(13);
    const std::vector<uint32_t> start = RandomFrame(rng);
    const SpanClip whole = {0, 0, 1024, 767};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImagePtr img = RunImage(rng, c.w, c.h, kImgPngAlpha);
        if (c.reversed) {
            std::reverse(img->rows, img->rows + c.h);
            std::fill(img->rows + c.h, img->rows + 4 * c.h, img->rows[0]);
        }
        RandomTables(rng, d_->quad, img.get(), false);
        d_->image = img.get();
        d_->blendMode = 0;
        ASSERT_EQ(SetSmoothing(d_, 1), 1);
        for (int opacity : {255, 100}) {
            d_->opacity = static_cast<uint8_t>(opacity);
            std::vector<uint32_t> expected = start;
            RefDraw({d_, nullptr, nullptr, whole}, expected);
            ASSERT_EQ(DiffEveryIsa(nullptr, nullptr, whole, start, expected), 0u);
        }
    }
}

TEST(RasterModes, InstallAndSmoothing) {
    RegisterRasterizer();
    Drawable* d = CreateDrawable(nullptr);
    struct Case {
        int32_t current, request, expected;
    };
    for (const Case& c : {Case{kBlendNormal, 2, 2}, Case{kBlendNormal, 0x1005, 5},
                          Case{kBlendSmooth, 0x0101, kBlendSmooth}, Case{kBlendSmooth, 7, kBlendSmooth},
                          Case{kBlendNormal, 0, kBlendNormal}, Case{kBlendAdd, 0x0101, kBlendNormal}}) {
        d->blendMode = c.current;
        InstallBlendMode(d, c.request);
        EXPECT_EQ(d->blendMode, c.expected) << c.current << " " << c.request;
    }
    d->blendMode = kBlendAdd;
    SetSmoothing(d, 1);
    EXPECT_EQ(d->blendMode, kBlendAdd);  // only normal mode keeps the bit
    d->blendMode = kBlendNormal;
    SetSmoothing(d, 1);
    EXPECT_EQ(d->blendMode, kBlendSmooth);
    SetSmoothing(d, 0);
    EXPECT_EQ(d->blendMode, kBlendNormal);
    // UnSmoothing clears every bit above the low twelve, not only smoothing's.
    for (int32_t mode : {0x7101, 0x2003, 0xF005}) {
        d->blendMode = mode;
        SetSmoothing(d, 0);
        EXPECT_EQ(d->blendMode & ~0x0FFF, 0) << mode;
        EXPECT_EQ(d->blendMode, (mode & 0xFFF) == 0x101 ? kBlendNormal : (mode & 0xFFF)) << mode;
    }
    DestroyDrawable(&d);
    EXPECT_EQ(d, nullptr);
}

// Which draws are shared, and how: the bands tile the clip exactly (whole
// rows of its full width, in order, none empty) and the rows with spans are
// spread over at least two bands.
TEST_F(Raster, BandsTileTheClipOfASharedDraw) {
    struct Case {
        const char* what;
        int x, y, w, h;
        SpanClip clip;
        bool shared;
    };
    const Case cases[] = {
        {"whole frame", 0, 0, 1024, 768, {0, 0, 1024, 767}, true},
        {"a figure", 212, 68, 600, 700, {0, 0, 1024, 767}, true},
        {"a wide strip of rows", 0, 300, 1024, 100, {0, 0, 1024, 767}, true},
        {"the clip cuts the rows", 0, 0, 1024, 768, {5, 100, 1019, 299}, true},
        {"odd clip width", -7, 3, 1030, 760, {1, 2, 1024, 766}, true},
        {"a glyph", 40, 560, 24, 24, {0, 0, 1024, 767}, false},
        {"three columns wide", 0, 0, 1024, 768, {10, 0, 13, 767}, false},
        {"few pixels", 0, 0, 1024, 768, {10, 0, 40, 767}, false},
        {"outside the clip", 0, 500, 1024, 200, {0, 0, 1024, 400}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaceUnscaled(d_->quad, c.x, c.y, c.w, c.h);
        BandPlan plan;
        ASSERT_EQ(PlanBands(*d_->quad, c.clip, &plan), c.shared);
        if (!c.shared) continue;
        ASSERT_GE(plan.count, 2);
        EXPECT_GE(plan.pixels, 32768);
        int32_t next = c.clip.top, bandsWithSpans = 0;
        for (int32_t b = 0; b < plan.count; ++b) {
            SpanClip band = BandClip(plan, b);
            EXPECT_EQ(band.left, c.clip.left);
            EXPECT_EQ(band.right, c.clip.right);
            EXPECT_EQ(band.top, next) << "band " << b;
            EXPECT_LE(band.top, band.bottom) << "band " << b;
            next = band.bottom + 1;
            bandsWithSpans += band.bottom >= c.y && band.top < c.y + c.h;
        }
        EXPECT_EQ(next, c.clip.bottom + 1);
        EXPECT_GE(bandsWithSpans, 2);
    }
}

TEST_F(Raster, OneAndTwoWorkersDrawIdenticalFrames) {
    if (!core::RegistryInitialised()) {
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    std::mt19937 rng(11);
    for (const ModeCase& m : kModes) {
        SCOPED_TRACE(m.name);
        ImagePtr img = RandomImage(rng, 64, 48, kImgPngAlpha);
        RandomTables(rng, d_->quad, img.get(), false);
        d_->image = img.get();
        d_->blendMode = m.mode & 0x1000;
        InstallBlendMode(d_, m.mode);
        d_->opacity = 200;
        std::vector<uint32_t> start = RandomFrame(rng);
        SpanClip clip = {3, 2, 1001, 700};  // odd left, rows short of the frame

        core::Current().workerCount = 1;
        ASSERT_TRUE(StartWorkers());
        EXPECT_EQ(ActiveWorkers(), 1);
        frame_ = start;
        Draw(nullptr, nullptr, clip);
        std::vector<uint32_t> single = frame_;
        StopWorkers();

        core::Current().workerCount = 2;
        ASSERT_TRUE(StartWorkers());
        EXPECT_EQ(ActiveWorkers(), 2);
        frame_ = start;
        Draw(nullptr, nullptr, clip);
        StopWorkers();
        EXPECT_EQ(ActiveWorkers(), 1);
        EXPECT_TRUE(single == frame_);
        EXPECT_FALSE(single == start);
    }
    core::Current().workerCount = 1;
}

// Pictures smaller than the clip, anywhere in the frame (a glyph, a picture
// in one half, one across the middle, one at an odd column touching the
// frame edge, and two wide ones in a part of the rows): one and two workers
// both give the reference's frame.
TEST_F(Raster, SmallPicturesInAWholeFrameClipMatchTheReference) {
    if (!core::RegistryInitialised()) {
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    struct Place {
        int x, y, w, h;
    };
    const Place places[] = {
        {40, 560, 24, 24}, {600, 100, 300, 200}, {401, 7, 301, 300}, {-13, 611, 997, 157},
        {1001, 0, 23, 768},
        // Large enough to be shared whenever there are two workers: bands
        // start far below the clip's top, or end far above its bottom.
        {151, 380, 760, 388}, {-13, 3, 1030, 300},
    };
    std::mt19937 rng(5);
    const std::vector<uint32_t> start = RandomFrame(rng);
    SpanClip whole = {0, 0, 1024, 767};
    for (int workers : {1, 2}) {
        core::Current().workerCount = workers;
        ASSERT_TRUE(StartWorkers());
        for (const ModeCase& m : kModes) {
            for (const Place& p : places) {
                for (int opacity : {255, 200}) {
                    SCOPED_TRACE(::testing::Message() << m.name << " workers " << workers << " at "
                                                      << p.x << "," << p.y << " opacity " << opacity);
                    ImagePtr img = RandomImage(rng, std::max(p.w, 4), p.h, kImgPngAlpha);
                    PlaceUnscaled(d_->quad, p.x, p.y, p.w, p.h);
                    d_->image = img.get();
                    d_->blendMode = m.mode & 0x1000;
                    InstallBlendMode(d_, m.mode);
                    d_->opacity = static_cast<uint8_t>(opacity);
                    d_->clip = nullptr;
                    std::vector<uint32_t> expected = start;
                    RefDraw({d_, nullptr, nullptr, whole}, expected);
                    ASSERT_EQ(DiffEveryIsa(nullptr, nullptr, whole, start, expected), 0u);
                }
            }
        }
        StopWorkers();
    }
    core::Current().workerCount = 1;
}

// A clip of odd width that cuts the picture: the column right of the clip
// keeps its pixels on two threads as on one: sharing a draw never widens
// its clip (not even to make the width even).
TEST_F(Raster, ASharedDrawLeavesTheColumnRightOfAnOddClipAlone) {
    if (!core::RegistryInitialised()) {
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    std::mt19937 rng(41);
    ImagePtr img = RandomImage(rng, 1024, 768, kImgPngAlpha);
    PlaceUnscaled(d_->quad, 0, 0, 1024, 768);
    d_->image = img.get();
    InstallBlendMode(d_, kBlendNormal);
    d_->opacity = 200;
    const std::vector<uint32_t> start = RandomFrame(rng);
    for (int32_t right : {1023, 601}) {
        SpanClip clip = {0, 0, right, 767};
        for (int workers : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << "right " << right << " workers " << workers);
            core::Current().workerCount = workers;
            ASSERT_TRUE(StartWorkers());
            frame_ = start;
            Draw(nullptr, nullptr, clip);
            StopWorkers();
            bool leftOfItDrawn = false;
            for (int r = 0; r < 768; ++r) {
                ASSERT_EQ(frame_[r * 1024 + right], start[r * 1024 + right]) << "row " << r;
                leftOfItDrawn |= frame_[r * 1024 + right - 1] != start[r * 1024 + right - 1];
            }
            EXPECT_TRUE(leftOfItDrawn);
        }
    }
    core::Current().workerCount = 1;
}

// A run of shared draws, one after another as the composer issues them:
// every mode, plain, through a layer, with a transition map, inside a surface
// clip, and into a target picture narrower and shorter than the frame (its
// rows are not frame rows); pictures placed 1:1 (the copy path) or on random
// spans, clips whose height is no multiple of any band. Every draw is large
// enough to be shared even when the worker sleeps. After every draw two
// threads leave exactly the frame and target that one thread leaves.
TEST_F(Raster, ARunOfSharedDrawsMatchesOneThread) {
    if (!core::RegistryInitialised()) {
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    std::mt19937 setup(23);
    std::vector<uint32_t> layerPixels(1024 * 768);
    for (uint32_t& l : layerPixels) l = setup() % 4 == 0 ? setup() & 0xFF000000u : setup();
    Layer layer{};
    layer.pixels = layerPixels.data();
    for (int r = 0; r < 768; ++r) layer.rows[r] = layerPixels.data() + r * 1024;
    std::vector<uint8_t> map(1024 * 768);
    for (uint8_t& m : map) m = static_cast<uint8_t>(setup());
    uint8_t alphaTable[256];
    for (uint8_t& a : alphaTable) a = setup() % 3 == 0 ? 255 : static_cast<uint8_t>(setup());
    RasterParam param = {map.data(), alphaTable};
    ClipBytes surface = {4 * 101, 13, 4 * 777, 690};
    const std::vector<uint32_t> startFrame = RandomFrame(setup);
    ImagePtr target(AllocImage(1001, 613, 1001));
    std::vector<uint32_t> startTarget(1001 * 613);
    for (uint32_t& p : startTarget) p = setup();

    enum Variant { kPlain, kLayer, kParam, kSurface, kTarget, kVariants };
    // Per draw: a digest of the frame and of the target; the last frame whole.
    auto digest = [](const uint32_t* p, size_t n) {
        uint64_t h = 1469598103934665603ull;
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
        return h;
    };
    auto run = [&](int workers, std::vector<uint64_t>* digests, std::vector<uint32_t>* last) {
        core::Current().workerCount = workers;
        ASSERT_TRUE(StartWorkers());
        ASSERT_EQ(ActiveWorkers(), workers);
        std::mt19937 rng(31);  // the same draws for both runs
        frame_ = startFrame;
        std::memcpy(target->pixels, startTarget.data(), startTarget.size() * 4);
        for (const ModeCase& m : kModes) {
            for (int variant = 0; variant < kVariants; ++variant) {
                uint16_t flags = variant % 2 ? kImgPng : kImgPngAlpha;
                ImagePtr img = RandomImage(rng, 1000, 720, flags);
                if (variant % 3 == 0) {
                    RandomTables(rng, d_->quad, img.get(), variant == 3);
                } else {
                    PlaceUnscaled(d_->quad, static_cast<int>(rng() % 40) - 20,
                                  static_cast<int>(rng() % 40), 1000, 720);
                }
                d_->image = img.get();
                d_->blendMode = m.mode & 0x1000;
                InstallBlendMode(d_, m.mode);
                d_->opacity = static_cast<uint8_t>(variant % 2 ? 255 : 90 + rng() % 160);
                d_->clip = variant == kSurface ? &surface : nullptr;
                int32_t top = static_cast<int32_t>(rng() % 50);
                SpanClip clip = {static_cast<int32_t>(rng() % 60), top,
                                 900 + static_cast<int32_t>(rng() % 125),
                                 700 + static_cast<int32_t>(rng() % 68)};
                Layer* l = variant == kLayer ? &layer : nullptr;
                RasterParam* p = variant == kParam ? &param : nullptr;
                if (variant == kTarget) {
                    d_->target = target.get();
                    d_->destination = target->pixels;
                    d_->destinationStride = target->width * 4;
                    ASSERT_GE(DrawSpans(d_, l, p, &clip), 0);
                    d_->target = nullptr;
                } else {
                    Draw(l, p, clip);
                }
                const uint32_t* t = reinterpret_cast<const uint32_t*>(target->pixels);
                digests->push_back(digest(frame_.data(), frame_.size()) ^
                                   (digest(t, startTarget.size()) << 1));
            }
        }
        StopWorkers();
        *last = frame_;
        const uint32_t* t = reinterpret_cast<const uint32_t*>(target->pixels);
        last->insert(last->end(), t, t + startTarget.size());
    };
    std::vector<uint64_t> one, two;
    std::vector<uint32_t> oneLast, twoLast;
    run(1, &one, &oneLast);
    run(2, &two, &twoLast);
    core::Current().workerCount = 1;
    ASSERT_EQ(one.size(), two.size());
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i], two[i]) << "after the " << kModes[i / kVariants].name << " draw, variant "
                                  << i % kVariants;
    }
    EXPECT_TRUE(oneLast == twoLast);
    EXPECT_FALSE(std::equal(startFrame.begin(), startFrame.end(), oneLast.begin()));
    EXPECT_FALSE(std::equal(startTarget.begin(), startTarget.end(), oneLast.begin() + startFrame.size()));
}

// A worker that runs late (a loaded machine) is waited for: every band it
// took is drawn before ShareBands returns, since its bands read the
// caller's data. Here the worker's band takes 1.2 s; the calling thread's
// band first waits (bounded) until the worker has taken one.
struct LateWorker {
    std::thread::id caller;
    std::atomic<int> workerStarted{0};
    std::atomic<int> drawn{0};
};

int LateBand(void* context, int32_t) {
    auto* job = static_cast<LateWorker*>(context);
    if (std::this_thread::get_id() == job->caller) {
        for (int i = 0; i < 5000 && !job->workerStarted.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
        job->workerStarted.store(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    }
    job->drawn.fetch_add(1);
    return 1;
}

TEST_F(Raster, ALateWorkerIsWaitedForAndItsBandsDrawn) {
    if (!core::RegistryInitialised()) {
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    core::Current().workerCount = 2;
    ASSERT_TRUE(StartWorkers());
    ASSERT_EQ(ActiveWorkers(), 2);
    LateWorker job;
    job.caller = std::this_thread::get_id();
    EXPECT_EQ(ShareBands(2, LateBand, &job), 1);
    EXPECT_EQ(job.drawn.load(), 2);
    EXPECT_EQ(job.workerStarted.load(), 1);
    EXPECT_EQ(ActiveWorkers(), 2);  // still shared afterwards
    StopWorkers();
    core::Current().workerCount = 1;
}

}  // namespace
