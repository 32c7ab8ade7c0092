// Glyphs from a synthetic source: coverage to alpha, spaces, the dash, pair
// cells, image sizes, records and the retries of failing platform calls.
#include <gtest/gtest.h>

#include <vector>

#include "fake_glyphs.h"
#include "render/drawable.h"
#include "render/image.h"
#include "text/glyph.h"

namespace text_test {
namespace {

constexpr uint32_t kFill = 0x123456;
constexpr uint32_t kSentinel = 0x5A5A5A5A;

class GlyphTest : public FakeGlyphTest {
protected:
    void SetUp() override {
        FakeGlyphTest::SetUp();
        spec = DefaultSpec();
        spec.fill = kFill;
    }
    void TearDown() override {
        text::ReleaseAll(&spec);
        FakeGlyphTest::TearDown();
    }
    // Renders into a width x rows destination filled with kSentinel.
    std::vector<uint32_t> Render(uint32_t code, int32_t width, int32_t rows, int* ok = nullptr) {
        std::vector<uint32_t> dest(static_cast<size_t>(width) * rows, kSentinel);
        int r = text::RenderCharacter(&spec, code, dest.data(), width, rows, nullptr);
        if (ok) *ok = r;
        return dest;
    }
    text::FontSpec spec{};
};

TEST_F(GlyphTest, CoverageBecomesAlphaAndZeroLeavesThePixel) {
    const struct {
        uint8_t coverage;
        uint32_t pixel;
    } cases[] = {
        {64, 0xFF000000u | kFill}, {1, 0x03000000u | kFill}, {0, kSentinel},
        {32, 0x7F000000u | kFill}, {16, 0x3F000000u | kFill},
    };
    std::vector<uint8_t> row;
    for (const auto& c : cases) row.push_back(c.coverage);
    fonts.Set('A', static_cast<int32_t>(row.size()), row);
    int ok = 0;
    std::vector<uint32_t> dest = Render('A', 8, 1, &ok);
    ASSERT_EQ(ok, 1);
    for (size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(dest[i], cases[i].pixel) << "coverage " << int(cases[i].coverage);
        // The glyph buffer is left holding the alpha.
        EXPECT_EQ(spec.buffer[i], cases[i].pixel == kSentinel ? 0 : cases[i].pixel >> 24);
    }
    EXPECT_EQ(dest[6], kSentinel) << "padding columns are not written";
}

TEST_F(GlyphTest, SpacesTakeTheirCellAndDrawNothing) {
    fonts.height = 20;
    for (uint32_t code : {text::kCodeSpace, text::kCodeFullWidthSpace}) {
        int32_t w = 0, h = 0;
        ASSERT_EQ(text::MeasureCharacter(&spec, code, &w, &h), 1);
        EXPECT_EQ(w, 10) << "the cell advance";
        EXPECT_EQ(h, 20) << "the text height";
        int ok = 0;
        std::vector<uint32_t> dest = Render(code, 12, 20, &ok);
        EXPECT_EQ(ok, 1);
        for (uint32_t p : dest) ASSERT_EQ(p, kSentinel);
        render::Drawable* d = text::MakeGlyphImage(&spec, code);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->image->displayWidth, 10);
        EXPECT_EQ(d->image->height, 20);
        for (int32_t y = 0; y < d->image->height; ++y)
            for (int32_t x = 0; x < d->image->width; ++x) ASSERT_EQ(d->image->rows[y][x], 0u);
        render::DestroyDrawable(&d);
    }
}

TEST_F(GlyphTest, DashCopiesTheThirdCoveredPixelToTheTwoOnItsLeft) {
    std::vector<uint8_t> row = {0, 10, 20, 0, 30, 40};
    fonts.Set(text::kCodeDash, 6, row);
    fonts.Set('-', 6, row);
    std::vector<uint32_t> dash = Render(text::kCodeDash, 8, 1);
    std::vector<uint32_t> plain = Render('-', 8, 1);
    const uint32_t a39 = 0x27000000u | kFill, a79 = 0x4F000000u | kFill,
                   a119 = 0x77000000u | kFill, a159 = 0x9F000000u | kFill;
    EXPECT_EQ(plain, (std::vector<uint32_t>{kSentinel, a39, a79, kSentinel, a119, a159, kSentinel, kSentinel}));
    EXPECT_EQ(dash, (std::vector<uint32_t>{kSentinel, a39, a119, a119, a119, a159, kSentinel, kSentinel}));
}

TEST_F(GlyphTest, ImagesHaveTheMeasuredSizeAndFourMoreWithADirection) {
    fonts.Solid('B', 6, 5, 64);
    int32_t w = 0, h = 0;
    ASSERT_EQ(text::MeasureCharacter(&spec, 'B', &w, &h), 1);
    EXPECT_EQ(w, 8) << "the box width rounded up to a multiple of 4";
    EXPECT_EQ(h, 5);
    for (uint32_t direction : {0u, 0x0001u, 0x1111u}) {
        spec.direction = direction;
        render::Drawable* d = text::MakeGlyphImage(&spec, 'B');
        ASSERT_NE(d, nullptr);
        int32_t extra = direction ? 4 : 0;
        EXPECT_EQ(d->image->width, 8 + extra) << direction;
        EXPECT_EQ(d->image->height, 5 + extra) << direction;
        EXPECT_EQ(d->ownsImage, 1);
        // The glyph stands at the top-left corner.
        EXPECT_EQ(d->image->rows[0][0], 0xFF000000u | kFill);
        EXPECT_EQ(d->image->rows[4][5], 0xFF000000u | kFill);
        if (direction) {
            EXPECT_EQ(d->image->rows[5][0], 0u);
        }
        render::DestroyDrawable(&d);
    }
}

TEST_F(GlyphTest, AGlyphLargerThanTheUsualRequestIsDrawnWhole) {
    // 100 x 100 coverage bytes: more than the 4096 fetched for most glyphs.
    fonts.Solid('W', 100, 100, 64);
    render::Drawable* d = text::MakeGlyphImage(&spec, 'W');
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->image->height, 100);
    EXPECT_EQ(d->image->rows[0][0], 0xFF000000u | kFill);
    EXPECT_EQ(d->image->rows[99][99], 0xFF000000u | kFill) << "the bottom row is not cut off";
    render::DestroyDrawable(&d);
    // The usual glyphs still come out right from the grown buffer.
    fonts.Solid('B', 6, 5, 64);
    d = text::MakeGlyphImage(&spec, 'B');
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->image->rows[4][5], 0xFF000000u | kFill);
    render::DestroyDrawable(&d);
}

