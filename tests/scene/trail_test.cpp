// Trails: SetBlur's arguments, copies that show where the object was a lag
// ago and catch up when the action ends, and the copies on composed frames
// (opacity, order, removal, deletion, a replaced picture).
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "render/quad.h"
#include "scene/properties.h"
#include "scene/trail.h"

namespace {

using scene::SceneObject;
using scene_test::kBlue;
using scene_test::kGreen;
using scene_test::kRed;

class Trail : public scene_test::FrameFixture {
protected:
    int Blur(const char* name, const char* on, const char* count, const char* opacity,
             const char* lag, const char* order) {
        return Run(scene::SetBlurOf, {name, on, count, opacity, lag, order});
    }
    // Copy k's position and quad (k 0-based).
    static void CopyAt(const SceneObject* o, int k, int32_t* x, int32_t* y,
                       const render::Quad** q = nullptr) {
        const render::Quad* quad = nullptr;
        ASSERT_TRUE(scene::TrailCopy(o, k, x, y, &quad));
        if (q) *q = quad;
    }
};

TEST_F(Trail, ArgumentsInstallOrChangeNothing) {
    struct Case {
        const char* on;
        const char* count;
        const char* opacity;
        const char* lag;
        const char* order;
        int changed;
        int before;  // order flag when installed
    };
    const Case cases[] = {
        {"TRUE", "8", "300", "32", "FALSE", 1, 0},
        {"true", "1", "1000", "0", "TRUE", 1, 1},
        {"True", "128", "1", "16", "TRUE", 1, 1},
        {"TRUE", "129", "300", "32", "FALSE", 0, 0},
        {"TRUE", "0", "300", "32", "FALSE", 0, 0},
        {"TRUE", "-3", "300", "32", "FALSE", 0, 0},
        {"TRUE", "8", "0", "32", "FALSE", 0, 0},
        {"TRUE", "8", "1001", "32", "FALSE", 0, 0},
        {"TRUE", "8", "300", "-1", "FALSE", 0, 0},
        {"TRUE", "eight", "300", "32", "FALSE", 0, 0},
        {"TRUE", "8", nullptr, "32", "FALSE", 0, 0},
    };
    for (const Case& c : cases) {
        Plate("p", 1, 100, 100, 40, 40, "#FF0000");
        std::string label = std::string(c.on) + " " + (c.count ? c.count : "-") + " " +
                            (c.opacity ? c.opacity : "-") + " " + c.lag;
        EXPECT_EQ(Blur("p", c.on, c.count, c.opacity, c.lag, c.order), c.changed) << label;
        SceneObject* p = Find("p");
        EXPECT_EQ(p->trail.active, c.changed) << label;
        if (c.changed) {
            EXPECT_EQ(p->trail.drawBefore, c.before) << label;
            EXPECT_EQ(p->trail.showCopies, 0) << label << ": idle until an action";
        }
        scene::DeleteObjects(scene_test::kKey, "p");
    }
    // Objects without a picture of their own carry no trail.
    ASSERT_EQ(Run(scene::CreateNameObject, {"group"}), 1);
    Window("w", 0, 0, 200, 200);
    EXPECT_EQ(Blur("group", "TRUE", "4", "500", "16", "FALSE"), 0);
    EXPECT_EQ(Blur("w", "TRUE", "4", "500", "16", "FALSE"), 0);
    // Any other switch turns it off.
    Plate("q", 1, 100, 100, 40, 40, "#FF0000");
    ASSERT_EQ(Blur("q", "TRUE", "4", "500", "16", "FALSE"), 1);
    EXPECT_EQ(Blur("q", "OFF", nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(Find("q")->trail.active, 0);
    EXPECT_EQ(Find("q")->trail.copies, nullptr);
    // The switch and the order are read plain: written in quotes they are
    // not TRUE, so the trail goes off, or is drawn after the object.
    ASSERT_EQ(Blur("q", "TRUE", "4", "500", "16", "\"TRUE\""), 1);
    EXPECT_EQ(Find("q")->trail.drawBefore, 0);
    EXPECT_EQ(Blur("q", "\"TRUE\"", "4", "500", "16", "FALSE"), 1);
    EXPECT_EQ(Find("q")->trail.active, 0);
}

// Copy k shows where the object was k x lag ms ago, at any play speed, stays
// at the start until the action has run that long, and after the end closes
// in on the object until the trail idles.
TEST_F(Trail, CopiesShowWhereTheObjectWasALagAgo) {
    struct Case {
        double speed;
        int lag;  // ms, a whole number of 16 ms frames
    };
    const Case cases[] = {{1.0, 16}, {1.0, 48}, {2.0, 32}, {0.5, 64}};
    for (const Case& c : cases) {
        std::string label = "speed " + std::to_string(c.speed) + " lag " + std::to_string(c.lag);
        render::Modes().playSpeed = c.speed;
        Plate("p", 1, 0, 300, 20, 20, "#FF0000");
        ASSERT_EQ(Blur("p", "TRUE", "3", "500", std::to_string(c.lag).c_str(), "FALSE"), 1);
        ASSERT_EQ(SetUpAction("p", scene::kActionMove, 3000, {"900", "300"}), 1) << label;
        Go();
        SceneObject* p = Find("p");
        const int framesPerCopy = c.lag / 16;
        std::vector<int32_t> history;  // the object's x after each frame
        for (int f = 0; f < 40; ++f) {
            Frames(1);
            history.push_back(p->image->x);
            for (int k = 0; k < 3; ++k) {
                int32_t x = 0, y = 0;
                CopyAt(p, k, &x, &y);
                int back = f - (k + 1) * framesPerCopy;
                int32_t expected = back >= 0 ? history[back] : 0;
                ASSERT_EQ(x, expected) << label << " frame " << f << " copy " << k;
                ASSERT_EQ(y, 300) << label;
            }
        }
        EXPECT_EQ(p->trail.showCopies, 1) << label;
        // The move runs to its end; then the copies close in on the object
        // without overshooting, within the trail's length.
        int guard = 0;
        while (scene::ActionActive(p, scene::kWaitMoveCode) && guard++ < 1000) Frames(1);
        ASSERT_EQ(p->image->x, 900) << label;
        if (framesPerCopy > 1) {
            EXPECT_EQ(p->trail.showCopies, 1) << label << ": behind at the end";
        }
        std::vector<int32_t> last(3, -1);
        int frames = 0;
        while (p->trail.showCopies && frames < 100) {
            for (int k = 0; k < 3; ++k) {
                int32_t x = 0, y = 0;
                CopyAt(p, k, &x, &y);
                EXPECT_LE(x, 900) << label;
                EXPECT_GE(x, last[k]) << label << " copy " << k << " went back";
                last[k] = x;
            }
            Frames(1);
            ++frames;
        }
        EXPECT_LE(frames, 3 * framesPerCopy + 1) << label;
        EXPECT_EQ(p->trail.showCopies, 0) << label << ": still shown after " << frames;
        scene::DeleteObjects(scene_test::kKey, "p");
    }
}

TEST_F(Trail, ZoomAndTurnFeedTheirCopies) {
    Plate("p", 1, 300, 300, 40, 40, "#FF0000");
    ASSERT_EQ(Blur("p", "TRUE", "2", "500", "32", "FALSE"), 1);
    ASSERT_EQ(SetUpAction("p", scene::kActionZoom, 1000, {"3000", "2000"}), 1);
    ASSERT_EQ(SetUpAction("p", scene::kActionRotate, 1000, {"0", "0", "180"}), 1);
    Go();
    SceneObject* p = Find("p");
    std::vector<std::vector<int32_t>> history;
    for (int f = 0; f < 30; ++f) {
        Frames(1);
        const render::Quad* q = p->image->quad;
        history.push_back({q->zoom[0], q->zoom[1], q->angles[2]});
        for (int k = 0; k < 2; ++k) {
            int32_t x = 0, y = 0;
            const render::Quad* copy = nullptr;
            CopyAt(p, k, &x, &y, &copy);
            int back = f - (k + 1) * 2;
            std::vector<int32_t> expected = back >= 0 ? history[back] : std::vector<int32_t>{1000, 1000, 0};
            ASSERT_EQ((std::vector<int32_t>{copy->zoom[0], copy->zoom[1], copy->angles[2]}), expected)
                << "frame " << f << " copy " << k;
            EXPECT_EQ(x, 300);
        }
    }
}

// A plate, left half red and right half green, moving right with one
// opaque copy 10 frames (about 60 px) behind.
class TrailFrames : public Trail {
protected:
    SceneObject* TwoColourPlate(const char* order) {
        Plate("p", 1, 100, 300, 100, 40, "#FF0000");
        EXPECT_EQ(Run(scene::LoadColorObject, {"g", "50", "40", "#00FF00FF"}), 1);
        EXPECT_EQ(Run(scene::SetCompositeOf, {"p", "50", "0", "g"}), 1);
        EXPECT_EQ(Blur("p", "TRUE", "1", "1000", "160", order), 1);
        EXPECT_EQ(SetUpAction("p", scene::kActionMove, 1600, {"700", "300"}), 1);
        Show();
        for (int i = 0; i < 19; ++i) Compose();
        SceneObject* p = Find("p");
        int32_t x = 0, y = 0;
        CopyAt(p, 0, &x, &y);
        EXPECT_GE(p->image->x - x, 55);
        EXPECT_LE(p->image->x - x, 65);
        return p;
    }
};

TEST_F(TrailFrames, CopiesAreDrawnOverOrUnderTheObject) {
    struct Case {
        const char* order;
        uint32_t overlap;  // where the copy's green half meets the object's red half
    };
    for (const Case& c : {Case{"FALSE", kGreen}, Case{"TRUE", kRed}}) {
        SceneObject* p = TwoColourPlate(c.order);
        std::vector<uint32_t> f = Compose();
        int32_t cx = 0, y = 0;
        CopyAt(p, 0, &cx, &y);
        int ox = p->image->x;
        Check(f,
              {{cx + 5, 310, kRed},        // the copy's own red half
               {ox + 5, 310, c.overlap},   // copy's green over (or under) the object's red
               {ox + 95, 310, kGreen},     // the object's green half
               {cx - 5, 310, kBlue}},
              c.order);
        scene::DeleteObjects(scene_test::kKey, "p");
        scene::DeleteObjects(scene_test::kKey, "g");
    }
}

TEST_F(Trail, TranslucentCopiesBlendLikeAFadedPicture) {
    // A copy at 500 / 1000 looks like the same plate faded to half.
    Plate("ref", 1, 600, 100, 40, 40, "#FF0000");
    ASSERT_EQ(SetUpAction("ref", scene::kActionFade, 0, {"500"}), 1);
    Plate("p", 1, 100, 300, 40, 40, "#FF0000");
    ASSERT_EQ(Blur("p", "TRUE", "1", "500", "320", "FALSE"), 1);
    ASSERT_EQ(SetUpAction("p", scene::kActionMove, 1600, {"1060", "300"}), 1);
    Show();
    for (int i = 0; i < 29; ++i) Compose();
    std::vector<uint32_t> f = Compose();
    SceneObject* p = Find("p");
    int32_t x = 0, y = 0;
    CopyAt(p, 0, &x, &y);
    ASSERT_GT(p->image->x - x, 40);  // apart
    uint32_t half = At(f, 610, 110);
    EXPECT_NE(half, kRed);
    EXPECT_NE(half, kBlue);
    EXPECT_EQ(At(f, x + 10, 310), half);
    EXPECT_EQ(At(f, p->image->x + 10, 310), kRed);
}

TEST_F(Trail, CopiesLeaveTheScreenWithTheTrailOrTheObject) {
    for (const char* how : {"off", "delete"}) {
        Plate("p", 1, 100, 300, 40, 40, "#FF0000");
        ASSERT_EQ(Blur("p", "TRUE", "3", "1000", "160", "FALSE"), 1);
        ASSERT_EQ(SetUpAction("p", scene::kActionMove, 1600, {"1060", "300"}), 1);
        Show();
        for (int i = 0; i < 39; ++i) Compose();
        std::vector<uint32_t> before = Compose();
        SceneObject* p = Find("p");
        int32_t x = 0, y = 0;
        CopyAt(p, 2, &x, &y);
        int objectX = p->image->x;
        ASSERT_EQ(At(before, x + 20, 310), kRed) << how;
        if (std::string(how) == "off") {
            ASSERT_EQ(Blur("p", "FALSE", nullptr, nullptr, nullptr, nullptr), 1);
        } else {
            scene::DeleteObjects(scene_test::kKey, "p");
        }
        std::vector<uint32_t> f = Compose();
        // The copy's place (which the object, 10 px a frame, has not reached).
        EXPECT_EQ(At(f, x + 20, 310), kBlue) << how;
        EXPECT_EQ(At(f, objectX + 20, 310), std::string(how) == "off" ? kRed : kBlue) << how;
        scene::DeleteObjects(scene_test::kKey, "p");
    }
}

// A new picture or pivot reshapes every copy; a copy never draws from a
// picture of another size.
TEST_F(Trail, CopiesTakeANewPictureAndPivot) {
    Plate("p", 1, 100, 300, 100, 100, "#FF0000");
    ASSERT_EQ(Blur("p", "TRUE", "4", "1000", "64", "FALSE"), 1);
    ASSERT_EQ(SetUpAction("p", scene::kActionMove, 1600, {"1060", "300"}), 1);
    Show();
    for (int i = 0; i < 20; ++i) Compose();
    ASSERT_EQ(Run(scene::LoadColorObject, {"small", "10", "10", "#00FF00FF"}), 1);
    ASSERT_EQ(Run(scene::SetImageOf, {"p", "small"}), 1);
    ASSERT_EQ(Run(scene::SetVertexOf, {"p", "center", "middle"}), 1);
    SceneObject* p = Find("p");
    for (int k = 0; k < 4; ++k) {
        int32_t x = 0, y = 0;
        const render::Quad* q = nullptr;
        CopyAt(p, k, &x, &y, &q);
        EXPECT_EQ(q->textureWidth, 12) << k;  // the 10-pixel colour, rounded to 4
        EXPECT_EQ(q->cx, p->image->quad->cx) << k;
    }
    std::vector<uint32_t> f = Compose();
    int32_t x = 0, y = 0;
    CopyAt(p, 3, &x, &y);
    EXPECT_EQ(At(f, x + 5, 305), kGreen);
    EXPECT_EQ(At(f, x + 50, 350), kBlue);  // nothing left of the old picture's size
}

}  // namespace
