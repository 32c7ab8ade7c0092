// Placing characters: margins, line ends, the line-breaking lists, wait
// marks and escapes, the bottom cut and AUTO measuring, over fixed metrics
// (one-byte characters 10 pixels wide, two-byte ones 20, all 20 high).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/support.h"
#include "text/text_layout.h"

namespace {

using testing_support::Sjis;

int FixedMeasure(void* context, text::CharRecord* r) {
    if (context && r->code == 'X') return 0;  // a glyph that cannot be made
    bool wide = r->code > 0xFF;
    r->leftBearing = 1;
    r->topOffset = 2;
    r->boxWidth = wide ? 20 : 8;
    r->boxRows = 16;
    r->advance = wide ? 20 : 10;
    r->verticalIncrement = 0;
    r->lineHeight = 20;
    return 1;
}

struct Placed {
    uint32_t code;
    int32_t x, y;
};

std::vector<text::PlacedChar> LayOut(const std::string& sjis, const text::LayoutRules& rules,
                                     int capacity = text::kTextCharacters) {
    std::vector<text::PlacedChar> out(text::kTextCharacters);
    int count = -1;
    EXPECT_EQ(text::LayOutText(sjis.c_str(), rules, FixedMeasure, nullptr, out.data(), capacity, &count), 1);
    out.resize(static_cast<size_t>(count));
    return out;
}

std::vector<Placed> Pens(const std::vector<text::PlacedChar>& placed) {
    std::vector<Placed> pens;
    for (const auto& p : placed) pens.push_back({static_cast<uint32_t>(p.record.code), p.penX, p.penY});
    return pens;
}

text::LayoutRules Rules(int32_t width, int32_t height, int32_t marginLine = 0, int32_t marginRow = 16) {
    text::LayoutRules r;
    r.width = width;
    r.height = height;
    r.marginLine = marginLine;
    r.marginRow = marginRow;
    r.rubyBand = 10;
    return r;
}

TEST(TextLayout, PlacesCharactersAlongLinesWithMarginsAndBreaks) {
    const struct {
        const char* name;
        std::string text;  // UTF-8
        text::LayoutRules rules;
        std::vector<Placed> expected;
    } cases[] = {
        // Pen advances by advance + margin_line; the first line sits below
        // the ruby band.
        {"margins", "ab表", Rules(200, 200, 3), {{'a', 0, 10}, {'b', 13, 10}, {0x955C, 26, 10}}},
        // x + adv + a < W - a: with W 40 and a 0, the fourth one-byte
        // character (30 + 10 = 40) no longer fits.
        {"wrap", "abcde", Rules(40, 200), {{'a', 0, 10}, {'b', 10, 10}, {'c', 20, 10}, {'d', 0, 30}, {'e', 10, 30}}},
        // A margin counts on both sides of the fit test.
        {"wrap margin", "abc", Rules(40, 200, 5), {{'a', 0, 10}, {'b', 15, 10}, {'c', 0, 30}}},
        // A line is as high as its tallest character, at least margin_row.
        {"line height", "a<BR>b<br>c", Rules(200, 200, 0, 30), {{'a', 0, 10}, {'b', 0, 40}, {'c', 0, 70}}},
        // Two-byte characters with trail byte 0x5C are one character each, and
        // not an escape of the next one.
        {"trail 0x5C", "表ソ.", Rules(200, 200), {{0x955C, 0, 10}, {0x835C, 20, 10}}},
        // Text stops where a character would reach height - margin_row.
        {"bottom cut", "ab<BR>cd<BR>ef", Rules(200, 70), {{'a', 0, 10}, {'b', 10, 10}, {'c', 0, 30}, {'d', 10, 30}}},
        // Unknown tags are not drawn.
        {"unknown tag", "a<FONT 20>b", Rules(200, 200), {{'a', 0, 10}, {'b', 10, 10}}},
    };
    for (const auto& c : cases) {
        auto pens = Pens(LayOut(Sjis(c.text), c.rules));
        ASSERT_EQ(pens.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < pens.size(); ++i) {
            EXPECT_EQ(pens[i].code, c.expected[i].code) << c.name << " #" << i;
            EXPECT_EQ(pens[i].x, c.expected[i].x) << c.name << " #" << i;
            EXPECT_EQ(pens[i].y, c.expected[i].y) << c.name << " #" << i;
        }
    }
}

TEST(TextLayout, GlyphGoesToPenPlusBearingAndTopOffset) {
    auto placed = LayOut("ab", Rules(200, 200));
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[1].x, 11);
    EXPECT_EQ(placed[1].y, 12);
}

