// The reference scene against its peers: an opaque full-frame background,
// three 600x700 pictures with alpha (about half transparent, half opaque,
// soft edges), a 1000x220 window plate at opacity 200 and 150 glyphs of
// 24x24 with alpha, the whole frame dirty. Drawn by our composer on one and
// two raster workers, by pixman (OVER, a constant mask for the opacity) on
// one thread and on two threads with one half-frame strip each, and compared
// with a frame-sized memcpy. Further peers: a translucent full-frame draw,
// a 15-degree rotated bilinear full-frame draw, and multiply / overlay
// full-frame draws against pixman's MULTIPLY and OVERLAY.
//
// The scene's parts alone (background, figures, plate, glyphs), drawn by our
// span routines and by pixman on one thread, show where the time goes.
//
// Run with --benchmark_repetitions=N and compare the medians; the two-thread
// cases report wall time (UseRealTime) and process CPU time.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "platform/processor.h"
#include "platform/sync.h"
#include "platform/wake_word.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/display.h"
#include "render/dirty_rect.h"
#include "render/image.h"
#include "render/image_decoders.h"
#include "render/raster.h"
#include "render/surface.h"
#include "scene/object_tree.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

constexpr int kW = 1024, kH = 768;
constexpr int32_t kKey = 78;

// Pixels of the scene's pictures, straight (not premultiplied) 0xAARRGGBB.
struct Picture {
    int w, h;
    std::vector<uint32_t> px;
};

Picture Background() {
    Picture p{kW, kH, std::vector<uint32_t>(kW * kH)};
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            p.px[y * kW + x] = 0xFF000000u | ((x * 255 / kW) << 16) | ((y * 255 / kH) << 8) |
                               ((x ^ y) & 0xFF);
    return p;
}

// A standing figure: opaque left of a wavy boundary near the middle,
// transparent right of it, with a 16-pixel soft edge between.
Picture Figure(int seed) {
    Picture p{600, 700, std::vector<uint32_t>(600 * 700)};
    std::mt19937 rng(seed);
    for (int y = 0; y < 700; ++y) {
        double edge = 300 + 60 * std::sin((y + seed * 40) / 50.0);
        for (int x = 0; x < 600; ++x) {
            double t = (edge - x) / 16.0 + 0.5;
            int a = t <= 0 ? 0 : t >= 1 ? 255 : static_cast<int>(t * 255);
            p.px[y * 600 + x] = (static_cast<uint32_t>(a) << 24) | (rng() & 0xFFFFFF);
        }
    }
    return p;
}

Picture Plate() {
    Picture p{1000, 220, std::vector<uint32_t>(1000 * 220)};
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 1000; ++x) p.px[y * 1000 + x] = 0xFF102040u + (y / 4) * 0x010101u;
    return p;
}

// A glyph-like coverage pattern: a ring with soft edges.
Picture Glyph(int seed) {
    Picture p{24, 24, std::vector<uint32_t>(24 * 24)};
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            double r = std::hypot(x - 11.5 + (seed % 3), y - 11.5);
            double t = 1.0 - std::fabs(r - 7.0) / 3.0;
            int a = t <= 0 ? 0 : t >= 1 ? 255 : static_cast<int>(t * 255);
            p.px[y * 24 + x] = (static_cast<uint32_t>(a) << 24) | 0xF0F0F0u;
        }
    return p;
}

struct Placed {
    const Picture* picture;
    int x, y;
    uint8_t opacity;
    bool alpha;
};

struct ReferenceScene {
    Picture background = Background();
    Picture figures[3] = {Figure(1), Figure(2), Figure(3)};
    Picture plate = Plate();
    Picture glyphs[3] = {Glyph(0), Glyph(1), Glyph(2)};
    std::vector<Placed> items;
    ReferenceScene() {
        items.push_back({&background, 0, 0, 255, false});
        for (int i = 0; i < 3; ++i) items.push_back({&figures[i], 212 * i, 68, 255, true});
        items.push_back({&plate, 12, 536, 200, false});
        for (int i = 0; i < 150; ++i)
            items.push_back({&glyphs[i % 3], 40 + 30 * (i % 30), 560 + 36 * (i / 30), 255, true});
    }
};

const ReferenceScene& Scene() {
    static ReferenceScene scene;
    return scene;
}

// ---- our composer -------------------------------------------------------

// The picture as the engine loads it from a file: through a decoder (a
// lossless CVSI file, so that pixman draws the very same pixels).
render::Image* LoadedPicture(const Picture& p, bool alpha) {
    std::vector<uint8_t> file(render::kCvsiHeaderSize + p.px.size() * 4);
    auto le = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(file.data(), "CVSI", 4);
    le(4, render::kCvsiMagic2, 4);
    le(8, alpha ? render::kImgPngAlpha : render::kImgJpeg, 2);
    le(10, p.w, 4);
    le(14, p.w, 4);
    le(18, p.h, 4);
    le(22, p.h, 4);
    std::memcpy(file.data() + render::kCvsiHeaderSize, p.px.data(), p.px.size() * 4);
    render::Image* image = render::DecodeCvsi(file.data(), file.size());
    if (!image) std::abort();
    return image;
}

