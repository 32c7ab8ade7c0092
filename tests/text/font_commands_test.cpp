// SetFont and LoadFont as their handlers run them: the default font
// replaced or left alone, glyph-set objects with their entries, deletion,
// and the failure path.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "fake_glyphs.h"
#include "support/support.h"
#include "render/image.h"
#include "scene/object_tree.h"
#include "scene/scene_fixture.h"
#include "core/engine.h"
#include "shell/settings.h"
#include "shell/wiring.h"
#include "text/font_commands.h"
#include "text/glyph.h"
#include "text/glyph_set.h"

namespace text_test {
namespace {

using scene_test::kKey;

int SetFont(std::initializer_list<const char*> args) {
    std::vector<const char*> list(args);
    return text::SetFontCommand(list.data(), static_cast<int>(list.size()));
}

TEST_F(FakeGlyphTest, SetFontReplacesTheDefaultFontOrIgnoresBadArguments) {
    const struct {
        std::vector<const char*> args;
        bool changes;
    } cases[] = {
        {{"Face", "24", "#FF0000", "#0000FF", "BOLD", "AROUND"}, true},
        {{"Face", "24", "#FF0000", "#0000FF"}, true},  // weight and direction omitted
        {{"Face", "2x4", "#FF0000", "#0000FF", "BOLD", "AROUND"}, false},
        {{"Face", "", "#FF0000", "#0000FF", "BOLD", "AROUND"}, false},
        {{"Face", nullptr, "#FF0000", "#0000FF", "BOLD", "AROUND"}, false},
        {{"Face", "24", "", "#0000FF", "BOLD", "AROUND"}, false},
        {{"Face", "24", "#FF0000", nullptr, "BOLD", "AROUND"}, false},
    };
    for (const auto& c : cases) {
        text::ResetDefaultFont();
        const text::DefaultFont before = text::Default();
        EXPECT_EQ(text::SetFontCommand(c.args.data(), static_cast<int>(c.args.size())), c.changes ? 1 : 0);
        const text::DefaultFont& after = text::Default();
        if (c.changes) {
            EXPECT_EQ(after.face, "Face");
            EXPECT_EQ(after.size, 24);
            EXPECT_EQ(after.fill, 0xFF0000u);
            EXPECT_EQ(after.outline, 0x0000FFu);
        } else {
            EXPECT_EQ(after.face, before.face);
            EXPECT_EQ(after.size, before.size);
            EXPECT_EQ(after.fill, before.fill);
        }
    }
    ASSERT_EQ(SetFont({"Face", "20", "#FFFFFF", "#000000", "semibold", "LEFTUP"}), 1);
    EXPECT_EQ(text::Default().weight, 600);
    EXPECT_EQ(text::Default().direction, 0x1001u);
    ASSERT_EQ(SetFont({"Face", "20", "#FFFFFF", "#000000", "x", "leftup"}), 1);
    EXPECT_EQ(text::Default().weight, 400);
    EXPECT_EQ(text::Default().direction, 0u);
}

TEST_F(FakeGlyphTest, SetFontTakesEffectForFontsCreatedAfterwards) {
    text::FontSpec before = DefaultSpec();
    ASSERT_EQ(SetFont({"Other", "30", "#102030", "#000000", "BOLD", "DOWN"}), 1);
    EXPECT_EQ(before.logical.height, 16);
    text::FontSpec after = DefaultSpec();
    EXPECT_EQ(after.logical.height, 30);
    EXPECT_EQ(after.logical.weight, 700);
    EXPECT_EQ(after.fill, 0x102030u);
    EXPECT_EQ(after.direction, 0x0100u);
    EXPECT_EQ(fonts.faces.back(), "Other");
    text::ReleaseAll(&before);
    text::ReleaseAll(&after);
}

TEST_F(FakeGlyphTest, SettingsFontSectionSetsTheWholeDefaultFont) {
    core::Settings saved = core::Current().settings;
    core::Current().settings = shell::ParseSettings(
        testing_support::Sjis("[フォント]\nface=ＭＳ 明朝\nsize=28\nweight=700\ninline=#112233\noutline=#445566\n")
            .c_str(),
        nullptr);
    text::DefaultFont d = text::Default();
    d.direction = text::kOutlineAround;  // from an earlier SetFont
    text::SetDefaultFont(d);
    ASSERT_TRUE(text::ReadTextSettings());
    const text::DefaultFont& font = text::Default();
    EXPECT_EQ(font.face, testing_support::SjisRaw("ＭＳ 明朝"));
    EXPECT_EQ(font.size, 28);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.fill, 0x112233u);
    EXPECT_EQ(font.outline, 0x445566u);
    EXPECT_EQ(font.direction, 0u);
    core::Current().settings = shell::ParseSettings("", nullptr);
    ASSERT_TRUE(text::ReadTextSettings());
    EXPECT_EQ(text::Default().face, testing_support::SjisRaw("ＭＳ Ｐゴシック"));
    EXPECT_EQ(text::Default().size, 16);
    EXPECT_EQ(text::Default().fill, 0xFFFFFFu);
    core::Current().settings = saved;
}

class LoadFontTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        g_fake = &fonts;
        platform::SetGlyphSource(&kFakeSource);
        text::ClearFonts();
        text::ResetDefaultFont();
        shell::WireEngine();
        context.ownerKey = kKey;
        fonts.Solid('A', 6, 5, 64);
        fonts.Solid('B', 3, 7, 64);
        fonts.Solid(0x955C, 14, 14, 64);
    }
    void TearDown() override {
        SceneFixture::TearDown();
        text::ClearFonts();
        text::ResetDefaultFont();
        platform::SetGlyphSource(nullptr);
        g_fake = nullptr;
    }
    int LoadFont(std::initializer_list<const char*> args) {
        std::vector<const char*> list(args);
        return text::LoadFontObject(context, scene::CreateArgs{list.data(), static_cast<int>(list.size())});
    }
    scene::SceneObject* Find(const char* path) {
        core::SceneLockGuard hold;
        return scene::FindObject(kKey, path);
    }
    // The hash LoadFont's font has for these arguments.
    int32_t HashOf(const char* face, int32_t size, int32_t weight, uint32_t fill, uint32_t outline,
                   uint32_t direction) {
        text::FontSpec s{};
        text::CreateFont(&s, face, size, weight, 0, 0, 0);
        s.fill = fill;
        s.outline = outline;
        s.direction = direction;
        int32_t h = text::FontHash(s);
        text::ReleaseAll(&s);
        return h;
    }
    scene::CreateContext context;
    FakeFonts fonts;
};