TEST(TextLayout, LineBreakingListsLetOneCharacterHang) {
    // Width 80 holds three two-byte characters (60 + 20 = 80 does not fit).
    const struct {
        const char* name;
        std::string text, badStart, badEnd;
        std::vector<Placed> expected;
    } cases[] = {
        {"no lists", "あいう。", "", "", {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x8142, 0, 30}}},
        {"full stop hangs", "あいう。", "、。", "",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x8142, 60, 10}}},
        // After one hanging character the next that does not fit breaks.
        {"second breaks", "あいう。。", "、。", "",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x8142, 60, 10}, {0x8142, 0, 30}}},
        {"also in bad_end", "あいう。", "、。", "。",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x8142, 0, 30}}},
        // ソ (0x835C) in the list matches ソ only, not a backslash.
        {"trail 0x5C in list", "あいうソ", "ソ", "",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x835C, 60, 10}}},
        {"0x5C list vs backslash", "あいうa\\\\", "ソ", "",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {'a', 60, 10}, {'\\', 0, 30}}},
        {"表 hangs", "あいう表", "表", "",
         {{0x82A0, 0, 10}, {0x82A2, 20, 10}, {0x82A4, 40, 10}, {0x955C, 60, 10}}},
    };
    for (const auto& c : cases) {
        std::string badStart = Sjis(c.badStart), badEnd = Sjis(c.badEnd);
        text::LayoutRules r = Rules(80, 200);
        r.badStart = badStart.c_str();
        r.badEnd = badEnd.c_str();
        auto placed = LayOut(Sjis(c.text), r);
        auto pens = Pens(placed);
        ASSERT_EQ(pens.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < pens.size(); ++i) {
            EXPECT_EQ(pens[i].code, c.expected[i].code) << c.name << " #" << i;
            EXPECT_EQ(pens[i].x, c.expected[i].x) << c.name << " #" << i;
            EXPECT_EQ(pens[i].y, c.expected[i].y) << c.name << " #" << i;
        }
    }
}

TEST(TextLayout, WaitMarksAndEscapes) {
    const struct {
        const char* name;
        std::string text;
        std::string codes;          // one-byte codes drawn
        std::vector<int32_t> waits;  // extra wait of each
    } cases[] = {
        {"marks delay", "a.b,c..d", "abcd", {0, 100, 500, 200}},
        {"ampersand", "a&.&,b", "a.,b", {0, 0, 0, 0}},
        {"pre", "<PRE>a.b,</PRE>.c", "a.b,c", {0, 0, 0, 0, 100}},
        {"backslash", "\\.\\,\\\\.a", ".,\\a", {0, 0, 0, 100}},
        {"trailing marks", "a..", "a", {0}},
    };
    for (const auto& c : cases) {
        auto placed = LayOut(c.text, Rules(400, 200));
        ASSERT_EQ(placed.size(), c.codes.size()) << c.name;
        for (size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].record.code, static_cast<unsigned char>(c.codes[i])) << c.name << " #" << i;
            EXPECT_EQ(placed[i].extraWait, c.waits[i]) << c.name << " #" << i;
        }
    }
}

TEST(TextLayout, VerticalFontPairsMarks) {
    text::LayoutRules r = Rules(400, 200);
    r.vertical = true;
    auto placed = LayOut("a!?!", r);
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(static_cast<uint32_t>(placed[1].record.code), text::kPairBangQuestion);
    EXPECT_EQ(placed[2].record.code, '!');
}

TEST(TextLayout, StopsAtCapacityAndFailsOnABadGlyph) {
    std::string many(3000, 'a');
    EXPECT_EQ(LayOut(many, Rules(100000, 100000), 2048).size(), 2048u);
    EXPECT_EQ(LayOut(many, Rules(100000, 100000), 5).size(), 5u);
    std::vector<text::PlacedChar> out(4);
    int count = 0;
    int marker = 1;
    EXPECT_EQ(text::LayOutText("abX", Rules(400, 200), FixedMeasure, &marker, out.data(), 4, &count), 0);
}

