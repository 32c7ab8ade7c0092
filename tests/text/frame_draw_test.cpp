// Drawing glyphs straight into the frame: the outline copies in their order,
// the blend, the fourth byte, and when nothing is drawn.
#include <gtest/gtest.h>

#include <vector>

#include "render/dirty_rect.h"
#include "render/image_load.h"
#include "text/frame_draw.h"

namespace text_test {
namespace {

TEST(FrameDraw, OutlineCopiesInDrawingOrder) {
    using V = std::vector<std::pair<int, int>>;
    const struct {
        uint32_t direction;
        V offsets;  // outline copies; the body at (0, 0) always comes last
    } cases[] = {
        {0, {}},
        {0x0001, {{-2, 0}}},
        {0x1000, {{0, -2}}},
        {0x0101, {{-2, 0}, {0, 2}, {-2, 2}}},
        {0x1001, {{0, -2}, {-2, -2}, {-2, 0}}},
        {0x1010, {{0, -2}, {2, -2}, {2, 0}}},
        {0x0110, {{2, 0}, {0, 2}, {2, 2}}},
        {0x1111, {{0, -2}, {2, -2}, {-2, -2}, {2, 0}, {-2, 0}, {0, 2}, {2, 2}, {-2, 2}}},
        // Not a keyword's mask: only the single directions.
        {0x0111, {{2, 0}, {-2, 0}, {0, 2}}},
    };
    for (const auto& c : cases) {
        text::OutlineCopy copies[9];
        int n = text::OutlineCopies(c.direction, copies);
        ASSERT_EQ(n, static_cast<int>(c.offsets.size()) + 1) << std::hex << c.direction;
        for (int i = 0; i + 1 < n; ++i) {
            EXPECT_EQ(std::make_pair(copies[i].dx, copies[i].dy), c.offsets[i]) << std::hex << c.direction;
            EXPECT_FALSE(copies[i].fill);
        }
        EXPECT_TRUE(copies[n - 1].fill);
        EXPECT_EQ(copies[n - 1].dx, 0);
        EXPECT_EQ(copies[n - 1].dy, 0);
    }
}

TEST(FrameDraw, BlendRoundsTowardMinusInfinity) {
    const struct {
        uint8_t d, s, v, result;
    } cases[] = {
        {0, 255, 255, 254}, {255, 0, 255, 0},   {200, 100, 128, 150}, {10, 11, 1, 10},
        {11, 10, 1, 10},    {100, 100, 255, 100}, {0, 255, 0, 0},     {50, 150, 64, 75},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::BlendChannel(c.d, c.s, c.v), c.result)
            << int(c.d) << " " << int(c.s) << " " << int(c.v);
}

class FrameDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame.assign(static_cast<size_t>(render::kFrameStride) * (render::kFrameHeight + 2), kBase);
        render::SetPlainFrame(frame.data());
        render::SetDirty({0, 0, render::kFrameWidth, render::kFrameHeight});
        spec.metrics.ascent = 10;
        spec.glyph = {1, 1, 0, 10, 1, 0};  // one pixel at the line's top-left
        spec.fill = 0x00FF00;
        spec.outline = 0x0000FF;
        coverage.assign(16, 0);
        coverage[0] = 255;
    }
    void TearDown() override {
        render::SetPlainFrame(nullptr);
        render::ResetDirty();
    }
    uint32_t& At(int x, int y) { return frame[static_cast<size_t>(y) * render::kFrameStride + x]; }

    static constexpr uint32_t kBase = 0xAB000000;  // black with a fourth byte
    std::vector<uint32_t> frame;
    std::vector<uint8_t> coverage;
    text::FontSpec spec{};
};

TEST_F(FrameDrawTest, LeftDownDrawsThreeCopiesAndTheBodyOnTop) {
    spec.direction = text::kOutlineLeftDown;
    ASSERT_EQ(text::DrawCharToFrame(100, 100, spec, coverage.data()), 1);
    const uint32_t outline = 0xAB0000FE, fill = 0xAB00FE00;  // 255 x 255 / 256 rounds down
    EXPECT_EQ(At(100, 100), fill);
    EXPECT_EQ(At(98, 100), outline);
    EXPECT_EQ(At(100, 102), outline);
    EXPECT_EQ(At(98, 102), outline);
    EXPECT_EQ(At(102, 100), kBase);
    EXPECT_EQ(At(100, 98), kBase);
}

TEST_F(FrameDrawTest, BodyIsDrawnAfterTheOutlinesWhereTheyOverlap) {
    // Covered columns 0 and 2: the RIGHT copy's first pixel falls on the
    // body's second, which the body then blends over.
    spec.glyph = {4, 1, 0, 10, 4, 0};
    coverage = {128, 0, 128, 0};
    spec.direction = text::kOutlineRight;
    ASSERT_EQ(text::DrawCharToFrame(10, 10, spec, coverage.data()), 1);
    // Column 12: the outline copy first (blue 0 -> 127), then the body
    // (green 0 -> 127, blue 127 -> 63).
    EXPECT_EQ(At(12, 10), 0xAB007F3Fu);
    EXPECT_EQ(At(14, 10), 0xAB00007Fu);
    EXPECT_EQ(At(10, 10), 0xAB007F00u);
}

TEST_F(FrameDrawTest, NothingOutsideTheRedrawRectangleOrPastTheFrame) {
    const struct {
        int x, y;
        render::DirtyRect dirty;
        bool draws;
    } cases[] = {
        {100, 100, {0, 0, 1024, 768}, true},
        {100, 100, {-1, -1, -1, -1}, false},       // nothing to redraw
        {100, 100, {101, 0, 200, 200}, false},     // box left of the rectangle
        {100, 100, {0, 0, 100, 200}, false},       // right edge exclusive
        {100, 100, {100, 100, 101, 101}, true},
        {1023, 100, {0, 0, 1024, 768}, true},      // right edge at 1024
        {1024, 100, {0, 0, 1024, 768}, false},
        {100, 767, {0, 0, 1024, 768}, true},
        {100, 768, {0, 0, 1024, 768}, false},
    };
    for (const auto& c : cases) {
        render::SetDirty(c.dirty);
        EXPECT_EQ(text::DrawCharToFrame(c.x, c.y, spec, coverage.data()), c.draws ? 1 : 0)
            << c.x << "," << c.y;
    }
}

TEST_F(FrameDrawTest, CopiesAreCutAtTheFrameEdges) {
    spec.direction = text::kOutlineAround;
    ASSERT_EQ(text::DrawCharToFrame(0, 5, spec, coverage.data()), 1);
    // The left copies would land at the end of the rows above.
    EXPECT_EQ(At(1022, 2), kBase);
    EXPECT_EQ(At(1022, 4), kBase);
    EXPECT_EQ(At(1022, 6), kBase);
    EXPECT_EQ(At(2, 5), 0xAB0000FEu);
    ASSERT_EQ(text::DrawCharToFrame(0, 0, spec, coverage.data()), 1);
    EXPECT_EQ(At(0, 0), 0xAB00FE00u);
}

}  // namespace
}  // namespace text_test
