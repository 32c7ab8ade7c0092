// The installed Japanese fonts through the real glyph source and the text
// layer: faces found through their Windows names, metrics, kanji and Latin
// glyphs, Shift-JIS codes whose trail byte is 0x5C, bold and the quarter turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "platform/encoding.h"
#include "platform/glyph_source.h"
#include "render/drawable.h"
#include "render/image.h"
#include "text/font.h"
#include "text/frame_draw.h"
#include "text/glyph.h"
#include "render/dirty_rect.h"
#include "render/image_load.h"

namespace {

std::string Sjis(const char* utf8) { return platform::Utf8ToSjis(utf8); }

struct Opened {
    platform::GlyphFont* font = nullptr;
    explicit Opened(const std::string& faceSjis, int32_t height, int32_t weight = 400) {
        platform::FontRequest r;
        r.faceSjis = faceSjis.c_str();
        r.height = height;
        r.weight = weight;
        font = platform::FreeTypeGlyphSource().open(r);
    }
    ~Opened() { platform::FreeTypeGlyphSource().close(font); }
};

struct Fetched {
    platform::GlyphBox box{};
    std::vector<uint8_t> bitmap;
    int32_t size = -1;
    int ink() const { return std::accumulate(bitmap.begin(), bitmap.end(), 0); }
};

Fetched Fetch(platform::GlyphFont* font, uint32_t code, int turn = 0) {
    Fetched f;
    const platform::GlyphSource& s = platform::FreeTypeGlyphSource();
    int32_t size = s.glyph(font, code, turn, &f.box, nullptr, 0);
    if (size < 0) return f;
    f.bitmap.assign(static_cast<size_t>(size), 0xEE);
    f.size = s.glyph(font, code, turn, &f.box, f.bitmap.data(), static_cast<uint32_t>(size));
    return f;
}

TEST(FreeTypeSource, SjisCodesMapThroughCodePage932) {
    const struct {
        uint32_t code, unicode;
    } cases[] = {{0x41, 'A'},      {0x955C, 0x8868},  // 表
                 {0x835C, 0x30BD},  // ソ
                 {0x8140, 0x3000}, {0x82A0, 0x3042}, {0x815C, 0x2015},
                 {0xB1, 0xFF71},   // half-width katakana
                 {0x81, 0},        // a lone lead byte
                 {0x10041, 0}};
    for (const auto& c : cases) EXPECT_EQ(platform::SjisCodeToUnicode(c.code), c.unicode) << std::hex << c.code;
}

TEST(FreeTypeSource, WindowsJapaneseFacesFallBackToAnInstalledFont) {
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "@ＭＳ ゴシック", "NoSuchFace", ""}) {
        Opened f(Sjis(face), 24);
        ASSERT_NE(f.font, nullptr) << face;
        Fetched kanji = Fetch(f.font, 0x955C);
        EXPECT_GT(kanji.ink(), 0) << face;
    }
}

TEST(FreeTypeSource, ProportionalAndFixedFacesStayApart) {
    Opened proportional(Sjis("ＭＳ Ｐゴシック"), 24), fixed(Sjis("ＭＳ ゴシック"), 24);
    ASSERT_NE(proportional.font, nullptr);
    ASSERT_NE(fixed.font, nullptr);
    EXPECT_LT(Fetch(proportional.font, 'i').box.cellIncX, Fetch(proportional.font, 'W').box.cellIncX);
    EXPECT_EQ(Fetch(fixed.font, 'i').box.cellIncX, Fetch(fixed.font, 'W').box.cellIncX);
    EXPECT_EQ(Fetch(fixed.font, 'i').box.cellIncX, 12) << "half of the em";
}

TEST(FreeTypeSource, MetricsSpanTheLogicalHeight) {
    for (int32_t height : {12, 16, 24, 40}) {
        Opened f(Sjis("ＭＳ Ｐゴシック"), height);
        ASSERT_NE(f.font, nullptr);
        platform::FontMetrics m{};
        ASSERT_EQ(platform::FreeTypeGlyphSource().metrics(f.font, &m), 1);
        EXPECT_EQ(m.height, height);
        EXPECT_EQ(m.ascent + m.descent, height);
        EXPECT_GT(m.ascent, height / 2);
        EXPECT_LT(m.descent, height / 2);
    }
}