TEST_F(GlyphTest, FailedMeasureGivesA128PixelImage) {
    fonts.glyphsBroken = true;
    render::Drawable* d = text::MakeGlyphImage(&spec, 'B');
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->image->width, 128);
    EXPECT_EQ(d->image->height, 128);
    render::DestroyDrawable(&d);
}

TEST_F(GlyphTest, TransientFailuresAreRetriedAThousandTimes) {
    fonts.Solid('B', 6, 5, 64);
    int32_t w = 0, h = 0;
    fonts.glyphFailures = 1000;
    EXPECT_EQ(text::MeasureCharacter(&spec, 'B', &w, &h), 1);
    EXPECT_EQ(fonts.glyphCalls, 1001);
    fonts.glyphFailures = 1001;
    EXPECT_EQ(text::MeasureCharacter(&spec, 'B', &w, &h), 0);
    fonts.glyphFailures = 0;
    fonts.metricsFailures = 1000;
    text::CharRecord record{};
    record.code = 'B';
    EXPECT_EQ(text::MeasureCharRecord(&spec, &record), 1);
    fonts.metricsFailures = 1001;
    EXPECT_EQ(text::MeasureCharRecord(&spec, &record), 0);
}

TEST_F(GlyphTest, CharacterRecordFromTheGlyphAndFontMetrics) {
    fonts.height = 20;
    fonts.ascent = 16;
    fonts.Solid('B', 6, 5, 64, /*ox*/ 1, /*oy*/ 12, /*advance*/ 9);
    fonts.glyphs['C'] = fonts.glyphs['B'];
    fonts.glyphs['C'].box.cellIncX = 0;
    text::CharRecord b{}, c{};
    b.code = 'B';
    c.code = 'C';
    ASSERT_EQ(text::MeasureCharRecord(&spec, &b), 1);
    ASSERT_EQ(text::MeasureCharRecord(&spec, &c), 1);
    EXPECT_EQ(b.leftBearing, 1);
    EXPECT_EQ(b.topOffset, 4);
    EXPECT_EQ(b.boxWidth, 8);
    EXPECT_EQ(b.boxRows, 5);
    EXPECT_EQ(b.advance, 9);
    EXPECT_EQ(b.verticalIncrement, 0);
    EXPECT_EQ(b.lineHeight, 20);
    EXPECT_EQ(c.advance, 8) << "no cell increment: the box width";
}

