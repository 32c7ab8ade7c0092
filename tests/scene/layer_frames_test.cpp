// Masks and stencils on composed frames: children show only through the
// mask picture, in proportion to its bytes, follow the mask when it moves,
// and nested layers combine their buffers.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "render/surface.h"
#include "scene/properties.h"

namespace {

using scene::SceneObject;
using scene_test::kBlue;
using scene_test::kRed;

// What an opaque texel `s` over `d` becomes through a layer pixel whose
// bytes are all `l`: every byte weighs 255 x l >> 8 (never a plain store).
uint32_t Through(uint32_t s, uint32_t d, int l) {
    int w = 255 * l >> 8;
    uint32_t out = 0;
    for (int b = 0; b < 32; b += 8) {
        int sb = (s >> b) & 0xFF, db = (d >> b) & 0xFF;
        out |= static_cast<uint32_t>(db + ((sb - db) * w >> 8)) << b;
    }
    return out;
}
const uint32_t kShown = Through(kRed, kBlue, 0xFF);

class LayerFrames : public scene_test::FrameFixture {
protected:
    // A 100 x 100 mask at (x, y): white on the left half, black on the right.
    void HalfMask(const char* name, const char* x, const char* y) {
        ASSERT_EQ(Run(scene::LoadColorObject, {"white", "100", "100", "#FFFFFF"}), 1);
        ASSERT_EQ(Run(scene::LoadColorObject, {"black", "50", "100", "#000000"}), 1);
        ASSERT_EQ(Run(scene::SetCompositeOf, {"white", "50", "0", "black"}), 1);
        ASSERT_EQ(Run(scene::CreateMaskObject, {name, "1", x, y, "white", "FALSE"}), 1);
    }
    uint32_t LayerAt(const char* name, int x, int y) {
        return Find(name)->layer->rows[y][x];
    }
};

TEST_F(LayerFrames, ChildrenShowOnlyThroughTheMask) {
    HalfMask("m", "200", "200");
    // A full-frame red child, placed in frame coordinates (not a group).
    Plate("m/c", 2, 0, 0, 1024, 768, "#FF0000");
    std::vector<uint32_t> f = Show();
    Check(f,
          {{210, 210, kShown}, {249, 299, kShown},  // the white half
           {250, 210, kBlue}, {299, 299, kBlue},  // the black half
           {100, 100, kBlue}, {600, 600, kBlue}, {199, 250, kBlue}},  // outside the mask
          "half mask");
}

TEST_F(LayerFrames, GreyMaskWeighsTheChild) {
    ASSERT_EQ(Run(scene::LoadColorObject, {"grey", "100", "100", "#808080"}), 1);
    ASSERT_EQ(Run(scene::CreateMaskObject, {"m", "1", "100", "100", "grey", "FALSE"}), 1);
    Plate("m/c", 2, 0, 0, 1024, 768, "#FF0000");
    std::vector<uint32_t> f = Show();
    EXPECT_EQ(At(f, 150, 150), Through(kRed, kBlue, 0x80)) << std::hex << At(f, 150, 150);
    EXPECT_EQ(At(f, 150, 150), 0xFF7E0080u);  // red 255 x 127 >> 8, blue 255 - 127
}

TEST_F(LayerFrames, TheVisibleAreaFollowsAMovingMask) {
    HalfMask("m", "200", "200");
    Plate("m/c", 2, 0, 0, 1024, 768, "#FF0000");
    Show();
    ASSERT_EQ(SetUpAction("m", scene::kActionMove, 0, {"500", "400"}), 1);
    std::vector<uint32_t> f = Compose();
    Check(f, {{210, 210, kBlue}, {510, 410, kShown}, {560, 410, kBlue}}, "moved");
    ASSERT_EQ(SetUpAction("m", scene::kActionZoom, 0, {"2000", "1000"}), 1);
    f = Compose();
    // Twice as wide about its centre (550, 450): white over 450 .. 549.
    Check(f, {{455, 410, kShown}, {545, 410, kShown}, {555, 410, kBlue}, {445, 410, kBlue}},
          "zoomed");
}

TEST_F(LayerFrames, NestedLayersCombineTheirBuffers) {
    struct Case {
        const char* outer;  // the enclosing mask's colour
        const char* inner;  // the nested layer's picture
        bool stencil;
        uint32_t expected;
    };
    const Case cases[] = {
        {"#FFFFFF", "#404040", false, 0xFF404040u},  // white lets the texel through
        {"#FFFFFF", "#404040", true, 0xFF404040u},
        {"#000000", "#FFFFFF", false, 0xFF000000u},  // black stays shut
        {"#808080", "#404040", true, 0xFF202020u},   // stencil: p x t >> 8
        {"#808080", "#404040", false, 0xFF606060u},  // mask: p + (p (t - p) >> 8)
    };
    for (const Case& c : cases) {
        std::string label = std::string(c.outer) + " " + c.inner + (c.stencil ? " stencil" : " mask");
        ASSERT_EQ(Run(scene::LoadColorObject, {"outer", "100", "100", c.outer}), 1);
        ASSERT_EQ(Run(scene::LoadColorObject, {"inner", "20", "20", c.inner}), 1);
        ASSERT_EQ(Run(scene::CreateMaskObject, {"o", "1", "100", "100", "outer", "FALSE"}), 1);
        if (c.stencil) {
            // Mode 128 keeps the picture's alpha as grey: an opaque picture
            // stencils with white, so give it the inner colour as alpha.
            std::string alpha = std::string("#FFFFFF") + (c.inner + 5);
            ASSERT_EQ(Run(scene::LoadColorObject, {"inner", "20", "20", alpha.c_str()}), 1);
            ASSERT_EQ(Run(scene::CreateStencilObject, {"o/i", "2", "120", "120", "128", "inner", "FALSE"}), 1);
        } else {
            ASSERT_EQ(Run(scene::CreateMaskObject, {"o/i", "2", "120", "120", "inner", "FALSE"}), 1);
        }
        Show();
        EXPECT_EQ(LayerAt("o/i", 125, 125) | 0xFF000000u, c.expected) << label << std::hex << " got "
                                                                     << LayerAt("o/i", 125, 125);
        // Outside the nested picture the enclosing buffer stands.
        EXPECT_EQ(LayerAt("o/i", 105, 105), LayerAt("o", 105, 105)) << label;
        scene::DeleteObjects(scene_test::kKey, "o");
    }
}

}  // namespace
