// A glyph source for tests: characters with hand-made coverage bitmaps,
// counted font opens and closes, and failures on demand.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/glyph_source.h"
#include "core/registry.h"
#include "shell/engine_build.h"
#include "text/font.h"
#include "text/glyph_set.h"

namespace text_test {

struct FakeGlyph {
    platform::GlyphBox box;
    std::vector<uint8_t> coverage;  // blackBoxY rows of pitch bytes
};

struct FakeFonts {
    std::map<uint32_t, FakeGlyph> glyphs;
    int opened = 0, closed = 0;
    int glyphFailures = 0;    // the next calls that fail
    int metricsFailures = 0;
    bool glyphsBroken = false;  // every glyph call fails
    int glyphCalls = 0;
    std::vector<int> turns;   // quarterTurn of each glyph call with a buffer
    int32_t height = 20, ascent = 16;
    std::vector<std::string> faces;  // faces opened

    // A glyph of width x rows with every byte `value`, at origin (ox, oy).
    void Solid(uint32_t code, int32_t width, int32_t rows, uint8_t value, int32_t ox = 0,
               int32_t oy = 16, int16_t advance = 0) {
        FakeGlyph g;
        g.box = {width, rows, ox, oy, advance ? advance : static_cast<int16_t>(width + 2), 0};
        int32_t pitch = (width + 3) & ~3;
        g.coverage.assign(static_cast<size_t>(pitch) * rows, 0);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < width; ++c) g.coverage[static_cast<size_t>(r) * pitch + c] = value;
        glyphs[code] = g;
    }
    void Set(uint32_t code, int32_t width, std::vector<uint8_t> rowsOfCoverage, int32_t ox = 0,
             int32_t oy = 16) {
        int32_t pitch = (width + 3) & ~3;
        FakeGlyph g;
        int32_t rows = static_cast<int32_t>(rowsOfCoverage.size()) / width;
        g.box = {width, rows, ox, oy, static_cast<int16_t>(width + 2), 0};
        g.coverage.assign(static_cast<size_t>(pitch) * rows, 0);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < width; ++c)
                g.coverage[static_cast<size_t>(r) * pitch + c] = rowsOfCoverage[static_cast<size_t>(r) * width + c];
        glyphs[code] = g;
    }
};

inline FakeFonts* g_fake = nullptr;

inline platform::GlyphFont* FakeOpen(const platform::FontRequest& request) {
    ++g_fake->opened;
    g_fake->faces.push_back(request.faceSjis);
    return reinterpret_cast<platform::GlyphFont*>(new int(g_fake->opened));
}
inline void FakeClose(platform::GlyphFont* font) {
    ++g_fake->closed;
    delete reinterpret_cast<int*>(font);
}
inline int FakeMetrics(platform::GlyphFont*, platform::FontMetrics* out) {
    if (g_fake->metricsFailures > 0) {
        --g_fake->metricsFailures;
        return 0;
    }
    *out = {g_fake->height, g_fake->ascent, g_fake->height - g_fake->ascent, 8, 20};
    return 1;
}
inline int32_t FakeGlyphCall(platform::GlyphFont*, uint32_t code, int turn, platform::GlyphBox* box,
                             uint8_t* buffer, uint32_t capacity) {
    ++g_fake->glyphCalls;
    if (g_fake->glyphsBroken) return -1;
    if (g_fake->glyphFailures > 0) {
        --g_fake->glyphFailures;
        return -1;
    }
    auto it = g_fake->glyphs.find(code);
    if (it == g_fake->glyphs.end()) {
        *box = {0, 0, 0, 0, 10, 0};  // blank, like a space
        return 0;
    }
    *box = it->second.box;
    if (turn) {
        // The turned mark advances downwards.
        box->cellIncY = box->cellIncX;
        box->cellIncX = 0;
    }
    uint32_t size = static_cast<uint32_t>(it->second.coverage.size());
    if (!buffer) return static_cast<int32_t>(size);
    g_fake->turns.push_back(turn);
    uint32_t n = size < capacity ? size : capacity;
    std::memcpy(buffer, it->second.coverage.data(), n);
    return static_cast<int32_t>(n);
}

inline const platform::GlyphSource kFakeSource = {"fake", FakeOpen, FakeClose, FakeMetrics,
                                                  FakeGlyphCall};

// Installs the fake source; each test runs in a fresh engine, so the font
// state starts clean.
class FakeGlyphTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &fonts;
        platform::SetGlyphSource(&kFakeSource);
    }
    void TearDown() override {
        // Fonts opened through the fake source are closed while it is in place.
        text::ClearFonts();
        platform::SetGlyphSource(nullptr);
        g_fake = nullptr;
    }
    // A FontSpec made from the default font.
    text::FontSpec DefaultSpec() {
        text::FontSpec spec{};
        EXPECT_EQ(text::CreateDefaultFont(&spec), 1);
        return spec;
    }
    shell::EngineScope engine_;  // first: built before and destroyed after the rest
    FakeFonts fonts;
};

}  // namespace text_test