void BuildEngineScene() {
    core::Current().quit = 0;
    core::Current().state = core::StatePlay;
    if (!core::Current().quitEvent) core::Current().quitEvent = platform::CreateEvent(true, false);
    if (!core::Current().stateChanged)
        core::Current().stateChanged = platform::CreateEvent(true, false);
    if (!core::RegistryInitialised()) core::InitRegistry();
    platform::SelectVideoDriver(true);
    platform::Video().createWindow("bench", kW, kH);
    render::RegisterRasterizer();
    render::CreateDisplay();
    scene::InitObjects();
    scene::AddTree(kKey);
    core::AcquireSceneLock();
    int n = 0;
    for (const Placed& item : Scene().items) {
        char name[16];
        std::snprintf(name, sizeof name, "item%d", n++);
        scene::SceneObject* o = scene::CreateObject(kKey, name);
        render::Image* image = LoadedPicture(*item.picture, item.alpha);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        o->image->opacity = item.opacity;
        render::TransformQuad(o->image->quad, nullptr, kH, item.x, item.y);
        o->ops.draw = scene::DrawObject;
        o->drawEnabled = 1;
    }
    core::ReleaseSceneLock();
}

void BM_ReferenceOurs(benchmark::State& state) {
    core::Current().workerCount = static_cast<int>(state.range(0));
    BuildEngineScene();
    render::StartWorkers();
    scene::World* world = scene::CurrentWorld();
    for (auto _ : state) {
        // The draw phase without the hand-off to the display.
        core::AcquireSceneLock();
        render::AddDirtyRect(0, 0, kW, kH);
        scene::SortDrawList(world);
        scene::UpdatePhase(world);
        bool occluded = false;
        scene::DrawObjects(scene::FindDrawStart(world, true, &occluded), true);
        render::ResetDirty();
        core::ReleaseSceneLock();
    }
    state.counters["workers"] = render::ActiveWorkers();
    render::StopWorkers();
    scene::ReleaseObjects();
    render::ReleaseDisplay();
}
BENCHMARK(BM_ReferenceOurs)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// ---- pixman ---------------------------------------------------------------

uint32_t Premultiply(uint32_t p) {
    uint32_t a = p >> 24;
    uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255,
             b = (p & 0xFF) * a / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// A pixman image over its own premultiplied copy of a picture.
struct PixmanPicture {
    std::vector<uint32_t> bits;
    pixman_image_t* image = nullptr;
    PixmanPicture(const Picture& p, bool alpha) : bits(p.px) {
        if (alpha)
            for (uint32_t& v : bits) v = Premultiply(v);
        image = pixman_image_create_bits(alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, p.w, p.h,
                                         bits.data(), p.w * 4);
    }
    ~PixmanPicture() { pixman_image_unref(image); }
    PixmanPicture(const PixmanPicture&) = delete;
    PixmanPicture& operator=(const PixmanPicture&) = delete;
};

pixman_image_t* OpacityMask(uint8_t opacity) {
    pixman_color_t c = {0, 0, 0, static_cast<uint16_t>(opacity * 257)};
    return pixman_image_create_solid_fill(&c);
}

// One helper thread that runs a job per call while the caller runs another:
// two strips drawn at once without creating threads per frame. The hand-off
// is as good as the raster worker's, so that the peer's two-thread figure is
// not held back by it: the helper polls for the next job for a while before
// it sleeps, is woken only when it sleeps, and is kept off the caller's
// processor (on a busy machine the system would otherwise wake it there and
// the caller would wait for it).
class StripHelper {
public:
    StripHelper() : thread_([this] { Loop(); }) {
        while (threadId_.load() < 0) std::this_thread::yield();
    }
    ~StripHelper() {
        stop_.store(true);
        Post();
        thread_.join();
    }
    void Run(const std::function<void()>& mine, const std::function<void()>& theirs) {
        int here = platform::CurrentProcessor();
        if (here != avoided_ && platform::KeepOffProcessor(threadId_.load(), here)) avoided_ = here;
        job_ = &theirs;
        uint32_t target = posted_.load() + 1;
        Post();
        mine();
        auto start = std::chrono::steady_clock::now();
        while (done_.load(std::memory_order_acquire) != target) {
            if (std::chrono::steady_clock::now() - start < std::chrono::microseconds(30)) {
                platform::SpinPause();
                continue;
            }
            callerAsleep_.store(1);
            uint32_t seen = done_.load();
            if (seen != target) platform::WaitWordChange(&done_, seen, 100);
            callerAsleep_.store(0);
        }
    }

private:
    void Post() {
        posted_.fetch_add(1);
        if (helperAsleep_.load()) platform::WakeWordWaiters(&posted_);
    }
    void Loop() {
        threadId_.store(platform::SystemThreadId());
        uint32_t seen = 0;
        for (;;) {
            auto start = std::chrono::steady_clock::now();
            while (posted_.load(std::memory_order_acquire) == seen) {
                if (std::chrono::steady_clock::now() - start < std::chrono::microseconds(20)) {
                    platform::SpinPause();
                    continue;
                }
                helperAsleep_.store(1);
                if (posted_.load() == seen) platform::WaitWordChange(&posted_, seen, 100);
                helperAsleep_.store(0);
            }
            seen = posted_.load(std::memory_order_acquire);
            if (stop_.load()) return;
            (*job_)();
            done_.store(seen, std::memory_order_release);
            if (callerAsleep_.load()) platform::WakeWordWaiters(&done_);
        }
    }
    std::atomic<uint32_t> posted_{0}, done_{0}, helperAsleep_{0}, callerAsleep_{0};
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> threadId_{-1};
    int avoided_ = -1;
    const std::function<void()>* job_ = nullptr;
    std::thread thread_;
};

// The frame as pixman destinations: the whole frame and its two halves.
struct PixmanFrame {
    std::vector<uint32_t> bits = std::vector<uint32_t>(kW * kH, 0xFF000000u);
    pixman_image_t* whole = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, bits.data(), kW * 4);
    pixman_image_t* half[2] = {
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kW / 2, kH, bits.data(), kW * 4),
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kW / 2, kH, bits.data() + kW / 2, kW * 4)};
    ~PixmanFrame() {
        pixman_image_unref(whole);
        pixman_image_unref(half[0]);
        pixman_image_unref(half[1]);
    }
};

