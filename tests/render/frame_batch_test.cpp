// Kept frame draws, drawn band by band, against the same draws made at once:
// the frames must be identical, on one and on two raster threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "raster_fixtures.h"
#include "render/drawable.h"
#include "render/frame_batch.h"
#include "render/quad.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

using namespace render;
using namespace raster_test;

struct DrawableDeleter {
    void operator()(Drawable* d) const {
        d->image = nullptr;  // the pictures belong to the scene
        DestroyDrawable(&d);
    }
};
using DrawablePtr = std::unique_ptr<Drawable, DrawableDeleter>;

// A standing figure: transparent margins of random width, an opaque body,
// soft edges of random alpha between them; some rows wholly transparent.
ImagePtr Figure(std::mt19937& rng, int w, int h) {
    ImagePtr img(AllocImage(w, h, w));
    for (int y = 0; y < h + 2; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(img->pixels) + static_cast<size_t>(y) * w;
        const bool empty = y >= h || rng() % 16 == 0;
        const int left = static_cast<int>(rng() % (w / 3)), right = w - static_cast<int>(rng() % (w / 3));
        const int soft = 1 + static_cast<int>(rng() % 9);
        for (int x = 0; x < w; ++x) {
            uint32_t alpha = 0;
            if (!empty && x >= left && x < right)
                alpha = x < left + soft || x >= right - soft ? 1 + rng() % 254 : 255;
            row[x] = alpha << 24 | (rng() & 0xFFFFFF);
        }
    }
    img->flags = kImgPngAlpha;
    return img;
}

struct Draw {
    DrawablePtr drawable;
    Layer* layer;
    SpanClip clip;
    bool flushBefore;  // an object that is not kept comes first
};

// A scene as the composer draws it: an opaque background, large pictures
// with alpha placed 1:1 (some covering others), pictures on random spans,
// and many glyph-sized pictures, more of them than the batch holds at once;
// every blend mode, smoothed or not, opaque and translucent, through a
// layer, inside a surface clip, with per-row limits, and dirty rectangles
// of any size.
struct Scene {
    std::vector<ImagePtr> pictures;
    std::vector<Draw> draws;
    std::vector<uint32_t> layerPixels;
    Layer layer{};
    ClipBytes surface = {4 * 37, 9, 4 * 901, 700};
    RowLimits limits{};

    Scene() {
        std::mt19937 rng(57);
        ImagePtr background = RandomImage(rng, 1024, 768, kImgPng);
        for (int i = 0; i < 4; ++i) {
            pictures.push_back(i < 2 ? Figure(rng, 420 + 60 * i, 500 + 40 * i)
                                     : RunImage(rng, 420 + 60 * i, 500 + 40 * i, kImgPngAlpha));
            // Most know their rows' extents, as loaded pictures do.
            if (i != 3) NoteRowExtents(pictures.back().get());
        }
        pictures.push_back(RandomImage(rng, 700, 500, kImgPng));
        for (int i = 0; i < 3; ++i) {
            pictures.push_back(RunImage(rng, 24, 24, kImgPngAlpha));
            NoteRowExtents(pictures.back().get());
        }
        layerPixels.resize(1024 * 768);
        for (uint32_t& l : layerPixels) l = rng() % 4 == 0 ? rng() & 0xFF000000u : rng();
        layer.pixels = layerPixels.data();
        for (int r = 0; r < 768; ++r) layer.rows[r] = layerPixels.data() + r * 1024;
        for (int r = 0; r < kQuadRows; ++r) {
            limits.left[r] = static_cast<int16_t>(rng() % 300);
            limits.right[r] = static_cast<int16_t>(600 + rng() % 500);
        }

        const SpanClip whole = {0, 0, 1024, 767};
        Add(background.get(), 0, 0, kBlendNormal, 255, nullptr, whole, false);
        pictures.push_back(std::move(background));
        const int32_t modes[] = {kBlendNormal, kBlendSmooth, kBlendAdd, kBlendSub, kBlendOverlay, kBlendMul};
        for (int i = 0; i < 1100; ++i) {
            const bool large = i % 25 == 0;
            SpanClip clip = whole;
            if (rng() % 4 == 0) {
                clip.left = static_cast<int32_t>(rng() % 400);
                clip.right = clip.left + 1 + static_cast<int32_t>(rng() % 700);
                clip.top = static_cast<int32_t>(rng() % 400);
                clip.bottom = clip.top + static_cast<int32_t>(rng() % 400);
            }
            const bool flush = rng() % 97 == 0;
            if (large) {
                Image* img = pictures[rng() % 5].get();
                // Mostly plain pictures drawn over whole: the case the bands
                // are for; every fourth in some other mode.
                const bool plain = rng() % 4 != 0;
                int32_t mode = plain ? kBlendNormal : modes[rng() % 6];
                uint8_t opacity = plain || rng() % 2 ? 255 : static_cast<uint8_t>(1 + rng() % 254);
                Draw& d = Add(img, static_cast<int>(rng() % 900) - 200, static_cast<int>(rng() % 500) - 100,
                              mode, opacity, plain ? nullptr : (rng() % 3 == 0 ? &layer : nullptr), clip,
                              flush);
                int extra = static_cast<int>(rng() % 6);
                if (extra == 0) RandomTables(rng, d.drawable->quad, img, rng() % 2 == 0);
                if (extra == 1) d.drawable->clip = &surface;
                if (extra == 2) d.drawable->quad->rowLimits = &limits;
                if (extra == 0) d.drawable->quad->rowsKnown = 0;
            } else {
                Image* glyph = pictures[5 + rng() % 3].get();
                Add(glyph, static_cast<int>(rng() % 1060) - 20, static_cast<int>(rng() % 790) - 20,
                    rng() % 8 == 0 ? modes[rng() % 6] : kBlendNormal,
                    rng() % 3 == 0 ? static_cast<uint8_t>(rng()) : 255, nullptr, clip, flush);
            }
        }
    }

