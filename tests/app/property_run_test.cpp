// The property commands end to end in velmoor-tool run --headless: a
// script's SetVertex, SetTone, SetImage, SetComposite, SetSurface, SetBlur
// and DrawTransition calls, with their bare, quoted and numeric arguments,
// shown in the screenshot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::PixelAt;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

int RunGame(const TempDir& game, std::string* output, const std::vector<std::string>& extra = {}) {
    return RunHeadless(game, output, extra, 30000);
}

TEST(PropertyRun, ScriptPropertiesShowInTheFrame) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              // Turned a quarter about its top-left corner (200, 200).
              "\tCreateColor(\"p\", 1, 200, 200, 100, 50, \"#FF0000\");\n"
              "\tSetVertex(\"p\", left, top);\n"
              "\tRotate(\"p\", 0, 0, 0, 90, NULL, NULL);\n"
              // A texture of a loaded white picture, negated.
              "\tLoadColor(\"held\", 40, 40, \"#FFFFFF\");\n"
              "\tCreateTexture(\"t\", 1, 600, 300, \"held\");\n"
              "\tSetTone(\"t\", NegaPosi);\n"
              // A red plate given the white picture instead.
              "\tCreateColor(\"r\", 1, 600, 450, 60, 60, \"#FF0000\");\n"
              "\tSetImage(\"r\", \"held\");\n"
              // A green square pasted into a black plate.
              "\tCreateColor(\"c\", 1, 800, 100, 60, 60, \"#000000\");\n"
              "\tLoadColor(\"dot\", 20, 20, \"#00FF00\");\n"
              "\tSetComposite(\"c\", 10, 10, \"dot\");\n"
              "\tSetComposite(\"c\", \"abc\", 0, \"dot\");\n"
              // Drawn into a surface shown 600 pixels further down.
              "\tCreateSurface(\"sf\", 10, 0, 600, FALSE);\n"
              "\tCreateColor(\"s\", 5, 100, 100, 30, 30, \"#FF0000\");\n"
              "\tSetSurface(\"s\", \"sf\");\n"
              "\tSetNextFocus(\"p\", \"t\", down);\n"
              "\tSetFov(\"p\", 90);\n"
              "\tWait(200);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    struct Probe {
        int x, y;
        uint32_t rgb;
    } probes[] = {
        {175, 250, 0xFF0000}, {155, 295, 0xFF0000}, {250, 225, 0x000080},  // turned plate
        {620, 320, 0x000000}, {645, 320, 0x000080},                        // negated texture
        {610, 460, 0xFFFFFF}, {650, 500, 0x000080},                        // new picture
        {815, 115, 0x00FF00}, {845, 145, 0x000000}, {805, 105, 0x000000},  // pasted square
        {110, 710, 0xFF0000}, {110, 110, 0x000080},                        // into the surface
    };
    for (const Probe& p : probes)
        EXPECT_EQ(PixelAt(shot, p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y << "\n" << output;
}

// Arguments the command table reads plain keep the double quotes a script
// writes around them: a quoted tone name, anchor, rule picture or number is
// not the bare word, so the command changes nothing. Each case is a pair of
// calls, bare and quoted, and the pixels that tell them apart.
TEST(PropertyRun, PlainArgumentsKeepTheirQuotes) {
    struct Case {
        const char* what;
        const char* lines;
        struct {
            int x, y;
            uint32_t rgb;
        } probes[2];
    };
    const Case cases[] = {
        {"tone name",
         "\tCreateTexture(\"t1\", 1, 100, 100, \"white\");\n\tSetTone(\"t1\", NegaPosi);\n"
         "\tCreateTexture(\"t2\", 1, 200, 100, \"white\");\n\tSetTone(\"t2\", \"NegaPosi\");\n",
         {{120, 120, 0x000000}, {220, 120, 0xFFFFFF}}},
        // Turned a quarter about its top-left corner, or about its centre.
        {"anchor",
         "\tCreateColor(\"v1\", 1, 400, 100, 100, 50, \"#FF0000\");\n\tSetVertex(\"v1\", left, top);\n"
         "\tRotate(\"v1\", 0, 0, 0, 90, NULL, NULL);\n"
         "\tCreateColor(\"v2\", 1, 700, 100, 100, 50, \"#FF0000\");\n\tSetVertex(\"v2\", \"left\", \"top\");\n"
         "\tRotate(\"v2\", 0, 0, 0, 90, NULL, NULL);\n",
         {{375, 150, 0xFF0000}, {675, 150, 0x000080}}},
        {"rule picture",
         "\tCreateColor(\"r1\", 1, 100, 300, 100, 100, \"#00FF00\");\n"
         "\tDrawTransition(\"r1\", 0, 1000, 0, 0, rule, NULL, NULL);\n"
         "\tCreateColor(\"r2\", 1, 300, 300, 100, 100, \"#00FF00\");\n"
         "\tDrawTransition(\"r2\", 0, 1000, 0, 0, \"rule\", NULL, NULL);\n",
         {{150, 350, 0x000080}, {350, 350, 0x00FF00}}},
        {"numbers",
         "\tCreateColor(\"c1\", 1, 500, 300, 60, 60, \"#000000\");\n\tSetComposite(\"c1\", 10, 10, \"dot\");\n"
         "\tCreateColor(\"c2\", 1, 600, 300, 60, 60, \"#000000\");\n\tSetComposite(\"c2\", \"10\", 10, \"dot\");\n",
         {{515, 315, 0x00FF00}, {615, 315, 0x000000}}},
    };
    std::string script =
        "chapter main {\n\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
        "\tLoadColor(\"white\", 40, 40, \"#FFFFFF\");\n\tLoadColor(\"rule\", 1024, 768, \"#808080\");\n"
        "\tLoadColor(\"dot\", 20, 20, \"#00FF00\");\n";
    for (const Case& c : cases) script += c.lines;
    script += "\tWait(200);\n\tExit();\n}\n";
    TempDir game;
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    for (const Case& c : cases)
        for (const auto& p : c.probes)
            EXPECT_EQ(PixelAt(shot, p.x, p.y) & 0xFFFFFF, p.rgb) << c.what << " at " << p.x << "," << p.y;
}

// A trail whose one copy lags a minute behind stays where the move began
// while the object has arrived; a trail refused (129 copies) shows nothing.
TEST(PropertyRun, TrailCopyStaysWhereTheMoveBegan) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tCreateColor(\"p\", 1, 100, 300, 40, 40, \"#FF0000\");\n"
              "\tCreateColor(\"q\", 1, 100, 500, 40, 40, \"#00FF00\");\n"
              "\tSetBlur(\"p\", TRUE, 1, 1000, 60000, FALSE);\n"
              "\tSetBlur(\"q\", TRUE, 129, 1000, 60000, FALSE);\n"
              "\tMove(\"p\", 300, 800, 300, NULL, NULL);\n"
              "\tMove(\"q\", 300, 800, 500, NULL, TRUE);\n"
              "\tWait(100);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    EXPECT_EQ(PixelAt(shot, 820, 320) & 0xFFFFFF, 0xFF0000u) << output;  // the object
    EXPECT_EQ(PixelAt(shot, 120, 320) & 0xFFFFFF, 0xFF0000u) << output;  // its copy
    EXPECT_EQ(PixelAt(shot, 820, 520) & 0xFFFFFF, 0x00FF00u) << output;
    EXPECT_EQ(PixelAt(shot, 120, 520) & 0xFFFFFF, 0x000080u) << output;  // no trail
}

// DrawTransition with its wait argument: the script goes on (here to its
// end) only once the picture has wiped in; one ending at 0 hides its picture.
TEST(PropertyRun, DrawTransitionWaitsUntilThePictureHasWipedIn) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tLoadColor(\"rule\", 1024, 768, \"#808080\");\n"
              "\tCreateColor(\"p\", 1, 100, 100, 200, 200, \"#FF0000\");\n"
              "\tCreateColor(\"q\", 1, 500, 100, 200, 200, \"#00FF00\");\n"
              "\tDrawTransition(\"q\", 0, 1000, 0, 0, rule, NULL, NULL);\n"
              "\tDrawTransition(\"p\", 600, 0, 1000, 2, rule, \"NULL\", TRUE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    EXPECT_EQ(PixelAt(shot, 150, 150) & 0xFFFFFF, 0xFF0000u) << output;  // drawn normally
    EXPECT_EQ(PixelAt(shot, 550, 150) & 0xFFFFFF, 0x000080u) << output;  // hidden
}

// Particle layers fall and rise inside their effect objects only; a drop
// layer without a particle picture is not made.
TEST(PropertyRun, ParticlesStayInsideTheirEffectObjects) {
    TempDir game;
    testing_support::WritePicture(game, "drop.png", 8, 8, 0xFFFFFFFFu);
    testing_support::WritePicture(game, "data/particle.png", 6, 6, 0xFFFFFF00u);
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tCreateEffect(\"none\", 5, 0, 0, 100, 100, \"Drop\");\n"
              "\t$SYSTEM_effect_drop_image = \"drop.png\";\n"
              "\tCreateEffect(\"drops\", 5, 100, 100, 300, 300, \"Drop\");\n"
              "\tCreateEffect(\"bubbles\", 5, 600, 100, 300, 300, \"FloatBubble\");\n"
              "\tWait(300);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = testing_support::AllPixels(shot, &w, &h);
    ASSERT_EQ(w, 1024) << output;
    int white = 0, yellow = 0, stray = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
            bool inDrops = x >= 100 && x < 400 && y >= 100 && y < 400;
            bool inBubbles = x >= 600 && x < 900 && y >= 100 && y < 400;
            if (p == 0xFFFFFF && inDrops) ++white;
            else if (p == 0xFFFF00 && inBubbles) ++yellow;
            else if (p != 0x000080) ++stray;
        }
    EXPECT_GT(white, 0) << output;
    EXPECT_GT(yellow, 0) << output;
    EXPECT_EQ(stray, 0) << output;
}

}  // namespace
