// Font records: the hash, the keyword tables, and how platform fonts are
// created, reused and released.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_glyphs.h"
#include "platform/encoding.h"
#include "text/font.h"

namespace text_test {
namespace {

text::FontSpec SpecOf(const char* face, int32_t height, int32_t weight, uint8_t italic,
                      uint8_t underline, uint8_t strikeOut, uint32_t direction, uint32_t fill,
                      uint32_t outline) {
    text::FontSpec s{};
    s.logical.height = height;
    s.logical.weight = weight;
    s.logical.italic = italic;
    s.logical.underline = underline;
    s.logical.strikeOut = strikeOut;
    std::strcpy(s.logical.face, face);
    s.direction = direction;
    s.fill = fill;
    s.outline = outline;
    return s;
}

TEST(FontHash, FollowsTheFormulaWithWrappingArithmetic) {
    const struct {
        text::FontSpec spec;
        int32_t hash;
    } cases[] = {
        {SpecOf("AB", 16, 400, 0, 0, 0, 0x1111, 0xFFFFFF, 0), 100711791},
        {SpecOf("x", -20, 700, 1, 0, 0, 0, 0x123456, 0x654321), 18054560},
        // 8 x height overflows 32 bits.
        {SpecOf("A", 300000000, 400, 0, 0, 0, 0, 0xFFFFFF, 0), 572147296},
        // Every field counts: italic, underline and strike-out with 6, 5, 4.
        {SpecOf("", 0, 0, 1, 1, 1, 0, 0, 0), 16},
    };
    for (const auto& c : cases) EXPECT_EQ(text::FontHash(c.spec), c.hash) << c.spec.logical.face;
}

TEST(FontHash, HandlesAndBufferDoNotCount) {
    text::FontSpec a = SpecOf("AB", 16, 400, 0, 0, 0, 0, 0xFFFFFF, 0);
    text::FontSpec b = a;
    b.buffer = reinterpret_cast<uint8_t*>(&b);
    b.created = 1;
    EXPECT_EQ(text::FontHash(a), text::FontHash(b));
}

TEST(FontKeywords, DirectionsAreExactUpperCaseWords) {
    const struct {
        const char* word;
        uint32_t mask;
    } cases[] = {{"LEFT", 0x0001},     {"RIGHT", 0x0010},     {"DOWN", 0x0100},
                 {"UP", 0x1000},       {"LEFTDOWN", 0x0101},  {"LEFTUP", 0x1001},
                 {"RIGHTDOWN", 0x0110}, {"RIGHTUP", 0x1010},  {"AROUND", 0x1111},
                 {"left", 0},          {"LEFTX", 0},          {"", 0},
                 {nullptr, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(text::DirectionFromKeyword(c.word), c.mask) << (c.word ? c.word : "(null)");
}

TEST(FontKeywords, WeightsByPrefixThenNumberThenNormal) {
    const struct {
        const char* word;
        int32_t weight;
    } cases[] = {{"DONTCARE", 0},   {"thin", 100},     {"ExtraLight", 200}, {"LIGHT", 300},
                 {"NORMAL", 400},   {"MEDIUM", 500},   {"SEMIBOLD", 600},   {"bold", 700},
                 {"EXTRABOLD", 800}, {"HEAVY", 900},   {"BOLDER", 700},     {"650", 650},
                 {"-5", -5},        {"fat", 400},      {"", 400},           {nullptr, 400},
                 {"12px", 400}};
    for (const auto& c : cases)
        EXPECT_EQ(text::WeightFromKeyword(c.word), c.weight) << (c.word ? c.word : "(null)");
}

using DefaultFontTest = FakeGlyphTest;

TEST_F(DefaultFontTest, UnchangedDefaultFontIsCreatedOnce) {
    text::FontSpec first = DefaultSpec();
    text::ReleaseAll(&first);
    text::FontSpec second = DefaultSpec();
    EXPECT_EQ(fonts.opened, 1);
    EXPECT_NE(text::PlatformFont(second), nullptr);
    EXPECT_EQ(second.created, 1);
    text::ReleaseAll(&second);
    EXPECT_EQ(fonts.closed, 0) << "the shared context keeps the default font";
}

TEST_F(DefaultFontTest, SettingUpTheSameRecordTwiceHoldsOneFont) {
    text::FontSpec spec = DefaultSpec();
    ASSERT_EQ(text::CreateDefaultFont(&spec), 1);
    text::ReleaseAll(&spec);
    text::ClearFonts();
    EXPECT_EQ(fonts.closed, fonts.opened) << "no hold was left behind";
}

TEST_F(DefaultFontTest, ChangedDefaultFontIsCreatedAgainAndTheOldOneReleased) {
    text::FontSpec first = DefaultSpec();
    text::ReleaseAll(&first);
    text::DefaultFont changed = text::Default();
    changed.direction = text::kOutlineAround;
    text::SetDefaultFont(changed);
    text::FontSpec second = DefaultSpec();
    EXPECT_EQ(fonts.opened, 2);
    EXPECT_EQ(fonts.closed, 1) << "the font replaced in the shared context is released";
    EXPECT_EQ(second.direction, text::kOutlineAround);
    text::ReleaseAll(&second);
}

TEST_F(DefaultFontTest, DefaultFaceAndFieldsFillTheLogicalFont) {
    text::FontSpec spec = DefaultSpec();
    EXPECT_STREQ(spec.logical.face, platform::Utf8ToSjis("ＭＳ Ｐゴシック").c_str());
    EXPECT_EQ(spec.logical.height, 16);
    EXPECT_EQ(spec.logical.weight, 400);
    EXPECT_EQ(spec.logical.charSet, 134);
    EXPECT_EQ(spec.logical.pitchAndFamily, 1);
    EXPECT_EQ(spec.fill, 0xFFFFFFu);
    EXPECT_EQ(spec.outline, 0u);
    EXPECT_NE(spec.buffer, nullptr);
    text::ReleaseAll(&spec);
}

TEST_F(DefaultFontTest, ResetAndCreateFontMakeNewFontsAndForgetTheReusableOne) {
    text::FontSpec spec = DefaultSpec();
    ASSERT_EQ(text::ResetToDefaultFont(&spec), 1);
    EXPECT_EQ(fonts.opened, 2);
    ASSERT_EQ(text::CreateFont(&spec, "Other", 24, 700, 1, 0, 0), 1);
    EXPECT_EQ(fonts.opened, 3);
    EXPECT_EQ(fonts.faces.back(), "Other");
    EXPECT_EQ(spec.logical.italic, 1);
    text::ReleaseAll(&spec);
    // The selected font is not the default font any more: a new one is made.
    text::FontSpec again = DefaultSpec();
    EXPECT_EQ(fonts.opened, 4);
    text::ReleaseAll(&again);
}

TEST_F(DefaultFontTest, CreateFontWithEmptyFaceFailsWithTheOldFontReleased) {
    text::FontSpec spec = DefaultSpec();
    ASSERT_EQ(text::CreateFont(&spec, "Other", 24, 400, 0, 0, 0), 1);
    EXPECT_EQ(text::CreateFont(&spec, "", 24, 400, 0, 0, 0), 0);
    EXPECT_EQ(text::PlatformFont(spec), nullptr);
    EXPECT_EQ(text::CreateFont(&spec, nullptr, 24, 400, 0, 0, 0), 0);
    EXPECT_EQ(fonts.opened, fonts.closed) << "nothing holds a font any more";
    text::ReleaseAll(&spec);
}

TEST_F(DefaultFontTest, LongFacesAreCutAtACharacterBoundary) {
    // 15 two-byte characters and one more: the 16th would end at byte 32.
    std::string face;
    for (int i = 0; i < 16; ++i) face += "\x82\xa0";
    text::FontSpec spec{};
    ASSERT_EQ(text::CreateFont(&spec, face.c_str(), 16, 400, 0, 0, 0), 1);
    EXPECT_EQ(std::strlen(spec.logical.face), 30u);
    text::ReleaseAll(&spec);
}

TEST_F(DefaultFontTest, ReleaseFontDeselectsAndClosesIt) {
    text::FontSpec spec = DefaultSpec();
    text::ReleaseFont(&spec);
    EXPECT_EQ(fonts.closed, 1);
    text::ReleaseAll(&spec);
    text::FontSpec again = DefaultSpec();
    EXPECT_EQ(fonts.opened, 2);
    text::ReleaseAll(&again);
}

}  // namespace
}  // namespace text_test