    Draw& Add(Image* img, int x, int y, int32_t mode, uint8_t opacity, Layer* l, SpanClip clip,
              bool flush) {
        DrawablePtr d(WrapImage(nullptr, img));
        d->blendMode = mode & 0x1000;
        InstallBlendMode(d.get(), mode);
        d->opacity = opacity;
        TransformQuad(d->quad, nullptr, kQuadRows, x, y);
        draws.push_back({std::move(d), l, clip, flush});
        return draws.back();
    }

    // Draws the scene into `frame`, keeping the draws or not.
    void DrawInto(std::vector<uint32_t>* frame, bool keep) {
        if (keep) {
            EXPECT_TRUE(TakeFrameBatch());
        }
        for (Draw& d : draws) {
            d.drawable->destination = reinterpret_cast<uint8_t*>(frame->data());
            d.drawable->destinationStride = 4096;
            if (d.flushBefore) FlushFrameBatch();
            if (keep) BeginKeeping();
            DrawSpans(d.drawable.get(), d.layer, nullptr, &d.clip);
            if (keep) EndKeeping();
        }
        ReleaseFrameBatch();
    }
};

class FrameBatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (!core::RegistryInitialised()) {
            ASSERT_EQ(core::InitRegistry(), 1);
        }
        RegisterRasterizer();
        ResetScreenSurface();
    }
    void TearDown() override {
        StopWorkers();
        core::Current().workerCount = 1;
        SelectSpanIsa(BestSpanIsa());
    }
    void Workers(int count) {
        core::Current().workerCount = count;
        ASSERT_TRUE(StartWorkers());
        ASSERT_EQ(ActiveWorkers(), count);
    }
};

TEST_F(FrameBatch, KeptDrawsGiveTheFrameOfDrawsMadeAtOnce) {
    Scene scene;
    std::mt19937 rng(3);
    const std::vector<uint32_t> start = RandomFrame(rng);
    for (SpanIsa isa : Isas()) {
        SCOPED_TRACE(IsaName(isa));
        ASSERT_TRUE(SelectSpanIsa(isa));
        Workers(1);
        std::vector<uint32_t> atOnce = start;
        scene.DrawInto(&atOnce, false);
        ASSERT_FALSE(atOnce == start);
        for (int workers : {1, 2}) {
            SCOPED_TRACE(workers);
            Workers(workers);
            std::vector<uint32_t> kept = start;
            scene.DrawInto(&kept, true);
            EXPECT_EQ(KeptFrameDraws(), 0);
            size_t differ = 0;
            for (size_t i = 0; i < kept.size(); ++i) differ += kept[i] != atOnce[i];
            EXPECT_EQ(differ, 0u);
        }
    }
}