TEST(GlyphCodes, MarksPairOnlyInAVerticalFont) {
    const struct {
        const char* text;
        bool vertical;
        std::vector<uint32_t> codes;
    } cases[] = {
        {"!?", true, {0x21003F}},
        {"!?", false, {0x21, 0x3F}},
        {"?\x3F!", true, {0x3F003F, 0x21}},
        {"!!", true, {0x210021}},
        {"?!", true, {0x3F0021}},
        {"A!", true, {0x41, 0x21}},
        {"\x95\x5C!", true, {0x955C, 0x21}},  // trail byte 0x5C stays in its character
        {"\x83\x5C\x5C", false, {0x835C, 0x5C}},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> codes;
        uint32_t code = 0;
        for (const char* p = c.text; int n = text::ReadCharacterCode(p, c.vertical, &code); p += n)
            codes.push_back(code);
        EXPECT_EQ(codes, c.codes) << c.text << (c.vertical ? " vertical" : "");
    }
}

TEST(GlyphCodes, PairGapsByHeight) {
    const struct {
        uint32_t code;
        int32_t at40, at32, other;
    } cases[] = {{0x210021, 12, 12, 6}, {0x21003F, 8, 7, 4}, {0x3F0021, 4, 3, 2}, {0x3F003F, 2, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(text::PairGap(c.code, 40), c.at40);
        EXPECT_EQ(text::PairGap(c.code, 32), c.at32);
        EXPECT_EQ(text::PairGap(c.code, 16), c.other);
    }
}

class PairTest : public GlyphTest {
protected:
    void SetUp() override {
        GlyphTest::SetUp();
        fonts.Solid('!', 2, 6, 64);
        fonts.Solid('?', 5, 4, 64);
    }
};

TEST_F(PairTest, PairIsOneCellOfBothTurnedMarks) {
    int32_t w = 0, h = 0;
    ASSERT_EQ(text::MeasureCharacter(&spec, 0x21003F, &w, &h), 1);
    EXPECT_EQ(w, 8) << "the larger width, rounded up";
    EXPECT_EQ(h, 6 + 4 + 8);
    fonts.turns.clear();
    std::vector<uint32_t> dest = Render(0x21003F, w, h);
    EXPECT_EQ(fonts.turns, (std::vector<int>{1, 1})) << "both marks are fetched turned";
    // "?" (the low half) first at the top, one pixel right; the gap for a
    // 16-pixel font is 4 rows; then "!" at the left.
    auto at = [&](int x, int y) { return dest[static_cast<size_t>(y) * w + x]; };
    EXPECT_EQ(at(0, 0), kSentinel);
    EXPECT_EQ(at(1, 0), 0xFF000000u | kFill);
    EXPECT_EQ(at(5, 3), 0xFF000000u | kFill);
    EXPECT_EQ(at(1, 4), kSentinel);
    EXPECT_EQ(at(0, 7), kSentinel);
    EXPECT_EQ(at(0, 8), 0xFF000000u | kFill);
    EXPECT_EQ(at(1, 13), 0xFF000000u | kFill);
    EXPECT_EQ(at(2, 13), kSentinel);
}

TEST_F(PairTest, RowsBeyondTheCellAreNotDrawn) {
    // "!!" in a 40-pixel font leaves 12 rows between the marks: 4 more than
    // the cell reserves.
    spec.logical.height = 40;
    int32_t w = 0, h = 0;
    ASSERT_EQ(text::MeasureCharacter(&spec, 0x210021, &w, &h), 1);
    ASSERT_EQ(h, 20);
    std::vector<uint32_t> dest(static_cast<size_t>(w) * (h + 8), kSentinel);
    ASSERT_EQ(text::RenderCharacter(&spec, 0x210021, dest.data(), w, h, nullptr), 1);
    EXPECT_EQ(dest[static_cast<size_t>(17) * w], kSentinel);
    EXPECT_EQ(dest[static_cast<size_t>(18) * w], 0xFF000000u | kFill) << "second mark starts at 6 + 12";
    EXPECT_EQ(dest[static_cast<size_t>(19) * w], 0xFF000000u | kFill);
    for (int32_t y = h; y < h + 8; ++y) EXPECT_EQ(dest[static_cast<size_t>(y) * w], kSentinel) << y;
}

TEST_F(PairTest, PairRecordsUseTheTableAndTheSecondMark) {
    const struct {
        uint32_t code;
        int32_t topOffset, boxWidth, advance;
    } cases[] = {{0x210021, 4, 4, 2}, {0x3F0021, 4, 8, 5}, {0x3F003F, 1, 8, 5}, {0x21003F, 2, 8, 5}};
    for (const auto& c : cases) {
        text::CharRecord r{};
        r.code = static_cast<int32_t>(c.code);
        ASSERT_EQ(text::MeasureCharRecord(&spec, &r), 1);
        EXPECT_EQ(r.topOffset, c.topOffset) << std::hex << c.code;
        EXPECT_EQ(r.boxWidth, c.boxWidth) << std::hex << c.code;
        // A turned mark has no horizontal advance: the larger width stands in.
        EXPECT_EQ(r.advance, c.advance) << std::hex << c.code;
    }
    text::CharRecord r{};
    r.code = 0x21003F;  // "?" first (4 rows of pitch 8), then "!" (6 rows of pitch 4)
    ASSERT_EQ(text::MeasureCharRecord(&spec, &r), 1);
    EXPECT_EQ(r.lineHeight, 2 * 4 + 6);
    EXPECT_EQ(r.boxRows, (8 * 4) / 8 + (4 * 6) / 8);
    EXPECT_EQ(r.verticalIncrement, 4) << "the '!' mark's advance, turned";
}

TEST_F(GlyphTest, GlyphsLargerThanTheUsualRequestAreRenderedWhole) {
    fonts.Solid(0x889F, 64, 100, 64);  // 6400 bytes of bitmap
    std::vector<uint32_t> dest = Render(0x889F, 64, 100);
    EXPECT_EQ(dest[static_cast<size_t>(63) * 64], 0xFF000000u | kFill);
    EXPECT_EQ(dest[static_cast<size_t>(99) * 64], 0xFF000000u | kFill) << "no row is cut off";
}

TEST_F(GlyphTest, NothingIsWrittenOutsideTheDestination) {
    fonts.Solid('W', 12, 10, 64);
    std::vector<uint32_t> dest(4 * 4 + 4, kSentinel);
    ASSERT_EQ(text::RenderCharacter(&spec, 'W', dest.data(), 4, 4, nullptr), 1);
    for (size_t i = 16; i < dest.size(); ++i) EXPECT_EQ(dest[i], kSentinel);
}

}  // namespace
}  // namespace text_test