TEST(FreeTypeSource, KanjiAndLatinGlyphsHaveSaneBoxesAndLevels) {
    Opened f(Sjis("ＭＳ Ｐゴシック"), 32);
    ASSERT_NE(f.font, nullptr);
    for (uint32_t code : {0x41u, 0x955Cu, 0x835Cu, 0x8ABFu}) {
        Fetched g = Fetch(f.font, code);
        ASSERT_GT(g.size, 0) << std::hex << code;
        const int32_t pitch = (g.box.blackBoxX + 3) & ~3;
        EXPECT_EQ(g.size, pitch * g.box.blackBoxY);
        EXPECT_GT(g.box.blackBoxX, 4);
        EXPECT_LE(g.box.blackBoxX, 34);
        EXPECT_GT(g.box.blackBoxY, 4);
        EXPECT_LE(g.box.blackBoxY, 34);
        EXPECT_GT(g.box.originY, 0);
        EXPECT_GT(g.box.cellIncX, 0);
        EXPECT_EQ(g.box.cellIncY, 0);
        EXPECT_EQ(*std::max_element(g.bitmap.begin(), g.bitmap.end()), 64) << "65 levels, 0 to 64";
        // Padding columns stay empty.
        for (int32_t r = 0; r < g.box.blackBoxY; ++r)
            for (int32_t c = g.box.blackBoxX; c < pitch; ++c)
                ASSERT_EQ(g.bitmap[static_cast<size_t>(r) * pitch + c], 0);
    }
    Fetched latin = Fetch(f.font, 'A'), kanji = Fetch(f.font, 0x955C);
    EXPECT_LT(latin.box.cellIncX, kanji.box.cellIncX) << "a proportional face";
}

TEST(FreeTypeSource, TrailByte5CStaysPartOfItsCharacter) {
    Opened f(Sjis("ＭＳ ゴシック"), 24);
    ASSERT_NE(f.font, nullptr);
    Fetched hyou = Fetch(f.font, 0x955C), so = Fetch(f.font, 0x835C), yen = Fetch(f.font, 0x5C);
    ASSERT_GT(hyou.size, 0);
    ASSERT_GT(so.size, 0);
    EXPECT_EQ(hyou.box.cellIncX, 24) << "a full-width character";
    EXPECT_EQ(so.box.cellIncX, 24);
    EXPECT_LT(yen.box.cellIncX, 24);
    EXPECT_NE(hyou.bitmap, so.bitmap);
}

// "∑" (Shift-JIS 0x8794, one of the NEC special characters) is not in the
// IPA Gothic faces: it comes from the best installed face that has it, drawn
// at the same size on the same baseline with that face's own advance, where
// it used to be an empty box.
TEST(FreeTypeSource, CharacterTheFaceLacksComesFromAnotherFace) {
    Opened ipa(Sjis("ＭＳ ゴシック"), 24), lender(Sjis("DejaVu Sans"), 24);
    ASSERT_NE(ipa.font, nullptr);
    ASSERT_NE(lender.font, nullptr);
    Fetched borrowed = Fetch(ipa.font, 0x8794), own = Fetch(lender.font, 0x8794);
    ASSERT_GT(own.size, 0);
    ASSERT_GT(borrowed.size, 0) << "drawn, not an empty box";
    EXPECT_EQ(borrowed.box.blackBoxX, own.box.blackBoxX);
    EXPECT_EQ(borrowed.box.blackBoxY, own.box.blackBoxY);
    EXPECT_EQ(borrowed.box.originX, own.box.originX);
    EXPECT_EQ(borrowed.box.originY, own.box.originY) << "the same baseline";
    EXPECT_EQ(borrowed.box.cellIncX, own.box.cellIncX) << "the lender's advance";
    EXPECT_LT(borrowed.box.cellIncX, 24) << "not the full-width cell of the IPA face";
    EXPECT_EQ(borrowed.bitmap, own.bitmap);
    // The face's own characters are untouched, and a vertical font turns the
    // borrowed one like its own.
    Fetched kanji = Fetch(ipa.font, 0x955C);
    EXPECT_EQ(kanji.box.cellIncX, 24);
    Opened vertical(Sjis("@ＭＳ ゴシック"), 24);
    ASSERT_NE(vertical.font, nullptr);
    Fetched turned = Fetch(vertical.font, 0x8794);
    ASSERT_GT(turned.size, 0);
    EXPECT_EQ(turned.box.blackBoxX, own.box.blackBoxY);
    EXPECT_EQ(turned.box.blackBoxY, own.box.blackBoxX);
}

