// Quad projection and the edge and span tables.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/quad.h"
#include "scene/scene_object.h"

namespace {

using render::kFixedOne;

std::unique_ptr<render::Quad> MakeQuad(int w, int h) {
    auto q = std::make_unique<render::Quad>();
    render::InitQuad(q.get(), w, h);
    return q;
}

struct Box {
    int minX, maxX, minY, maxY;
};
Box Bounds(const render::Quad& q) {
    Box b{q.px[0], q.px[0], q.py[0], q.py[0]};
    for (int i = 1; i < 4; ++i) {
        b.minX = std::min<int>(b.minX, q.px[i]);
        b.maxX = std::max<int>(b.maxX, q.px[i]);
        b.minY = std::min<int>(b.minY, q.py[i]);
        b.maxY = std::max<int>(b.maxY, q.py[i]);
    }
    return b;
}

TEST(QuadTest, UnrotatedQuadMapsTexelsOneToOne) {
    struct Case {
        int w, h, x, y;
    } cases[] = {{100, 50, 10, 20}, {101, 51, 0, 0}, {2, 2, 1000, 700}, {64, 1, 5, 5}};
    for (const Case& c : cases) {
        auto q = MakeQuad(c.w, c.h);
        ASSERT_EQ(render::TransformQuad(q.get(), nullptr, 768, c.x, c.y), 1);
        Box b = Bounds(*q);
        int w2 = c.w / 2 * 2;  // an odd width loses its last column
        EXPECT_EQ(b.minX, c.x) << c.w;
        EXPECT_EQ(b.maxX, c.x + w2) << c.w;
        EXPECT_EQ(b.minY, c.y) << c.h;
        EXPECT_EQ(b.maxY, c.y + c.h - 1) << c.h;
        for (int row = c.y; row < c.y + c.h && row < 768; ++row) {
            SCOPED_TRACE(row);
            EXPECT_EQ(q->edgeMin[row], c.x);
            EXPECT_EQ(q->spanWidth[row], std::min(w2, 32767));
            EXPECT_EQ(q->spanU[row], 0);
            EXPECT_EQ(q->spanV[row], (row - c.y) * kFixedOne);
            EXPECT_EQ(q->spanDU[row], kFixedOne);  // exactly 1.0
            EXPECT_EQ(q->spanDV[row], 0);
        }
        if (c.y > 0) {
            EXPECT_EQ(q->spanWidth[c.y - 1], 0);
        }
        if (c.y + c.h < 768) {
            EXPECT_EQ(q->spanWidth[c.y + c.h], 0);
        }
    }
}

TEST(QuadTest, SpanLeftOfFrameKeepsItsStart) {
    auto q = MakeQuad(100, 10);
    render::TransformQuad(q.get(), nullptr, 768, -10, 0);
    EXPECT_EQ(q->edgeMin[0], -10);
    EXPECT_EQ(q->spanU[0], 0);  // the span routine advances u by the 10 columns it skips
    EXPECT_EQ(q->spanWidth[0], 100);
}

TEST(QuadTest, ZoomScalesSteps) {
    auto q = MakeQuad(100, 100);
    q->zoom[0] = 2000;
    q->zoom[1] = 500;
    render::TransformQuad(q.get(), nullptr, 768, 200, 200);
    Box b = Bounds(*q);
    EXPECT_EQ(b.maxX - b.minX, 200);
    EXPECT_EQ(b.maxY - b.minY, 49);  // 99 * 0.5, truncated per corner
    int row = b.minY + 10;
    EXPECT_NEAR(q->spanDU[row] / double(kFixedOne), 99.0 / 200.0, 1e-4);
}

TEST(QuadTest, HalfTurnReversesTexture) {
    auto q = MakeQuad(100, 50);
    q->angles[2] = 180;
    render::TransformQuad(q.get(), nullptr, 768, 300, 300);
    int row = 320;
    EXPECT_GT(q->spanWidth[row], 90);
    EXPECT_EQ(q->spanU[row] >> 16, 99);  // leftmost pixel shows the last column
    EXPECT_LT(q->spanDU[row], 0);
}

TEST(QuadTest, QuarterTurnIsNotAxisAlignedAtAnAngle) {
    auto q = MakeQuad(100, 100);
    q->angles[2] = 45;
    render::TransformQuad(q.get(), nullptr, 768, 300, 300);
    EXPECT_FALSE(q->py[0] == q->py[1] || q->py[0] == q->py[3]);
    // Widest in the middle, narrow at the top.
    Box b = Bounds(*q);
    int middle = (b.minY + b.maxY) / 2;
    EXPECT_GT(q->spanWidth[middle], q->spanWidth[b.minY + 5]);
    EXPECT_NEAR(b.maxX - b.minX, 140, 2);
}

TEST(QuadTest, CameraAtOriginEqualsNoCamera) {
    scene::Camera camera{};
    camera.z = 1000;
    auto plain = MakeQuad(80, 60);
    auto viewed = MakeQuad(80, 60);
    render::TransformQuad(plain.get(), nullptr, 768, 123, 45);
    render::TransformQuad(viewed.get(), &camera, 768, 123, 45);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(viewed->px[i], plain->px[i]) << i;
        EXPECT_EQ(viewed->py[i], plain->py[i]) << i;
    }
    camera.x = 100;  // moving the camera right moves the picture left
    render::TransformQuad(viewed.get(), &camera, 768, 123, 45);
    EXPECT_EQ(Bounds(*viewed).minX, 23);
    camera.x = 0;
    camera.z = 2000;  // a longer focal length magnifies about the frame centre
    render::TransformQuad(viewed.get(), &camera, 768, 472, 354);
    Box b = Bounds(*viewed);
    EXPECT_EQ(b.maxX - b.minX, 160);
    EXPECT_NEAR((b.minX + b.maxX) / 2.0, 512, 1);
}