TEST(TextLayout, MeasuringForAuto) {
    const struct {
        const char* name;
        std::string text;
        int32_t width, height;  // 0 = AUTO
        int32_t expectW, expectH;
    } cases[] = {
        // Never wraps without a width: widest line + 32; bottom + 32 with
        // the first line's height starting at 0 below the ruby band.
        {"one line", "abcdefghij", 0, 0, 100 + 32, 10 + 20 + 32},
        {"two lines", "abc<BR>表表表表", 0, 0, 80 + 32, 10 + 20 + 20 + 32},
        {"wraps at width", "abcdef", 35, 0, 30 + 32, 10 + 20 + 20 + 32},
        {"empty", "", 0, 0, 32, 10 + 32},
    };
    for (const auto& c : cases) {
        text::LayoutRules r = Rules(c.width, c.height);
        int32_t w = 0, h = 0;
        ASSERT_EQ(text::MeasureText(Sjis(c.text).c_str(), r, FixedMeasure, nullptr, &w, &h), 1) << c.name;
        EXPECT_EQ(w, c.expectW) << c.name;
        EXPECT_EQ(h, c.expectH) << c.name;
    }
    int32_t w = 0, h = 0;
    EXPECT_EQ(text::MeasureText(std::string(2047, 'a').c_str(), Rules(0, 0), FixedMeasure, nullptr, &w, &h), 1);
    EXPECT_EQ(text::MeasureText(std::string(2048, 'a').c_str(), Rules(0, 0), FixedMeasure, nullptr, &w, &h), 0);
    // The measured size holds the whole text when laid out.
    std::string t = Sjis("表ソab<BR>cd");
    ASSERT_EQ(text::MeasureText(t.c_str(), Rules(0, 0), FixedMeasure, nullptr, &w, &h), 1);
    EXPECT_EQ(LayOut(t, Rules(w, h)).size(), 6u);
}

// Placement markup through the layout walk: what each case leaves on the
// characters (code, pen x, stop, interval, extra wait) and how many are drawn.
struct Marked {
    uint32_t code;
    int32_t penX;
    int32_t stop, icon, interval, wait;
};

std::vector<std::string> g_tags;
void RecordTag(void*, int next, const text::TagEffect& e) {
    g_tags.push_back(std::to_string(next) + ":" + std::to_string(e.kind));
}
void ValueOf(void*, const char* name, char* out, size_t size) {
    std::string v = std::string(name) == "who" ? "Io" : std::string(name) == "n" ? "3" : "";
    std::snprintf(out, size, "%s", v.c_str());
}
const text::LayoutHooks kTestHooks = {RecordTag, ValueOf, nullptr};

