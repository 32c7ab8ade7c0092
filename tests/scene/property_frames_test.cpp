// The property commands on composed frames: pivots that rotation and zoom
// turn about (pictures and windows), drawing into a surface's picture,
// filtered and replaced pictures redrawn, and a cube's field of view.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "scene/cube.h"
#include "scene/properties.h"

namespace {

using scene::SceneObject;
using scene_test::kBlack;
using scene_test::kBlue;
using scene_test::kGreen;
using scene_test::kKey;
using scene_test::kRed;
using scene_test::kWhite;
using scene_test::Probe;

struct PivotCase {
    const char* x;
    const char* y;
    int kind;  // kActionZoom or kActionRotate
    std::vector<const char*> values;
    std::vector<Probe> probes;
};

class PropertyFrames : public scene_test::FrameFixture {
protected:
    // For each case: sets the vertex (which alone changes nothing on the
    // frame), zooms or turns at once, checks the probes, and turns back.
    void RunPivotCases(const char* name, const std::vector<PivotCase>& cases,
                       const std::vector<uint32_t>& plain) {
        for (const PivotCase& c : cases) {
            bool zoom = c.kind == scene::kActionZoom;
            std::string label = std::string(c.x) + "/" + c.y + (zoom ? " zoom" : " rotate");
            ASSERT_EQ(Run(scene::SetVertexOf, {name, c.x, c.y}), 1) << label;
            EXPECT_EQ(FirstDifference(Compose(), plain), -1) << label;
            if (zoom) {
                ASSERT_EQ(SetUpAction(name, c.kind, 0, {c.values[0], c.values[1]}), 1) << label;
            } else {
                ASSERT_EQ(SetUpAction(name, c.kind, 0, {c.values[0], c.values[1], c.values[2]}), 1) << label;
            }
            Check(Compose(), c.probes, label);
            if (zoom) {
                ASSERT_EQ(SetUpAction(name, c.kind, 0, {"1000", "1000"}), 1) << label;
            } else {
                ASSERT_EQ(SetUpAction(name, c.kind, 0, {"0", "0", "0"}), 1) << label;
            }
        }
    }
};

TEST_F(PropertyFrames, PictureTurnsAndZoomsAboutItsVertex) {
    // A 100 x 50 red plate over 200 .. 299 x 200 .. 249.
    Plate("p", 1, 200, 200, 100, 50, "#FF0000");
    std::vector<uint32_t> plain = Show();
    Check(plain, {{205, 205, kRed}, {295, 245, kRed}, {305, 225, kBlue}}, "plain");
    const std::vector<PivotCase> cases = {
        // A quarter turn about the top-left corner: over 151 .. 199 x 200 .. 299.
        {"left", "top", scene::kActionRotate, {"0", "0", "90"},
         {{175, 250, kRed}, {155, 295, kRed}, {250, 225, kBlue}, {205, 250, kBlue}}},
        // About the centre (250, 225): over 226 .. 275 x 175 .. 274.
        {"center", "middle", scene::kActionRotate, {"0", "0", "90"},
         {{250, 180, kRed}, {250, 270, kRed}, {210, 225, kBlue}, {290, 225, kBlue}}},
        // Doubled from the top-left: 200 .. 399 x 200 .. 298.
        {"left", "top", scene::kActionZoom, {"2000", "2000"},
         {{390, 290, kRed}, {205, 205, kRed}, {195, 205, kBlue}, {405, 250, kBlue}}},
        // Doubled about the centre: 150 .. 349 x 175 .. 273.
        {"center", "middle", scene::kActionZoom, {"2000", "2000"},
         {{155, 180, kRed}, {345, 270, kRed}, {145, 225, kBlue}, {250, 170, kBlue}}},
        // Doubled towards the top-left from the bottom-right corner.
        {"right", "bottom", scene::kActionZoom, {"2000", "2000"},
         {{105, 155, kRed}, {295, 245, kRed}, {95, 200, kBlue}, {250, 255, kBlue}}},
        // A pivot given in pixels: (0, 25), the middle of the left edge.
        {"0", "25", scene::kActionZoom, {"2000", "2000"},
         {{205, 180, kRed}, {395, 270, kRed}, {195, 225, kBlue}, {250, 170, kBlue}}},
    };
    RunPivotCases("p", cases, plain);
}

TEST_F(PropertyFrames, WindowTurnsAndZoomsAboutItsVertex) {
    ASSERT_EQ(Run(scene::CreateWindowObject, {"w", "1", "100", "100", "200", "100", "FALSE"}), 1);
    Plate("w/base", 2, 0, 0, 1024, 768, "#FFFFFF");
    // A red square about the window's centre (200, 150).
    Plate("w/red", 3, 190, 140, 20, 20, "#FF0000");
    std::vector<uint32_t> plain = Show();
    Check(plain, {{200, 150, kRed}, {150, 120, kWhite}, {95, 150, kBlue}}, "plain");
    const std::vector<PivotCase> cases = {
        // From the top-left (the window's own default): the square moves
        // to 280 .. 319 x 180 .. 219, the window shows over 100 .. 499 x
        // 100 .. 299.
        {"left", "top", scene::kActionZoom, {"2000", "2000"},
         {{300, 200, kRed}, {200, 150, kWhite}, {495, 295, kWhite}, {505, 150, kBlue}}},
        // About the centre: it grows in place; the window shows over
        // 0 .. 399 x 50 .. 249.
        {"center", "middle", scene::kActionZoom, {"2000", "2000"},
         {{200, 150, kRed}, {185, 135, kRed}, {175, 150, kWhite}, {5, 55, kWhite}, {50, 45, kBlue}}},
        // Half a turn about the centre leaves the square where it is.
        {"center", "middle", scene::kActionRotate, {"0", "0", "180"},
         {{200, 150, kRed}, {150, 120, kWhite}, {310, 150, kBlue}}},
    };
    RunPivotCases("w", cases, plain);
}

TEST_F(PropertyFrames, ObjectDrawsIntoASurfaceAndBackIntoTheFrame) {
    // The surface's picture (opaque black where nothing is drawn into it)
    // is shown 200 pixels to the right of where it is drawn into.
    ASSERT_EQ(Run(scene::CreateSurfaceObject, {"sf", "10", "200", "0", "FALSE"}), 1);
    Plate("p", 5, 100, 100, 50, 50, "#FF0000");
    ASSERT_EQ(Run(scene::SetSurfaceOf, {"p", "sf"}), 1);
    std::vector<uint32_t> f = Show();
    Check(f, {{120, 120, kBlue}, {320, 120, kRed}, {348, 148, kRed}, {360, 120, kBlack}, {195, 120, kBlue}}, "into the surface");
    ASSERT_EQ(Run(scene::SetSurfaceOf, {"p", "missing"}), 1);
    f = Compose();
    Check(f, {{120, 120, kRed}, {148, 148, kRed}, {320, 120, kRed}}, "into the frame again");
}

// A scratch surface is cleared each frame something is redrawn, so it shows
// only what is drawn into it now; any other surface keeps what was drawn.
TEST_F(PropertyFrames, AScratchSurfaceShowsOnlyWhatIsDrawnIntoItNow) {
    const struct {
        const char* scratch;
        uint32_t left;  // where the deleted plate was drawn into the surface
    } cases[] = {{"TRUE", kBlue}, {"FALSE", kRed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scratch);
        ASSERT_EQ(Run(scene::CreateSurfaceObject, {"sf", "10", "0", "0", c.scratch}), 1);
        Plate("p", 5, 100, 100, 50, 50, "#FF0000");
        Plate("q", 5, 300, 100, 50, 50, "#00FF00");
        ASSERT_EQ(Run(scene::SetSurfaceOf, {"p", "sf"}), 1);
        ASSERT_EQ(Run(scene::SetSurfaceOf, {"q", "sf"}), 1);
        Check(Show(), {{120, 120, kRed}, {320, 120, kGreen}}, "drawn into the surface");
        scene::DeleteObjects(kKey, "p");
        Check(Compose(), {{120, 120, c.left}, {320, 120, kGreen}}, "one deleted");
        scene::DeleteObjects(kKey, "q");
        scene::DeleteObjects(kKey, "sf");
        Compose();
    }
}

TEST_F(PropertyFrames, FilteredAndReplacedPicturesAreRedrawn) {
    ASSERT_EQ(Run(scene::LoadColorObject, {"held", "48", "48", "#FFFFFFFF"}), 1);
    ASSERT_EQ(Run(scene::CreateTextureObject, {"t", "1", "300", "300", "held"}), 1);
    Plate("r", 1, 500, 100, 60, 60, "#FF0000");
    ASSERT_EQ(Run(scene::LoadColorObject, {"g", "20", "20", "#00FF00FF"}), 1);
    std::vector<uint32_t> f = Show();
    Check(f, {{320, 320, kWhite}, {530, 130, kRed}}, "plain");
    // Toning the loaded picture redraws the texture that shows it.
    ASSERT_EQ(Run(scene::SetToneOf, {"held", "NEGAPOSI"}), 1);
    f = Compose();
    Check(f, {{320, 320, kBlack}, {345, 345, kBlack}, {350, 320, kBlue}}, "toned");
    // A smaller picture: what the old one covered is drawn again.
    ASSERT_EQ(Run(scene::SetImageOf, {"r", "g"}), 1);
    f = Compose();
    Check(f, {{505, 105, kGreen}, {519, 119, kGreen}, {525, 105, kBlue}, {530, 130, kBlue}}, "replaced");
    ASSERT_EQ(Run(scene::SetToneOf, {"held", "NULL"}), 1);
    f = Compose();
    Check(f, {{320, 320, kWhite}}, "restored");
}

TEST_F(PropertyFrames, WiderFieldOfViewShowsTheCubeLarger) {
    render::Image* faces[6];
    for (render::Image*& face : faces) face = render::CreateBlankImage(160, 160, 0xFF0000, 255);
    scene::Cube* cube = scene::NewCube(nullptr, faces);
    ASSERT_NE(cube, nullptr);
    {
        core::SceneLockGuard hold;
        ASSERT_EQ(scene::AttachCube(scene::CreateObject(kKey, "cube"), cube), 1);
    }
    // At 60 degrees the front face spans about 421 .. 603, at 120 about 387 .. 637.
    std::vector<uint32_t> f = Show();
    Check(f, {{512, 384, kRed}, {622, 384, kBlue}}, "60 degrees");
    ASSERT_EQ(Run(scene::SetFovOf, {"cube", "120"}), 1);
    f = Compose();
    Check(f, {{512, 384, kRed}, {622, 384, kRed}}, "120 degrees");
}

}  // namespace