TEST(FreeTypeSource, BoldHasMoreInkAndTheQuarterTurnSwapsTheBox) {
    Opened normal(Sjis("ＭＳ Ｐゴシック"), 32), bold(Sjis("ＭＳ Ｐゴシック"), 32, 700);
    ASSERT_NE(normal.font, nullptr);
    ASSERT_NE(bold.font, nullptr);
    EXPECT_GT(Fetch(bold.font, 0x8ABF).ink(), Fetch(normal.font, 0x8ABF).ink() * 11 / 10);

    Fetched upright = Fetch(normal.font, '!'), turned = Fetch(normal.font, '!', 1);
    ASSERT_GT(turned.size, 0);
    EXPECT_EQ(turned.box.blackBoxX, upright.box.blackBoxY);
    EXPECT_EQ(turned.box.blackBoxY, upright.box.blackBoxX);
    EXPECT_EQ(turned.box.cellIncX, 0);
    EXPECT_EQ(turned.box.cellIncY, upright.box.cellIncX);
}

TEST(FreeTypeSource, VerticalFontsTurnTwoByteCharactersOnly) {
    Opened upright(Sjis("ＭＳ ゴシック"), 24), vertical(Sjis("@ＭＳ ゴシック"), 24);
    ASSERT_NE(vertical.font, nullptr);
    Fetched a = Fetch(upright.font, 0x8ABF), b = Fetch(vertical.font, 0x8ABF);
    EXPECT_EQ(b.box.blackBoxX, a.box.blackBoxY);
    EXPECT_EQ(b.box.blackBoxY, a.box.blackBoxX);
    EXPECT_EQ(b.box.cellIncX, 24) << "it still advances along the line";
    EXPECT_EQ(b.box.cellIncY, 0);
    // The turned glyph stays inside its cell.
    EXPECT_GE(b.box.originX, 0);
    EXPECT_LE(b.box.originX + b.box.blackBoxX, 25);
    platform::FontMetrics m{};
    ASSERT_EQ(platform::FreeTypeGlyphSource().metrics(vertical.font, &m), 1);
    EXPECT_LE(b.box.originY, m.ascent + 1);
    EXPECT_GE(b.box.originY - b.box.blackBoxY, -m.descent - 1);
    Fetched la = Fetch(upright.font, 'A'), lb = Fetch(vertical.font, 'A');
    EXPECT_EQ(la.box.blackBoxX, lb.box.blackBoxX);
    EXPECT_EQ(la.bitmap, lb.bitmap) << "half-width characters are not turned";
}

TEST(FreeTypeSource, SmallBufferGetsWholeRowsOnly) {
    Opened f(Sjis("ＭＳ Ｐゴシック"), 64);
    ASSERT_NE(f.font, nullptr);
    platform::GlyphBox box{};
    const platform::GlyphSource& s = platform::FreeTypeGlyphSource();
    int32_t size = s.glyph(f.font, 0x8ABF, 0, &box, nullptr, 0);
    ASSERT_GT(size, 100);
    std::vector<uint8_t> buffer(100, 0xEE);
    int32_t got = s.glyph(f.font, 0x8ABF, 0, &box, buffer.data(), 100);
    const int32_t pitch = (box.blackBoxX + 3) & ~3;
    EXPECT_EQ(got, (100 / pitch) * pitch);
}

