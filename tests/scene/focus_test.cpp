// Keyboard focus along SetNextFocus links: where an arrow takes the cursor
// from the object under the mouse, or from nowhere, and links to objects
// that are gone.
#include <gtest/gtest.h>

#include <string>

#include "create_fixture.h"
#include "scene/focus.h"
#include "scene/properties.h"

namespace {

class FocusTest : public scene_test::CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        // Three 50 x 20 buttons: a over b, c right of b; and a plain picture.
        Button("a", 100, 100);
        Button("b", 100, 200);
        Button("c", 300, 200);
        ASSERT_TRUE(Run(scene::CreateColorObject, {"pic", "5", "600", "600", "40", "40", "#FFFFFF"}));
        Link("a", "b", "DOWN");
        Link("b", "a", "up");
        Link("b", "c", "Right");
        Link("c", "b", "LEFT");
        Link("c", "pic", "down");
    }
    void Button(const char* name, int x, int y) {
        ASSERT_TRUE(Run(scene::CreateChoiceObject, {name}));
        std::string sx = std::to_string(x), sy = std::to_string(y);
        for (const char* group : {"MouseUsual", "MouseOver"}) {
            std::string path = std::string(name) + "/" + group + "/p";
            ASSERT_TRUE(Run(scene::CreateColorObject,
                            {path.c_str(), "5", sx.c_str(), sy.c_str(), "50", "20", "#FFFFFF"}));
        }
    }
    void Link(const char* from, const char* to, const char* direction) {
        ASSERT_EQ(Run(scene::SetNextFocusOf, {from, to, direction}), 1) << from << " " << direction;
    }
    // 1 with the cursor's new place, or 0.
    int Target(int direction, int mx, int my, int* x, int* y) {
        core::SceneLockGuard hold;
        return scene::FocusTarget(direction, mx, my, x, y);
    }
};

TEST_F(FocusTest, ArrowsFollowTheLinksOfTheObjectUnderTheMouse) {
    struct Case {
        const char* label;
        int mx, my, direction;
        int found, x, y;
    };
    // The buttons' 50-pixel plates are drawn 52 wide (blank pictures round
    // their width up to 4 pixels).
    const Case cases[] = {
        {"nothing under the mouse: the first linked object", 0, 0, scene::kFocusRight, 1, 126, 110},
        {"a down to b", 110, 105, scene::kFocusDown, 1, 126, 210},
        {"a has no up link", 110, 105, scene::kFocusUp, 0, 0, 0},
        {"b's last pixel, up to a", 151, 219, scene::kFocusUp, 1, 126, 110},
        {"b right to c", 120, 210, scene::kFocusRight, 1, 326, 210},
        {"c down to a plain picture", 320, 210, scene::kFocusDown, 1, 620, 620},
        {"the picture has no links: the first linked object", 610, 610, scene::kFocusUp, 1, 126, 110},
        {"just outside b: nothing under the mouse", 152, 210, scene::kFocusDown, 1, 126, 110},
        {"no such direction", 110, 105, 4, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        EXPECT_EQ(Target(c.direction, c.mx, c.my, &x, &y), c.found) << c.label;
        if (c.found) {
            EXPECT_EQ(x, c.x) << c.label;
            EXPECT_EQ(y, c.y) << c.label;
        }
    }
}

// A gamepad on a screen without links: the pointer goes to the nearest
// clickable object that way (plain pictures are never targets).
TEST_F(FocusTest, PadArrowsWithoutLinksGoToTheNearestClickableThatWay) {
    const struct {
        const char* label;
        int mx, my, direction;
        int found, x, y;
    } cases[] = {
        {"from the corner, right: the nearest by distance", 0, 0, scene::kFocusRight, 1, 126, 110},
        {"a down to b, straight below", 126, 110, scene::kFocusDown, 1, 126, 210},
        {"b right to c", 126, 210, scene::kFocusRight, 1, 326, 210},
        {"c up: a, though not straight above", 326, 210, scene::kFocusUp, 1, 126, 110},
        {"c left to b", 326, 210, scene::kFocusLeft, 1, 126, 210},
        {"nothing right of c", 326, 210, scene::kFocusRight, 0, 0, 0},
        {"from the plain picture, up", 620, 620, scene::kFocusUp, 1, 326, 210},
    };
    for (const auto& c : cases) {
        int x = 0, y = 0;
        int found;
        {
            core::SceneLockGuard hold;
            found = scene::PointerTarget(c.direction, c.mx, c.my, &x, &y);
        }
        EXPECT_EQ(found, c.found) << c.label;
        if (found) {
            EXPECT_EQ(x, c.x) << c.label;
            EXPECT_EQ(y, c.y) << c.label;
        }
    }
}

TEST_F(FocusTest, LinksToDeletedObjectsLeadNowhere) {
    scene::DeleteObjects(scene_test::kKey, "c");
    int x = 0, y = 0;
    EXPECT_EQ(Target(scene::kFocusRight, 120, 210, &x, &y), 0);
    EXPECT_EQ(Target(scene::kFocusUp, 120, 210, &x, &y), 1);
    EXPECT_EQ(y, 110);
}

}  // namespace