TEST(TextMarkup, PlacementTagsActOnTheNextCharacter) {
    const struct {
        const char* name;
        const char* text;
        std::vector<Marked> expected;
    } cases[] = {
        {"click stop", "a<K>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 1, 2, -1, 0}}},
        {"lower-case click stop", "a<k>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 1, 2, -1, 0}}},
        {"name met inside other text", "a<xyzK>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 1, 2, -1, 0}}},
        {"wait adds to the marks", "a.<WAIT=40>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 0, 0, -1, 140}}},
        {"non-numeric wait ignored", "a<WAIT=soon>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 0, 0, -1, 0}}},
        {"interval and its end", "<INTERVAL=50>a</INTERVAL>b", {{'a', 0, 0, 0, 50, 0}, {'b', 10, 0, 0, 0, 0}}},
        {"span", "<SPAN=30>ab</SPAN>cd", {{'a', 0, 0, 0, -1, 0}, {'b', 30, 0, 0, -1, 0}, {'c', 60, 0, 0, -1, 0}, {'d', 70, 0, 0, -1, 0}}},
        {"span 0 is proportional", "<SPAN=0>ab", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 0, 0, -1, 0}}},
        {"value in place of the tag", "<VALUE NAME=who>!", {{'I', 0, 0, 0, -1, 0}, {'o', 10, 0, 0, -1, 0}, {'!', 20, 0, 0, -1, 0}}},
        {"quoted value name", "<value name=\"n\">", {{'3', 0, 0, 0, -1, 0}}},
        {"pre: marks and tags are text", "<PRE>a.<K>&.</PRE>.b",
         {{'a', 0, 0, 0, -1, 0}, {'.', 10, 0, 0, -1, 0}, {'<', 20, 0, 0, -1, 0}, {'K', 30, 0, 0, -1, 0},
          {'>', 40, 0, 0, -1, 0}, {'&', 50, 0, 0, -1, 0}, {'.', 60, 0, 0, -1, 0}, {'b', 70, 0, 0, -1, 100}}},
        {"unknown tag removed", "a<nothing>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 0, 0, -1, 0}}},
        {"empty font removed", "a<FONT>b", {{'a', 0, 0, 0, -1, 0}, {'b', 10, 0, 0, -1, 0}}},
        {"unterminated tag ends the text", "a<K b c", {{'a', 0, 0, 0, -1, 0}}},
        {"unterminated unknown tag", "a<b", {{'a', 0, 0, 0, -1, 0}}},
    };
    for (const auto& c : cases) {
        text::LayoutRules r = Rules(400, 200);
        r.hooks = &kTestHooks;
        auto placed = LayOut(c.text, r);
        ASSERT_EQ(placed.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < placed.size(); ++i) {
            const Marked& e = c.expected[i];
            EXPECT_EQ(static_cast<uint32_t>(placed[i].record.code), e.code) << c.name << " #" << i;
            EXPECT_EQ(placed[i].penX, e.penX) << c.name << " #" << i;
            EXPECT_EQ(placed[i].stopState, e.stop) << c.name << " #" << i;
            EXPECT_EQ(placed[i].iconKind, e.icon) << c.name << " #" << i;
            EXPECT_EQ(placed[i].interval, e.interval) << c.name << " #" << i;
            EXPECT_EQ(placed[i].extraWait, e.wait) << c.name << " #" << i;
        }
    }
}

TEST(TextMarkup, FontRubyAndVoiceTagsGoToTheOwner) {
    text::LayoutRules r = Rules(400, 200);
    r.hooks = &kTestHooks;
    g_tags.clear();
    // The ruby reading points into the text: it stays alive while it is read.
    const std::string source = "a<font incolor=#FF0000 size=30>b</FONT><I>c</I><RUBY='yo'>XY</RUBY><VOICE SRC=v.ogg>d";
    auto placed = LayOut(source, r);
    ASSERT_EQ(placed.size(), 6u);
    std::vector<std::string> expected = {
        "1:" + std::to_string(text::kTagFont),      "2:" + std::to_string(text::kTagFontEnd),
        "2:" + std::to_string(text::kTagItalic),    "3:" + std::to_string(text::kTagItalicEnd),
        "3:" + std::to_string(text::kTagRuby),      "5:" + std::to_string(text::kTagRubyEnd),
        "5:" + std::to_string(text::kTagVoice)};
    EXPECT_EQ(g_tags, expected);
    EXPECT_EQ(placed[3].rubyBase, 2);
    EXPECT_EQ(std::string(placed[3].rubyText, static_cast<size_t>(placed[3].rubyLength)), "yo");
}

// The tag parser alone: attributes in any case and order, bounded copies.
TEST(TextMarkup, ParserReadsAttributesIntoBoundedFields) {
    const struct {
        const char* name;
        std::string tag;  // after "<"
        int32_t kind;
        std::string rest;  // what follows the tag
    } cases[] = {
        {"font", "FONT INCOLOR=\"#102030\" OUTCOLOR=#405060 FACE=\"IPA Gothic\" SIZE=20>x", text::kTagFont, "x"},
        {"closing font", "/font>x", text::kTagFontEnd, "x"},
        {"italic", "I>x", text::kTagItalic, "x"},
        {"closing strike", "/s>x", text::kTagStrikeEnd, "x"},
        {"center", "CENTER>x", text::kTagCenter, "x"},
        {"middle", "/MIDDLE>x", text::kTagMiddleEnd, "x"},
        {"voice takes its line break", "VOICE NAME=io CLASS=girl SRC=\"v/a.ogg\" MODE=OFF>\r\nx", text::kTagVoice, "x"},
        {"nothing known", "hello>x", text::kTagNone, "x"},
        {"to the end", "WAIT=10", text::kTagWait, ""},
    };
    for (const auto& c : cases) {
        text::TagEffect e;
        const char* next = nullptr;
        const char* p = c.tag.data();
        EXPECT_EQ(text::ParseTag(p, p + c.tag.size(), &e, &next), 1) << c.name;
        EXPECT_EQ(e.kind, c.kind) << c.name;
        EXPECT_EQ(std::string(next, p + c.tag.size()), c.rest) << c.name;
    }
    text::TagEffect e;
    const char* next = nullptr;
    std::string font = "font size=20 outcolor=#405060 face=\"IPA Gothic\" incolor=#102030>";
    text::ParseTag(font.data(), font.data() + font.size(), &e, &next);
    EXPECT_EQ(e.fill, 0x102030u);
    EXPECT_EQ(e.outline, 0x405060u);
    EXPECT_STREQ(e.face, "IPA Gothic");
    EXPECT_EQ(e.size, 20);
    std::string voice = "VOICE NAME=io CLASS=girl SRC=\"v/a.ogg\" MODE=OFF>";
    text::ParseTag(voice.data(), voice.data() + voice.size(), &e, &next);
    EXPECT_STREQ(e.voiceName, "io");
    EXPECT_STREQ(e.voiceClass, "girl");
    EXPECT_STREQ(e.voiceSource, "v/a.ogg");
    EXPECT_EQ(e.voiceEnabled, 0);
    // Over-long values are cut at their field's size, never past it; a
    // 2-byte character is not split.
    std::string longName = "VOICE NAME=" + std::string(100, 'n') + " CLASS=" + std::string(300, 'c') +
                           " SRC=" + std::string(600, 's') + ">";
    text::ParseTag(longName.data(), longName.data() + longName.size(), &e, &next);
    EXPECT_EQ(std::strlen(e.voiceName), text::kVoiceNameSize - 1);
    EXPECT_EQ(std::strlen(e.voiceClass), text::kVoiceClassSize - 1);
    EXPECT_EQ(next, longName.data() + longName.size());
    std::string wide = "VALUE NAME=" + Sjis(std::string(100, 'a') + "表表表表表表表表表表表表表表表");
    wide += ">";
    text::ParseTag(wide.data(), wide.data() + wide.size(), &e, &next);
    EXPECT_EQ(std::strlen(e.valueName), 126u) << "cut before a character that would not fit";
}

}  // namespace

namespace {

struct Slot {
    int32_t kind;
    uint32_t code;  // characters only
    int32_t x, y;   // pen position (characters only)
    int32_t pageStart;
};

std::vector<text::PlacedChar> LayOutBlock(const std::string& sjis, const text::LayoutRules& rules,
                                          text::BlockEnd* end = nullptr) {
    std::vector<text::PlacedChar> out(text::kTextCharacters);
    int count = -1;
    text::BlockEnd e{};
    EXPECT_EQ(text::LayOutTextBlock(sjis.data(), sjis.data() + sjis.size(), rules, FixedMeasure, nullptr,
                                    out.data(), text::kTextCharacters, &count, &e),
              1);
    if (end) *end = e;
    out.resize(static_cast<size_t>(count));
    return out;
}

constexpr int32_t C = text::kSlotCharacter, L = text::kSlotLineEnd, I = text::kSlotInlineCode;

TEST(TextBlockLayout, LineBreaksPagesCommentsAndInlineCode) {
    const struct {
        const char* name;
        std::string text;  // UTF-8 unless raw
        int32_t width, height;
        std::vector<Slot> expected;
    } cases[] = {
        {"line break", "ab\r\ncd", 400, 400, {{C, 'a', 0, 10, 0}, {C, 'b', 10, 10, 0}, {L, 0, 0, 0, 0}, {C, 'c', 0, 30, 0}, {C, 'd', 10, 30, 0}}},
        {"empty line ends the page: the next starts at the top", "a\r\n\r\nb", 400, 400, {{C, 'a', 0, 10, 0}, {L, 0, 0, 0, 0}, {L, 0, 0, 0, 0}, {C, 'b', 0, 10, 1}}},
        {"<? keeps the page", "a<?\r\n\r\nb", 400, 400, {{C, 'a', 0, 10, 0}, {L, 0, 0, 0, 0}, {L, 0, 0, 0, 0}, {C, 'b', 0, 46, 0}}},
        {"<! joins lines", "a<!\r\nb", 400, 400, {{C, 'a', 0, 10, 0}, {C, 'b', 10, 10, 0}}},
        {"comments", "a// note\r\nb/* x /* y */ z */c", 400, 400, {{C, 'a', 0, 10, 0}, {L, 0, 0, 0, 0}, {C, 'b', 0, 30, 0}, {C, 'c', 10, 30, 0}}},
        {"full-stop line left out", "a\r\n.skip\r\nb", 400, 400, {{C, 'a', 0, 10, 0}, {L, 0, 0, 0, 0}, {C, 'b', 0, 30, 0}}},
        {"inline code", "a{ $x = {1}; }b", 400, 400, {{C, 'a', 0, 10, 0}, {I, 0, 0, 0, 0}, {C, 'b', 10, 10, 0}}},
        {"escaped brace", "\\{a", 400, 400, {{C, '{', 0, 10, 0}, {C, 'a', 10, 10, 0}}},
        // No margins: x + advance < width.
        {"fit", "abcd", 30, 400, {{C, 'a', 0, 10, 0}, {C, 'b', 10, 10, 0}, {C, 'c', 0, 30, 0}, {C, 'd', 10, 30, 0}}},
        // A line at or below the height starts at the top again.
        {"back to the top", "a<BR>b<BR>c", 400, 40, {{C, 'a', 0, 10, 0}, {C, 'b', 0, 30, 0}, {C, 'c', 0, 10, 0}}},
        {"trail 0x5C", "表ソ\r\n", 400, 400, {{C, 0x955C, 0, 10, 0}, {C, 0x835C, 20, 10, 0}, {L, 0, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        text::LayoutRules r = Rules(c.width, c.height, 5);  // the margin does not count here
        auto placed = LayOutBlock(testing_support::SjisRaw(c.text), r);
        ASSERT_EQ(placed.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < placed.size(); ++i) {
            const Slot& e = c.expected[i];
            EXPECT_EQ(placed[i].slot, e.kind) << c.name << " #" << i;
            EXPECT_EQ(placed[i].pageStart, e.pageStart) << c.name << " #" << i;
            if (e.kind != C) continue;
            EXPECT_EQ(static_cast<uint32_t>(placed[i].record.code), e.code) << c.name << " #" << i;
            EXPECT_EQ(placed[i].penX, e.x) << c.name << " #" << i;
            EXPECT_EQ(placed[i].penY, e.y) << c.name << " #" << i;
        }
    }
}

TEST(TextBlockLayout, DashesJoinAndTheEndIsReported) {
    std::string dashes = "\x81\x5C\x81\x5C" "a";
    auto placed = LayOutBlock(dashes, Rules(400, 400));
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0].x, 1 + 1) << "bearing 1, moved one pixel towards the second";
    EXPECT_EQ(placed[1].x, 20 + 1);

    text::BlockEnd end{};
    LayOutBlock("ab<?", Rules(400, 400), &end);
    EXPECT_EQ(end.continued, 1);
    EXPECT_EQ(end.x, 20);
    EXPECT_EQ(end.y, 10);
    LayOutBlock("ab\r\nabc", Rules(400, 400), &end);
    EXPECT_EQ(end.continued, 0);
    EXPECT_EQ(end.widest, 30);
    EXPECT_EQ(end.bottom, 30 + 20);
    // Slots point at their place in the source (for read marks and code).
    std::string code = "x{a}\ny";
    auto slots = LayOutBlock(code, Rules(400, 400));
    ASSERT_EQ(slots.size(), 4u);
    EXPECT_EQ(slots[1].source, code.data() + 1);
    EXPECT_EQ(slots[2].source, code.data() + 4) << "a lone LF is a line break too";
    EXPECT_EQ(slots[3].source, code.data() + 5);
}

}  // namespace
