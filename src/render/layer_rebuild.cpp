// Rebuilding mask and stencil layers from their mask pictures.
#include "render/layer_rebuild.h"

#include <algorithm>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image_load.h"
#include "render/quad.h"

namespace render {

namespace {

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v;
    return h * 0x100000001B3ull;
}

}  // namespace

uint64_t LayerDigest(const Drawable* d, const Layer* other) {
    uint64_t h = 0xCBF29CE484222325ull;
    h = Mix(h, reinterpret_cast<uintptr_t>(d));
    if (d) {
        h = Mix(h, reinterpret_cast<uintptr_t>(d->image));
        if (d->quad) {
            for (int i = 0; i < 4; ++i) {
                h = Mix(h, static_cast<uint16_t>(d->quad->px[i]));
                h = Mix(h, static_cast<uint16_t>(d->quad->py[i]));
            }
            h = Mix(h, reinterpret_cast<uintptr_t>(d->quad->rowLimits));
        }
        if (d->clip) {
            h = Mix(h, static_cast<uint32_t>(d->clip->leftBytes));
            h = Mix(h, static_cast<uint32_t>(d->clip->top));
            h = Mix(h, static_cast<uint32_t>(d->clip->widthBytes));
            h = Mix(h, static_cast<uint32_t>(d->clip->height));
        }
    }
    h = Mix(h, reinterpret_cast<uintptr_t>(other));
    if (other) h = Mix(h, other->generation);
    return h;
}

namespace {

uint32_t Texel(const Image* img, int32_t u, int32_t v) {
    int32_t row = std::clamp(v >> 16, 0, img->height * 4 - 1);
    int32_t col = std::clamp(u >> 16, 0, img->width - 1);
    return img->rows[row][col];
}

uint32_t Combine(uint32_t p, uint32_t t, int32_t mode) {
    if ((p & 0xFFFFFFu) == 0xFFFFFFu) return t;
    uint32_t out = 0;
    for (int b = 0; b < 32; b += 8) {
        int32_t pb = static_cast<int32_t>((p >> b) & 0xFF), tb = static_cast<int32_t>((t >> b) & 0xFF);
        int32_t r = mode == kLayerStencil ? pb * tb >> 8 : pb + (pb * (tb - pb) >> 8);
        out |= static_cast<uint32_t>(std::clamp(r, 0, 255)) << b;
    }
    return out;
}

void MarkArea(const int32_t a[4]) {
    if (a[0] < a[2] && a[1] < a[3]) AddDirtyRect(a[0], a[1], a[2] - a[0], a[3] - a[1]);
}

}  // namespace

int RebuildLayer(Layer* layer, const Drawable* d, const Layer* other) {
    if (!layer || !layer->pixels) return 0;
    const size_t bytes = sizeof(uint32_t) * kFrameWidth * kFrameHeight;
    if (other && other->pixels)
        std::memcpy(layer->pixels, other->pixels, bytes);
    else
        std::memset(layer->pixels, 0, bytes);
    MarkArea(layer->builtArea);
    int32_t area[4] = {kFrameWidth, kFrameHeight, 0, 0};
    const bool drawn = d && d->quad && d->image && d->image->rows && d->image->width > 0 &&
                       d->image->height > 0;
    if (drawn) {
        const Quad& q = *d->quad;
        int32_t top = 0, bottom = kFrameHeight, left = 0, right = kFrameWidth;
        if (d->clip) {
            left = std::max(0, d->clip->leftBytes / 4);
            right = std::min(kFrameWidth, d->clip->leftBytes / 4 + d->clip->widthBytes / 4);
            top = std::max(0, d->clip->top);
            bottom = std::min(kFrameHeight, d->clip->top + d->clip->height);
        }
        for (int32_t r = top; r < bottom; ++r) {
            const int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
            if (minX >= kFrameWidth || maxX < 0 || q.spanWidth[r] == 0) continue;
            int32_t x0 = std::max<int32_t>({minX, left, 0});
            int32_t x1 = std::min<int32_t>(maxX, right);
            if (q.rowLimits) {
                x0 = std::max<int32_t>(x0, q.rowLimits->left[r]);
                x1 = std::min<int32_t>(x1, q.rowLimits->right[r]);
            }
            if (x0 >= x1) continue;
            uint32_t* row = layer->rows[r];
            for (int32_t x = x0; x < x1; ++x) {
                uint32_t k = static_cast<uint32_t>(x - minX);
                int32_t u = static_cast<int32_t>(static_cast<uint32_t>(q.spanU[r]) +
                                                 k * static_cast<uint32_t>(q.spanDU[r]));
                int32_t v = static_cast<int32_t>(static_cast<uint32_t>(q.spanV[r]) +
                                                 k * static_cast<uint32_t>(q.spanDV[r]));
                uint32_t t = Texel(d->image, u, v);
                if (!other) {
                    row[x] = t;
                } else if (row[x] & 0xFFFFFFu) {
                    row[x] = Combine(row[x], t, layer->mode);
                }
            }
            area[0] = std::min(area[0], x0);
            area[2] = std::max(area[2], x1);
            area[1] = std::min(area[1], r);
            area[3] = std::max(area[3], r + 1);
        }
    }
    std::memcpy(layer->builtArea, area, sizeof area);
    MarkArea(area);
    layer->changed = 0;
    layer->generation += 1;
    return drawn ? 1 : 0;
}

}  // namespace render
