// Rule maps and alpha tables of rule-image transitions.
#include "render/transition_map.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/quad.h"

namespace render {

TransitionMap* CreateTransitionMap(const Image* rule, int32_t width, int32_t threshold) {
    if (!rule || !rule->rows || rule->width <= 0 || rule->height <= 0) return nullptr;
    auto* m = static_cast<TransitionMap*>(std::calloc(1, sizeof(TransitionMap)));
    auto* q = static_cast<Quad*>(std::calloc(1, sizeof(Quad)));
    if (!m || !q) {
        std::free(m);
        std::free(q);
        return nullptr;
    }
    // The rule picture at the frame's top-left at its own size, stepped
    // texel by texel as a drawn picture would be.
    InitQuad(q, rule->displayWidth > 0 ? rule->displayWidth : rule->width,
             rule->displayHeight > 0 ? rule->displayHeight : rule->height);
    TransformQuad(q, nullptr, kQuadRows, 0, 0);
    for (int32_t r = 0; r < kFrameHeight; ++r) {
        const int32_t minX = q->edgeMin[r], maxX = q->edgeMax[r];
        if (minX >= kFrameWidth || maxX < 0 || q->spanWidth[r] == 0) continue;
        const int32_t x0 = std::max(minX, 0), x1 = std::min(maxX, kFrameWidth);
        uint8_t* out = m->map + static_cast<size_t>(r) * kFrameWidth;
        for (int32_t x = x0; x < x1; ++x) {
            uint32_t k = static_cast<uint32_t>(x - minX);
            int32_t u = static_cast<int32_t>(static_cast<uint32_t>(q->spanU[r]) +
                                             k * static_cast<uint32_t>(q->spanDU[r]));
            int32_t v = static_cast<int32_t>(static_cast<uint32_t>(q->spanV[r]) +
                                             k * static_cast<uint32_t>(q->spanDV[r]));
            int32_t row = std::clamp(v >> 16, 0, rule->height - 1);
            int32_t col = std::clamp(u >> 16, 0, rule->width - 1);
            out[x] = static_cast<uint8_t>(rule->rows[row][col] >> 8);  // green
        }
    }
    std::free(q);
    m->param.map = m->map;
    m->param.alphaTable = m->table;
    m->width = std::clamp(width, 0, 255);
    SetTransitionThreshold(m, threshold);
    return m;
}

void SetTransitionThreshold(TransitionMap* m, int32_t threshold) {
    m->threshold = std::clamp(threshold, 0, 256);
    for (int32_t v = 0; v < 256; ++v) {
        int32_t i = v - m->threshold;
        if (i < 0)
            m->table[v] = 255;
        else if (i < m->width)
            m->table[v] = static_cast<uint8_t>(255 - (i + 1) * 255 / (m->width + 1));
        else
            m->table[v] = 0;
    }
}

void HideTransition(TransitionMap* m) {
    std::memset(m->table, 0, sizeof m->table);
}

}  // namespace render