// Through the text layer with the default font: images of the right size
// with the glyph's alpha in the fill colour.
TEST(FreeTypeText, DefaultFontGlyphImages) {
    text::ClearFonts();
    text::ResetDefaultFont();
    text::DefaultFont d = text::Default();
    d.size = 24;
    d.fill = 0x3366CC;
    text::SetDefaultFont(d);
    text::FontSpec spec{};
    ASSERT_EQ(text::CreateDefaultFont(&spec), 1);
    for (uint32_t code : {0x41u, 0x955Cu}) {
        int32_t w = 0, h = 0;
        ASSERT_EQ(text::MeasureCharacter(&spec, code, &w, &h), 1);
        render::Drawable* glyph = text::MakeGlyphImage(&spec, code);
        ASSERT_NE(glyph, nullptr);
        EXPECT_EQ(glyph->image->width, w);
        EXPECT_EQ(glyph->image->height, h);
        int opaque = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t p = glyph->image->rows[y][x];
                if (p) {
                    EXPECT_EQ(p & 0xFFFFFF, 0x3366CCu);
                }
                opaque += (p >> 24) == 255;
            }
        EXPECT_GT(opaque, 10) << std::hex << code;
        render::DestroyDrawable(&glyph);
        text::CharRecord r{};
        r.code = static_cast<int32_t>(code);
        ASSERT_EQ(text::MeasureCharRecord(&spec, &r), 1);
        EXPECT_EQ(r.lineHeight, 24);
        EXPECT_GE(r.topOffset, 0);
        EXPECT_LE(r.topOffset + r.boxRows, 24 + 1);
    }
    int32_t w = 0, h = 0;
    ASSERT_EQ(text::MeasureCharacter(&spec, text::kCodeFullWidthSpace, &w, &h), 1);
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 24);
    text::ReleaseAll(&spec);
    text::ClearFonts();
    text::ResetDefaultFont();
}

}  // namespace

namespace {

// The direct path: a real glyph fetched as 0..255 coverage and drawn into a
// frame with a one-direction shadow.
TEST(FreeTypeText, GlyphDrawnStraightIntoTheFrame) {
    text::ClearFonts();
    text::ResetDefaultFont();
    text::DefaultFont d = text::Default();
    d.size = 24;
    d.fill = 0xFFFFFF;
    d.outline = 0x0000FF;
    d.direction = text::kOutlineDown;
    text::SetDefaultFont(d);
    text::FontSpec spec{};
    ASSERT_EQ(text::CreateDefaultFont(&spec), 1);
    ASSERT_EQ(text::FetchGlyphForFrame(&spec, 0x8ABF), 1);
    EXPECT_EQ(spec.metrics.height, 24);
    const int32_t pitch = (spec.glyph.blackBoxX + 3) & ~3;
    int full = 0;
    for (int32_t i = 0; i < pitch * spec.glyph.blackBoxY; ++i) full += spec.buffer[i] == 255;
    EXPECT_GT(full, 10) << "coverage 64 becomes 255";

    std::vector<uint32_t> frame(static_cast<size_t>(render::kFrameStride) * (render::kFrameHeight + 2), 0);
    render::SetPlainFrame(frame.data());
    render::SetDirty({0, 0, render::kFrameWidth, render::kFrameHeight});
    ASSERT_EQ(text::DrawCharToFrame(200, 100, spec, spec.buffer), 1);
    int white = 0, blue = 0;
    for (int y = 90; y < 140; ++y)
        for (int x = 190; x < 240; ++x) {
            uint32_t p = frame[static_cast<size_t>(y) * render::kFrameStride + x];
            white += p == 0x00FEFEFE || p == 0x00FFFFFF;
            blue += p == 0x000000FE;
        }
    EXPECT_GT(white, 10);
    EXPECT_GT(blue, 0) << "the shadow shows below the body";
    render::SetPlainFrame(nullptr);
    render::ResetDirty();
    text::ReleaseAll(&spec);
    text::ClearFonts();
    text::ResetDefaultFont();
}

}  // namespace