// What the batch keeps: only frame draws, only while keeping is on; a draw
// into a picture or with a transition parameter is made at once, after
// whatever was kept.
TEST_F(FrameBatch, OnlyFrameDrawsAreKeptAndOthersDrawWhatWasKeptFirst) {
    Workers(1);
    ImagePtr red(CreateBlankImage(64, 8, 0xFF0000, 255));
    ImagePtr target(CreateBlankImage(64, 8, 0, 255));
    std::vector<uint32_t> frame(1024 * 768, 0);
    DrawablePtr d(WrapImage(nullptr, red.get()));
    TransformQuad(d->quad, nullptr, kQuadRows, 0, 0);
    d->destination = reinterpret_cast<uint8_t*>(frame.data());
    d->destinationStride = 4096;
    const SpanClip whole = {0, 0, 1024, 767};

    EXPECT_EQ(DrawSpans(d.get(), nullptr, nullptr, &whole), 1);  // keeping is off
    EXPECT_EQ(KeptFrameDraws(), 0);
    EXPECT_EQ(frame[0], 0xFFFF0000u);
    frame.assign(frame.size(), 0);

    ASSERT_TRUE(TakeFrameBatch());
    BeginKeeping();
    EXPECT_EQ(DrawSpans(d.get(), nullptr, nullptr, &whole), 1);
    EXPECT_EQ(KeptFrameDraws(), 1);
    EXPECT_EQ(frame[0], 0u);  // not drawn yet
    // A draw into a picture is made at once, after the kept one.
    DrawablePtr into(WrapImage(nullptr, red.get()));
    TransformQuad(into->quad, nullptr, kQuadRows, 0, 0);
    into->target = target.get();
    into->destination = target->pixels;
    into->destinationStride = 64 * 4;
    EXPECT_EQ(DrawSpans(into.get(), nullptr, nullptr, &whole), 1);
    EXPECT_EQ(KeptFrameDraws(), 0);
    EXPECT_EQ(frame[0], 0xFFFF0000u);
    EXPECT_EQ(target->rows[0][0], 0xFFFF0000u);
    EndKeeping();
    ReleaseFrameBatch();
}

// One thread at a time holds the batch: while it does, another thread's
// frame draws are made at once and never touch what the holder keeps.
TEST_F(FrameBatch, AnotherThreadDrawsAtOnceWhileTheBatchIsHeld) {
    Workers(1);
    ImagePtr red(CreateBlankImage(64, 8, 0xFF0000, 255));
    std::vector<uint32_t> frame(1024 * 768, 0), other(1024 * 768, 0);
    const SpanClip whole = {0, 0, 1024, 767};
    auto drawable = [&](std::vector<uint32_t>* into) {
        DrawablePtr d(WrapImage(nullptr, red.get()));
        TransformQuad(d->quad, nullptr, kQuadRows, 0, 0);
        d->destination = reinterpret_cast<uint8_t*>(into->data());
        d->destinationStride = 4096;
        return d;
    };
    DrawablePtr mine = drawable(&frame), theirs = drawable(&other);
    ASSERT_TRUE(TakeFrameBatch());
    EXPECT_FALSE(TakeFrameBatch());  // held already: the outer taker releases
    BeginKeeping();
    DrawSpans(mine.get(), nullptr, nullptr, &whole);
    EXPECT_EQ(KeptFrameDraws(), 1);
    std::thread([&] {
        EXPECT_FALSE(TakeFrameBatch());
        BeginKeeping();  // not the holder: nothing kept
        EXPECT_EQ(DrawSpans(theirs.get(), nullptr, nullptr, &whole), 1);
        EXPECT_EQ(KeptFrameDraws(), 0);
        EndKeeping();
        ReleaseFrameBatch();  // not the holder: lets nothing go
    }).join();
    EXPECT_EQ(other[0], 0xFFFF0000u);
    EXPECT_EQ(frame[0], 0u);
    EXPECT_EQ(KeptFrameDraws(), 1);
    EndKeeping();
    ReleaseFrameBatch();
    EXPECT_EQ(frame[0], 0xFFFF0000u);
    std::thread([&] {
        EXPECT_TRUE(TakeFrameBatch());
        ReleaseFrameBatch();
    }).join();
}

}  // namespace
