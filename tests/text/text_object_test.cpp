// CreateText as its handler runs it, over hand-made glyphs: the object's
// picture receives the laid-out text from the reveal, AUTO sizes, bad arguments and failing
// glyphs create nothing, the Request keywords, outlines, and deletion
// releasing every glyph image (also when the glyphs came from a LoadFont set
// deleted first).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "fake_glyphs.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene/object_tree.h"
#include "scene/request.h"
#include "scene/scene_fixture.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "support/support.h"
#include "shell/wiring.h"
#include "text/font_commands.h"
#include "text/glyph_set.h"
#include "text/reveal.h"
#include "text/text_object.h"

namespace text_test {
namespace {

using scene_test::kKey;
using testing_support::Sjis;

class CreateTextTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        saved = core::Current().settings;
        g_fake = &fonts;
        platform::SetGlyphSource(&kFakeSource);
        text::ClearFonts();
        text::ResetDefaultFont();
        shell::WireEngine();
        context.ownerKey = kKey;
        // Advance 8 (width + 2), 5 rows from the ascent line: top offset 0.
        fonts.Solid('A', 6, 5, 64);
        fonts.Solid(0x955C, 14, 14, 64, 1, 16, 16);  // 表
        fonts.Solid(0x835C, 12, 14, 64, 0, 16, 16);  // ソ
    }
    void TearDown() override {
        SceneFixture::TearDown();
        text::ClearFonts();
        text::ResetDefaultFont();
        platform::SetGlyphSource(nullptr);
        g_fake = nullptr;
        core::Current().settings = saved;
    }
    int CreateText(std::initializer_list<const char*> args) {
        std::vector<const char*> list(args);
        return text::CreateTextObject(context, scene::CreateArgs{list.data(), static_cast<int>(list.size())});
    }
    scene::SceneObject* Find(const char* path) {
        core::SceneLockGuard hold;
        return scene::FindObject(kKey, path);
    }
    static uint32_t Pixel(const scene::SceneObject* o, int x, int y) {
        return o->image->image->rows[y][x];
    }
    core::Settings saved;
    scene::CreateContext context;
    FakeFonts fonts;
};

TEST_F(CreateTextTest, DrawsTheWholeTextIntoTheObjectsPicture) {
    std::string t = Sjis("AA<BR>表ソ");
    ASSERT_EQ(CreateText({"msg", "5", "100", "50", "200", "100", t.c_str()}), 1);
    scene::SceneObject* o = Find("msg");
    ASSERT_NE(o, nullptr);
    ASSERT_NE(o->text, nullptr);
    ASSERT_NE(o->image, nullptr);
    EXPECT_EQ(o->image->image->width, 200);
    EXPECT_EQ(o->image->image->height, 100);
    EXPECT_EQ(o->position[0], 100);
    EXPECT_EQ(o->position[1], 50);
    EXPECT_EQ(o->priority, 5);
    const text::TextPayload* p = o->text;
    EXPECT_EQ(p->kind, text::kKindCreateText);
    EXPECT_EQ(p->backlog, 1);
    EXPECT_EQ(p->icon, 1);
    EXPECT_EQ(p->layoutRight, 200);
    EXPECT_EQ(p->layoutBottom, 100 - 16);
    ASSERT_EQ(p->count, 4) << "trail byte 0x5C characters are one character each";
    // Line 1 at the ruby band (10), line 2 one font height (20) lower.
    const struct {
        int32_t code, x, y;
    } expected[] = {{'A', 0, 10}, {'A', 8, 10}, {0x955C, 1, 30}, {0x835C, 16, 30}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(p->characters[i].glyph, nullptr);
        EXPECT_EQ(p->characters[i].record.code, expected[i].code) << i;
        EXPECT_EQ(p->characters[i].glyph->x, expected[i].x) << i;
        EXPECT_EQ(p->characters[i].glyph->y, expected[i].y) << i;
        EXPECT_EQ(p->characters[i].glyph->quad, nullptr) << "glyphs are copied, never drawn alone";
    }
    EXPECT_EQ(o->ops.textStep, text::RevealStep) << "CreateText reveals from its first step";
    EXPECT_EQ(Pixel(o, 0, 10) >> 24, 0u) << "nothing is shown before the reveal";
    ASSERT_EQ(scene::RequestObjects(kKey, "msg", "PushText"), 1);
    {
        core::SceneLockGuard hold;
        EXPECT_EQ(text::RevealStep(o), 0) << "pushed: the whole text at once, finished";
    }
    EXPECT_EQ(Pixel(o, 0, 10), 0xFFFFFFFFu) << "the fill colour at full alpha";
    EXPECT_EQ(Pixel(o, 8, 14), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(o, 7, 10) >> 24, 0u) << "between the glyphs";
    EXPECT_EQ(Pixel(o, 0, 15) >> 24, 0u) << "below the five rows";
    EXPECT_EQ(Pixel(o, 1, 30), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(o, 16 + 11, 43), 0xFFFFFFFFu);
    EXPECT_EQ(text::LiveTextGlyphs(), 4);
    EXPECT_EQ(o->ops.draw, scene::DrawObject);

    scene::DeleteObjects(kKey, "msg");
    EXPECT_EQ(Find("msg"), nullptr);
    EXPECT_EQ(text::LiveTextGlyphs(), 0) << "deletion releases every glyph image";
}