TEST_F(LoadFontTest, MakesAnObjectOwningOneEntryPerCharacter) {
    ASSERT_EQ(LoadFont({"glyphs", "Face", "20", "#FF0000", "#0000FF", "BOLD", "AROUND", "A\x95\x5C" "B"}), 1);
    scene::SceneObject* o = Find("glyphs");
    ASSERT_NE(o, nullptr);
    ASSERT_NE(o->fontList, nullptr);
    EXPECT_EQ(o->fontList->count, 3) << "the trail byte 0x5C belongs to its character";
    EXPECT_EQ(o->shown, 1);
    EXPECT_EQ(text::GlyphSetSize(), 3);
    int32_t hash = HashOf("Face", 20, 700, 0xFF0000, 0x0000FF, 0x1111);
    for (int32_t code : {0x41, 0x955C, 0x42}) {
        const text::GlyphSetEntry* e = text::FindGlyph(hash, code);
        ASSERT_NE(e, nullptr) << std::hex << code;
        EXPECT_EQ(e->image->rows[0][0], 0xFFFF0000u) << "the fill colour at full alpha";
    }
    EXPECT_EQ(text::FindGlyph(hash, 0x95), nullptr);
    EXPECT_EQ(text::FindGlyph(hash, 0x5C), nullptr);
    const text::GlyphSetEntry* a = text::FindGlyph(hash, 'A');
    EXPECT_EQ(a->image->width, 8 + 4);
    EXPECT_EQ(a->image->height, 5 + 4);

    scene::DeleteObjects(kKey, "glyphs");
    EXPECT_EQ(Find("glyphs"), nullptr);
    EXPECT_EQ(text::GlyphSetSize(), 0);
}

