// Placement by the position arguments: numbers, "@" and "#" forms and every
// keyword, against the frame, a parent picture and a group parent.
#include <gtest/gtest.h>

#include "create_fixture.h"
#include "scene/position.h"

namespace {

using scene_test::CreateFixture;

struct PlaceCase {
    const char* x;
    const char* y;
    int expectX, expectY;
};

class PositionTest : public CreateFixture {
protected:
    // A 100 x 50 plate at the top level (reference: the frame).
    scene::SceneObject* TopPlate(const char* x, const char* y) {
        if (!Run(scene::CreateColorObject, {"p", "0", x, y, "100", "50", "#FF0000"})) return nullptr;
        return Find("p");
    }
};

TEST_F(PositionTest, KeywordsAgainstTheFrame) {
    const PlaceCase cases[] = {
        {"CENTER", "MIDDLE", 462, 359},  // 512 - 50, 384 - 25
        {"center", "middle", 462, 359},  // upper-cased first
        {"INLEFT", "INTOP", 0, 0},
        {"INRIGHT", "INBOTTOM", 924, 718},
        {"INHERIT", "INHERIT", 462, 359},
        {"OUTLEFT", "OUTTOP", -100, -50},
        {"OUTRIGHT", "OUTBOTTOM", 1024, 768},
        {"ONLEFT", "ONTOP", -50, -25},
        {"ONRIGHT", "ONBOTTOM", 974, 743},
        {"CENTER ", "MIDDLE\t", 462, 359},  // a space or tab may follow
        {"10", "-20", 10, -20},
        {"+7", "0", 7, 0},
        {"@10", "@5", 10, 5},
        {"@50%", "@50%", 512, 384},
        {"@12P", "@3p", 12, 3},
        {"#0%", "#0%", 462, 359},
        {"#10%", "#-10%", 102 - 50 + 512, -77 - 25 + 384},  // floor(102.4), floor(-76.8)
        {"#20P", "#0P", 20 - 50 + 512, 359},
    };
    for (const PlaceCase& c : cases) {
        scene::SceneObject* o = TopPlate(c.x, c.y);
        ASSERT_NE(o, nullptr) << c.x << "," << c.y;
        EXPECT_EQ(o->position[0], c.expectX) << c.x;
        EXPECT_EQ(o->position[1], c.expectY) << c.y;
        // The drawable stands where the object stands.
        EXPECT_EQ(o->image->quad->px[0], c.expectX) << c.x;
        EXPECT_EQ(o->image->quad->py[0], c.expectY) << c.y;
    }
}

TEST_F(PositionTest, InvalidArgumentsCreateNothing) {
    const char* bad[] = {"CENTERX", "CENTER,", "LEFT", "", "@", "@x", "#10", "#", "12.5", "@5Q"};
    for (const char* x : bad) {
        EXPECT_EQ(TopPlate(x, "0"), nullptr) << x;
        EXPECT_EQ(Find("p"), nullptr) << x;
    }
    std::string longText(scene::kPositionArgumentSize, '1');
    EXPECT_EQ(TopPlate(longText.c_str(), "0"), nullptr);
    EXPECT_EQ(TopPlate(nullptr, "0"), nullptr);
    // A name node has no picture: the "#" forms are refused for it.
    scene::SceneObject* node = Make("node");
    int32_t out = 0;
    EXPECT_EQ(scene::ResolvePosition(node, "#0%", scene::kAxisX, &out), 0);
}

TEST_F(PositionTest, KeywordsAgainstAParentPicture) {
    // A 200 x 80 parent picture at (100, 40); children 32 x 10 (a blank
    // picture's width is a multiple of 4).
    ASSERT_TRUE(Run(scene::CreateColorObject, {"parent", "0", "100", "40", "200", "80", "#00FF00"}));
    const PlaceCase cases[] = {
        {"INLEFT", "INTOP", 100, 40},
        {"INRIGHT", "INBOTTOM", 300 - 32, 120 - 10},
        {"OUTLEFT", "OUTTOP", 68, 30},
        {"OUTRIGHT", "OUTBOTTOM", 300, 120},
        {"ONLEFT", "ONTOP", 84, 35},
        {"ONRIGHT", "ONBOTTOM", 284, 115},
        {"INHERIT", "INHERIT", 100 + 100 - 16, 40 + 40 - 5},
        {"CENTER", "MIDDLE", 512 - 16, 384 - 5},  // always the frame centre
        {"@10", "@-5", 110, 35},
        {"@10%", "@10%", 100 + 102, 40 + 76},
        // The parent is a group: numbers are relative to it.
        {"10", "20", 110, 60},
    };
    for (const PlaceCase& c : cases) {
        ASSERT_TRUE(Run(scene::CreateColorObject, {"parent/c", "0", c.x, c.y, "32", "10", "#0000FF"})) << c.x;
        scene::SceneObject* o = Find("parent/c");
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->position[0], c.expectX) << c.x;
        EXPECT_EQ(o->position[1], c.expectY) << c.y;
        EXPECT_EQ(o->groupOffset[0], 100);
        EXPECT_EQ(o->groupOffset[1], 40);
    }
}

TEST_F(PositionTest, GroupWindowIsTheReferenceArea) {
    // A group window without a picture: its surface rectangle is the area.
    ASSERT_TRUE(Run(scene::CreateWindowObject, {"w", "0", "200", "100", "300", "200", "TRUE"}));
    ASSERT_TRUE(Run(scene::CreateColorObject, {"w/c", "0", "INRIGHT", "ONBOTTOM", "40", "20", "#FFFFFF"}));
    scene::SceneObject* o = Find("w/c");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->position[0], 200 + 300 - 40);
    EXPECT_EQ(o->position[1], 100 + 200 - 10);
    // Without the group flag the frame is the reference and numbers are absolute.
    ASSERT_TRUE(Run(scene::CreateWindowObject, {"v", "0", "200", "100", "300", "200", "FALSE"}));
    ASSERT_TRUE(Run(scene::CreateColorObject, {"v/c", "0", "INRIGHT", "10", "40", "20", "#FFFFFF"}));
    o = Find("v/c");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->position[0], 1024 - 40);
    EXPECT_EQ(o->position[1], 10);
    EXPECT_EQ(o->groupOffset[0], 0);
}

TEST_F(PositionTest, TextureAtAnOffsetFromItsParent) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"a", "0", "50", "0", "10", "10", "#FFFFFF"}));
    ASSERT_TRUE(Run(scene::LoadColorObject, {"pic", "20", "20", "#123456"}));
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"a/t", "0", "@10", "0", "pic"}));
    EXPECT_EQ(Find("a/t")->position[0], 60);
}

TEST_F(PositionTest, FrameStandsEightPixelsOut) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"pic", "20", "10", "#FF0000"}));
    ASSERT_TRUE(Run(scene::CreateFrameObject, {"f", "0", "100", "100", "#FFFFFF", "pic"}));
    scene::SceneObject* f = Find("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->position[0], 92);
    EXPECT_EQ(f->position[1], 92);
    EXPECT_EQ(f->image->image->width, 36);
    EXPECT_EQ(f->image->image->height, 26);
    EXPECT_EQ(f->image->image->flags, render::kImgFramed);
    // The picture itself sits at the requested place, the plate around it is soft.
    EXPECT_EQ(f->image->image->rows[8][8], 0xFFFF0000u);
    EXPECT_EQ(f->image->image->rows[0][0] >> 24, 0u);
    uint32_t margin = f->image->image->rows[13][5] >> 24;
    EXPECT_GT(margin, 0u);
    EXPECT_LT(margin, 127u);
}

}  // namespace