TEST_F(CreateTextTest, SizesNumbersAutoAndRefusals) {
    const struct {
        const char* name;
        const char* width;
        const char* height;
        const char* text;
        int made;
        int32_t w, h;
    } cases[] = {
        // AUTO never wraps: widest line (3 x 8) + 32, bottom (10 + 20) + 32.
        {"auto both", "AUTO", "auto", "AAA", 1, 24 + 32, 30 + 32},
        {"auto width", "AuTo", "80", "AAAAAAAAAAAAAAAAAAAAAAAAA", 1, 200 + 32, 80},
        {"numbers", "64", "48", "A", 1, 64, 48},
        {"bad width", "wide", "48", "A", 0, 0, 0},
        {"bad height", "64", "AUTOX", "A", 0, 0, 0},
        {"missing", nullptr, "48", "A", 0, 0, 0},
        {"zero", "0", "48", "A", 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateText({"t", "0", "0", "0", c.width, c.height, c.text}), c.made) << c.name;
        scene::SceneObject* o = Find("t");
        if (!c.made) {
            EXPECT_EQ(o, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(o, nullptr) << c.name;
        EXPECT_EQ(o->image->image->width, (c.w + 3) & ~3) << c.name;
        EXPECT_EQ(o->image->image->height, c.h) << c.name;
        scene::DeleteObjects(kKey, "t");
    }
    std::string big(2048, 'A');
    EXPECT_EQ(CreateText({"t", "0", "0", "0", "AUTO", "AUTO", big.c_str()}), 0);
    EXPECT_EQ(Find("t"), nullptr);
    EXPECT_EQ(text::LiveTextGlyphs(), 0);
}

TEST_F(CreateTextTest, TextIsCutAtTheBottomAndAFailingGlyphCreatesNothing) {
    // Height 50: the second line (y 30, 20 high) reaches 50 - 16.
    ASSERT_EQ(CreateText({"cut", "0", "0", "0", "200", "50", "AA<BR>AA"}), 1);
    EXPECT_EQ(Find("cut")->text->count, 2);
    scene::DeleteObjects(kKey, "cut");

    // Characters not laid out before: glyphs once made are kept by the
    // glyph cache and would not ask the broken source again.
    fonts.glyphsBroken = true;
    EXPECT_EQ(CreateText({"bad", "0", "0", "0", "200", "100", "BB"}), 0);
    EXPECT_EQ(Find("bad"), nullptr);
    EXPECT_EQ(text::LiveTextGlyphs(), 0);
}

TEST_F(CreateTextTest, SettingsMarginsRubyBandAndLineBreakingLists) {
    core::Current().settings.marginLine = 2;
    core::Current().settings.marginRow = 24;
    core::Current().settings.rubyRate = 50;  // half of the 16-pixel default font
    core::Current().settings.badStart = Sjis("ソ");
    // Width 40: the fit test is x + adv + 2 < 38: 表 (16) goes to 0, ソ to
    // 18 (36 < 38); the second ソ does not fit but may hang; A breaks.
    std::string t = Sjis("表ソソA");
    ASSERT_EQ(CreateText({"m", "0", "0", "0", "40", "200", t.c_str()}), 1);
    const text::TextPayload* p = Find("m")->text;
    ASSERT_EQ(p->count, 4);
    EXPECT_EQ(p->characters[0].glyph->y, 8) << "ruby band of 50 per cent";
    EXPECT_EQ(p->characters[1].glyph->x, 18);
    EXPECT_EQ(p->characters[2].glyph->x, 36) << "a character of bad_start hangs";
    EXPECT_EQ(p->characters[2].glyph->y, 8);
    EXPECT_EQ(p->characters[3].glyph->x, 0);
    EXPECT_EQ(p->characters[3].glyph->y, 8 + 24) << "lines at least margin_row apart";
    EXPECT_EQ(p->layoutRight, 38);
    EXPECT_EQ(p->layoutBottom, 176);
}

TEST_F(CreateTextTest, RequestKeywords) {
    ASSERT_EQ(CreateText({"r", "0", "0", "0", "100", "100", "A"}), 1);
    scene::SceneObject* o = Find("r");
    text::TextPayload* p = o->text;
    // A longer word is not the keyword.
    ASSERT_EQ(scene::RequestObjects(kKey, "r", "NoLogs"), 1);
    EXPECT_EQ(p->backlog, 1);
    for (const char* keyword : {"NoLog", "NoIcon\tx", "PushText", "Erase", "Enter", "Smoothing", "UnSmoothing"})
        EXPECT_EQ(scene::RequestObjects(kKey, "r", keyword), 1) << keyword;
    EXPECT_EQ(p->backlog, 0);
    EXPECT_EQ(p->icon, 0);
    EXPECT_EQ(p->push, 1);
    EXPECT_EQ(o->ops.textStep, text::RevealStep) << "Enter installs the text step";
    EXPECT_EQ(o->ops.draw, scene::DrawObject) << "Enter after Erase draws again";
    EXPECT_EQ(o->image->blendMode & 0xF000, 0) << "UnSmoothing after Smoothing";
    {
        core::SceneLockGuard hold;
        EXPECT_EQ(text::RevealStep(o), 0) << "the whole text is shown: finished at once";
    }
    EXPECT_EQ(p->push, 0);
    EXPECT_EQ(p->cursor, p->count);

    ASSERT_EQ(scene::RequestObjects(kKey, "r", "Erase"), 1);
    EXPECT_NE(o->ops.draw, scene::DrawObject);
    EXPECT_NE(o->ops.textStep, text::RevealStep);
    ASSERT_EQ(scene::RequestObjects(kKey, "r", "Smoothing"), 1);
    EXPECT_EQ(o->image->blendMode, 0x1101);
}

TEST_F(CreateTextTest, OutlineImageInTheOutlineColour) {
    text::DefaultFont font = text::Default();
    font.outline = 0x0000FF;
    font.direction = text::kOutlineRightDown;
    text::SetDefaultFont(font);
    ASSERT_EQ(CreateText({"o", "0", "0", "0", "100", "100", "A"}), 1);
    const text::TextPayload* p = Find("o")->text;
    ASSERT_NE(p->outline, nullptr);
    EXPECT_EQ(p->direction, static_cast<uint32_t>(text::kOutlineRightDown));
    ASSERT_EQ(scene::RequestObjects(kKey, "o", "PushText"), 1);
    {
        core::SceneLockGuard hold;
        text::RevealStep(Find("o"));
    }
    EXPECT_EQ(p->outline->rows[10][0], 0xFF0000FFu);
    EXPECT_EQ(Find("o")->image->image->rows[10][0], 0xFFFFFFFFu);
    scene::DeleteObjects(kKey, "o");
    EXPECT_EQ(text::LiveTextGlyphs(), 0);
}

TEST_F(CreateTextTest, GlyphsFromAGlyphSetOutliveItsLoadFontObject) {
    const text::DefaultFont& d = text::Default();
    std::vector<const char*> args = {"set", d.face.c_str(), "16", "#FFFFFF", "#000000", "NORMAL", "", "A"};
    ASSERT_EQ(text::LoadFontObject(context, scene::CreateArgs{args.data(), static_cast<int>(args.size())}), 1);
    ASSERT_EQ(text::GlyphSetSize(), 1);
    ASSERT_EQ(CreateText({"t", "0", "0", "0", "100", "100", "A"}), 1);
    scene::SceneObject* o = Find("t");
    render::Drawable* glyph = o->text->characters[0].glyph;
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(glyph->ownsImage, 1);
    scene::DeleteObjects(kKey, "set");
    EXPECT_EQ(text::GlyphSetSize(), 0);
    EXPECT_EQ(glyph->image->rows[0][0], 0xFFFFFFFFu) << "the copy stays";
    scene::DeleteObjects(kKey, "t");
    EXPECT_EQ(text::LiveTextGlyphs(), 0);
}

TEST_F(CreateTextTest, SetBaseTextInterval) {
    script::GetSystemValues().textInterval = 30;
    EXPECT_EQ(text::SetBaseTextInterval("-5"), 0);
    EXPECT_EQ(text::SetBaseTextInterval("fast"), 0);
    EXPECT_EQ(script::GetSystemValues().textInterval, 30);
    EXPECT_EQ(text::SetBaseTextInterval("45"), 1);
    EXPECT_EQ(script::GetSystemValues().textInterval, 45);
    script::Variable* v = script::LookupExact("$SYSTEM_text_interval");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->number, 45);
}

}  // namespace
}  // namespace text_test