TEST_F(LoadFontTest, EmptyCharactersRegisterAnObjectWithNoEntries) {
    ASSERT_EQ(LoadFont({"none", "Face", "20", "#FFFFFF", "#000000", "NORMAL", "", ""}), 1);
    scene::SceneObject* o = Find("none");
    ASSERT_NE(o, nullptr);
    ASSERT_NE(o->fontList, nullptr);
    EXPECT_EQ(o->fontList->count, 0);
    EXPECT_EQ(text::GlyphSetSize(), 0);
    ASSERT_EQ(LoadFont({"absent", "Face", "20", "#FFFFFF", "#000000"}), 1);
    EXPECT_NE(Find("absent"), nullptr);
}

TEST_F(LoadFontTest, ReplacingTheObjectRemovesTheOldEntries) {
    ASSERT_EQ(LoadFont({"glyphs", "Face", "20", "#FFFFFF", "#000000", "", "", "AB"}), 1);
    ASSERT_EQ(LoadFont({"glyphs", "Face", "20", "#FFFFFF", "#000000", "", "", "A"}), 1);
    EXPECT_EQ(text::GlyphSetSize(), 1);
}

TEST_F(LoadFontTest, FailureLeavesNothingAndRestoresTheDefaultFont) {
    const struct {
        std::vector<const char*> args;
        bool breakGlyphs;
    } cases[] = {
        {{"bad", "Face", "20", "#FFFFFF", "#000000", "", "", "AB"}, true},  // glyphs fail
        {{"bad", "", "20", "#FFFFFF", "#000000", "", "", "AB"}, false},     // no face
        {{"bad", "Face", "big", "#FFFFFF", "#000000", "", "", "AB"}, false},  // size not numeric
        {{"", "Face", "20", "#FFFFFF", "#000000", "", "", "AB"}, false},    // no name
    };
    for (const auto& c : cases) {
        fonts.glyphsBroken = c.breakGlyphs;
        EXPECT_EQ(text::LoadFontObject(context, scene::CreateArgs{c.args.data(), static_cast<int>(c.args.size())}), 0);
        EXPECT_EQ(Find("bad"), nullptr);
        EXPECT_EQ(text::GlyphSetSize(), 0);
    }
    fonts.glyphsBroken = false;
    // The shared context holds the default font again: setting it up opens
    // nothing new.
    int opened = fonts.opened;
    text::FontSpec spec{};
    ASSERT_EQ(text::CreateDefaultFont(&spec), 1);
    EXPECT_EQ(fonts.opened, opened);
    text::ReleaseAll(&spec);
}

TEST_F(LoadFontTest, PartialFailureRemovesTheEntriesAlreadyMade) {
    // 'A' renders; the unknown 'Z' is blank and renders too; then the source
    // breaks for good at the third character.
    fonts.glyphs.erase('B');
    ASSERT_EQ(LoadFont({"ok", "Face", "20", "#FFFFFF", "#000000", "", "", "AZ"}), 1);
    EXPECT_EQ(text::GlyphSetSize(), 2);
    scene::DeleteObjects(kKey, "ok");
    fonts.glyphFailures = 0;
    // Fail on the second character: every call after the first glyph fails.
    struct Breaker {
        static int32_t Glyph(platform::GlyphFont* f, uint32_t code, int turn, platform::GlyphBox* box,
                             uint8_t* buffer, uint32_t capacity) {
            if (code != 'A') return -1;
            return FakeGlyphCall(f, code, turn, box, buffer, capacity);
        }
    };
    platform::GlyphSource breaking = kFakeSource;
    breaking.glyph = Breaker::Glyph;
    platform::SetGlyphSource(&breaking);
    EXPECT_EQ(LoadFont({"bad", "Face", "20", "#FFFFFF", "#000000", "", "", "AB"}), 0);
    EXPECT_EQ(text::GlyphSetSize(), 0);
    EXPECT_EQ(Find("bad"), nullptr);
    platform::SetGlyphSource(&kFakeSource);
}

}  // namespace
}  // namespace text_test