// Runs draw(destination, left column of the destination) on the whole frame
// (one thread) or on both halves (two threads).
void RunPixman(benchmark::State& state, PixmanFrame& frame,
               const std::function<void(pixman_image_t*, int)>& draw) {
    if (state.range(0) == 1) {
        for (auto _ : state) {
            draw(frame.whole, 0);
            benchmark::ClobberMemory();
        }
        return;
    }
    StripHelper helper;
    std::function<void()> left = [&] { draw(frame.half[0], 0); };
    std::function<void()> right = [&] { draw(frame.half[1], kW / 2); };
    for (auto _ : state) {
        helper.Run(left, right);
        benchmark::ClobberMemory();
    }
}

void BM_ReferencePixman(benchmark::State& state) {
    std::vector<PixmanPicture*> pictures;
    std::vector<pixman_image_t*> masks;
    for (const Placed& item : Scene().items) {
        pictures.push_back(new PixmanPicture(*item.picture, item.alpha));
        masks.push_back(item.opacity == 255 ? nullptr : OpacityMask(item.opacity));
    }
    PixmanFrame frame;
    RunPixman(state, frame, [&](pixman_image_t* dst, int left) {
        const std::vector<Placed>& items = Scene().items;
        for (size_t i = 0; i < items.size(); ++i)
            pixman_image_composite32(PIXMAN_OP_OVER, pictures[i]->image, masks[i], dst, 0, 0, 0,
                                     0, items[i].x - left, items[i].y, items[i].picture->w,
                                     items[i].picture->h);
    });
    for (size_t i = 0; i < pictures.size(); ++i) {
        delete pictures[i];
        if (masks[i]) pixman_image_unref(masks[i]);
    }
}
BENCHMARK(BM_ReferencePixman)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_ReferenceMemcpy(benchmark::State& state) {
    std::vector<uint32_t> a(kW * kH, 1), b(kW * kH, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReferenceMemcpy)->Unit(benchmark::kMicrosecond);

// ---- the scene's parts alone, one thread -------------------------------------

// Items [first, end) of the scene: part 0 the background, 1 the figures, 2
// the plate, 3 the glyphs, and 4 all of them (the scene without the
// composer's own work).
struct Part {
    size_t first, end;
};
Part PartOf(int64_t index) {
    const size_t all = Scene().items.size();
    const Part parts[5] = {{0, 1}, {1, 4}, {4, 5}, {5, all}, {0, all}};
    return parts[index];
}

void BM_ReferencePartOurs(benchmark::State& state) {
    render::RegisterRasterizer();
    render::ResetScreenSurface();
    std::vector<uint32_t> frame(kW * kH, 0xFF000000u);
    std::vector<render::Drawable*> drawables;
    const Part part = PartOf(state.range(0));
    for (size_t i = part.first; i < part.end; ++i) {
        const Placed& item = Scene().items[i];
        render::Image* image = LoadedPicture(*item.picture, item.alpha);
        render::Drawable* d = render::WrapImage(nullptr, image);
        d->opacity = item.opacity;
        render::TransformQuad(d->quad, nullptr, kH, item.x, item.y);
        d->destination = reinterpret_cast<uint8_t*>(frame.data());
        d->destinationStride = kW * 4;
        drawables.push_back(d);
    }
    const render::SpanClip whole = {0, 0, kW, kH - 1};
    for (auto _ : state) {
        for (render::Drawable* d : drawables) render::RunSpanRoutine(d, nullptr, nullptr, whole);
        benchmark::ClobberMemory();
    }
    for (render::Drawable* d : drawables) render::DestroyDrawable(&d);
}
BENCHMARK(BM_ReferencePartOurs)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_ReferencePartPixman(benchmark::State& state) {
    const Part part = PartOf(state.range(0));
    std::vector<PixmanPicture*> pictures;
    std::vector<pixman_image_t*> masks;
    for (size_t i = part.first; i < part.end; ++i) {
        const Placed& item = Scene().items[i];
        pictures.push_back(new PixmanPicture(*item.picture, item.alpha));
        masks.push_back(item.opacity == 255 ? nullptr : OpacityMask(item.opacity));
    }
    PixmanFrame frame;
    for (auto _ : state) {
        for (size_t i = part.first; i < part.end; ++i) {
            const Placed& item = Scene().items[i];
            pixman_image_composite32(PIXMAN_OP_OVER, pictures[i - part.first]->image,
                                     masks[i - part.first], frame.whole, 0, 0, 0, 0, item.x,
                                     item.y, item.picture->w, item.picture->h);
        }
        benchmark::ClobberMemory();
    }
    for (size_t i = 0; i < pictures.size(); ++i) {
        delete pictures[i];
        if (masks[i]) pixman_image_unref(masks[i]);
    }
}
BENCHMARK(BM_ReferencePartPixman)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// ---- full-frame peers (ours: BM_NormalTranslucent, BM_SmoothRotated,
// BM_MulOpaque, BM_OverlayOpaque in raster_bench.cpp) ------------------------

// The pictures of those draws: 1024x768, alpha 0 left of column 400, a soft
// edge, then opaque.
Picture FullFramePicture(bool alpha) {
    Picture p{kW, kH, std::vector<uint32_t>(kW * kH)};
    std::mt19937 rng(3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            int a = !alpha ? 255 : x < 400 ? 0 : x < 424 ? (x - 400) * 10 : 255;
            p.px[y * kW + x] = (static_cast<uint32_t>(a) << 24) | (rng() & 0xFFFFFF);
        }
    return p;
}

void FullFramePeer(benchmark::State& state, pixman_op_t op, bool alpha, uint8_t opacity,
                   bool rotated) {
    PixmanPicture source(FullFramePicture(alpha), alpha);
    pixman_image_t* mask = opacity == 255 ? nullptr : OpacityMask(opacity);
    if (rotated) {
        pixman_transform_t t;
        double a = 15.0 * M_PI / 180.0;
        pixman_transform_init_rotate(&t, pixman_double_to_fixed(std::cos(a)),
                                     pixman_double_to_fixed(std::sin(a)));
        pixman_image_set_transform(source.image, &t);
        pixman_image_set_filter(source.image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        pixman_image_set_repeat(source.image, PIXMAN_REPEAT_PAD);
    }
    PixmanFrame frame;
    for (uint32_t& v : frame.bits) v = 0xFF204060u;
    RunPixman(state, frame, [&](pixman_image_t* dst, int left) {
        pixman_image_composite32(op, source.image, mask, dst, left, 0, 0, 0, 0, 0, kW, kH);
    });
    if (mask) pixman_image_unref(mask);
}

#define PIXMAN_PEER(name, op, alpha, opacity, rotated)                                      \
    void BM_Pixman##name(benchmark::State& state) {                                          \
        FullFramePeer(state, op, alpha, opacity, rotated);                                   \
    }                                                                                        \
    BENCHMARK(BM_Pixman##name)                                                               \
        ->Arg(1)                                                                             \
        ->Arg(2)                                                                             \
        ->Unit(benchmark::kMicrosecond)                                                      \
        ->MeasureProcessCPUTime()                                                            \
        ->UseRealTime()

PIXMAN_PEER(Translucent, PIXMAN_OP_OVER, false, 200, false);
PIXMAN_PEER(RotatedBilinear, PIXMAN_OP_OVER, true, 255, true);
PIXMAN_PEER(Multiply, PIXMAN_OP_MULTIPLY, false, 255, false);
PIXMAN_PEER(Overlay, PIXMAN_OP_OVERLAY, false, 255, false);

}  // namespace