TEST(QuadTest, DegenerateAndBehindDrawNothing) {
    auto flat = MakeQuad(100, 100);
    flat->zoom[1] = 0;  // all corners on one row
    render::TransformQuad(flat.get(), nullptr, 768, 0, 100);
    for (int row = 0; row < 768; ++row) ASSERT_EQ(flat->spanWidth[row], 0) << row;

    auto behind = MakeQuad(100, 100);
    behind->depth = -5;
    EXPECT_EQ(render::TransformQuad(behind.get(), nullptr, 768, 0, 0), 0);
    for (int row = 0; row < 768; ++row) ASSERT_EQ(behind->spanWidth[row], 0) << row;
}

TEST(QuadTest, HugeZoomStaysInRange) {
    auto q = MakeQuad(1024, 768);
    q->zoom[0] = q->zoom[1] = 1000000;
    render::TransformQuad(q.get(), nullptr, 768, 0, 0);
    for (int row = 0; row < 768; ++row) ASSERT_GE(q->spanWidth[row], 0);
}

}  // namespace

namespace {

// The row range the tables record holds every row with an edge entry, for
// pictures upright, turned, zoomed, partly above or below the frame.
TEST(QuadTest, RowRangeHoldsEveryRowWithAnEdge) {
    struct Case {
        int w, h;
        double x, y;
        int angle, zoom;
    } cases[] = {{24, 24, 100, 100, 0, 1000},  {300, 200, 400, 300, 15, 1000},
                 {300, 200, 400, 300, 90, 1500}, {50, 80, 10, -40, 33, 1000},
                 {50, 80, 10, 740, 200, 800},    {64, 1, 5, 5, 0, 1000}};
    for (const Case& c : cases) {
        auto q = MakeQuad(c.w, c.h);
        q->angles[2] = c.angle;
        q->zoom[0] = q->zoom[1] = c.zoom;
        ASSERT_EQ(render::TransformQuad(q.get(), nullptr, 768, c.x, c.y), 1);
        ASSERT_EQ(q->rowsKnown, 1);
        int first = 768, end = 0;
        for (int r = 0; r < 768; ++r)
            if (q->edgeMin[r] <= q->edgeMax[r]) {
                first = std::min(first, r);
                end = r + 1;
            }
        EXPECT_LE(q->rowTop, first) << c.angle;
        EXPECT_GE(q->rowEnd, end) << c.angle;
        EXPECT_LE(q->rowEnd - q->rowTop, end - first + 1) << c.angle;  // and tight
    }
}

}  // namespace
