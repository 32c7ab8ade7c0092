// Fixtures of the rasterizer tests.
#include "raster_fixtures.h"

#include <algorithm>

namespace raster_test {

using namespace render;

std::vector<uint32_t> RandomFrame(std::mt19937& rng) {
    std::vector<uint32_t> f(1024 * 768);
    for (auto& p : f) p = rng();
    return f;
}

ImagePtr RandomImage(std::mt19937& rng, int w, int h, uint16_t flags) {
    ImagePtr img(AllocImage(w, h, w));
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = rng();
            // Many pixels fully opaque or fully transparent, as real pictures have.
            int kind = rng() % 4;
            if (kind == 0) p |= 0xFF000000u;
            if (kind == 1) p &= 0x00FFFFFFu;
            reinterpret_cast<uint32_t*>(img->pixels)[y * w + x] = p;
        }
    img->flags = flags;
    return img;
}

ImagePtr RunImage(std::mt19937& rng, int w, int h, uint16_t flags) {
    ImagePtr img(AllocImage(w, h, w));
    uint32_t* px = reinterpret_cast<uint32_t*>(img->pixels);
    for (int y = 0; y < h + 2; ++y) {
        int x = 0;
        while (x < w) {
            int run = 1 + static_cast<int>(rng() % 48), kind = static_cast<int>(rng() % 3);
            for (; run > 0 && x < w; --run, ++x) {
                uint32_t p = rng();
                if (kind == 0) p &= 0x00FFFFFFu;
                if (kind == 1) p |= 0xFF000000u;
                px[y * w + x] = p;
            }
        }
    }
    img->flags = flags;
    return img;
}

std::vector<SpanIsa> Isas() {
    std::vector<SpanIsa> isas = {SpanIsa::kSse2};
    if (BestSpanIsa() == SpanIsa::kAvx2) isas.push_back(SpanIsa::kAvx2);
    return isas;
}

const char* IsaName(SpanIsa isa) {
    return isa == SpanIsa::kAvx2 ? "avx2" : "sse2";
}

void RandomTables(std::mt19937& rng, Quad* q, const Image* img, bool unitSteps) {
    for (int r = 0; r < 768; ++r) {
        if (rng() % 10 == 0) {
            q->edgeMin[r] = 32767;
            q->edgeMax[r] = -32768;
            q->spanWidth[r] = 0;
            continue;
        }
        int a = static_cast<int>(rng() % 1100) - 40, b = static_cast<int>(rng() % 1100) - 40;
        q->edgeMin[r] = static_cast<int16_t>(std::min(a, b));
        q->edgeMax[r] = static_cast<int16_t>(std::max(a, b));
        q->spanWidth[r] = q->edgeMax[r] - q->edgeMin[r];
        q->spanU[r] = static_cast<int32_t>(rng() % (img->width << 16)) - (unitSteps ? 0 : 0x8000);
        q->spanV[r] = static_cast<int32_t>(rng() % (img->height << 16));
        if (unitSteps) {
            q->spanDU[r] = 0x10000;
            q->spanDV[r] = 0;
        } else {
            q->spanDU[r] = static_cast<int32_t>(rng() % 0x30000) - 0x10000;
            q->spanDV[r] = rng() % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 0x20000) - 0x10000;
        }
    }
}

void PlaceUnscaled(Quad* q, int x, int y, int w, int h) {
    for (int r = 0; r < 768; ++r) {
        if (r < y || r >= y + h) {
            q->edgeMin[r] = 32767;
            q->edgeMax[r] = -32768;
            q->spanWidth[r] = 0;
            continue;
        }
        q->edgeMin[r] = static_cast<int16_t>(x);
        q->edgeMax[r] = static_cast<int16_t>(x + w);
        q->spanWidth[r] = w;
        q->spanU[r] = 0;
        q->spanV[r] = (r - y) << 16;
        q->spanDU[r] = 0x10000;
        q->spanDV[r] = 0;
    }
}

}  // namespace raster_test
