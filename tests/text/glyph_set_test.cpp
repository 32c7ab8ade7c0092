// Glyph sets: entries added, found by font and code, removed by id, and the
// head that is never removed.
#include <gtest/gtest.h>

#include <set>

#include "fake_glyphs.h"
#include "render/drawable.h"
#include "render/image.h"
#include "text/glyph.h"
#include "text/glyph_set.h"

namespace text_test {
namespace {

class GlyphSetTest : public FakeGlyphTest {
protected:
    void SetUp() override {
        FakeGlyphTest::SetUp();
        fonts.Solid('A', 6, 5, 64);
        fonts.Solid('B', 3, 7, 32);
        spec = DefaultSpec();
    }
    void TearDown() override {
        text::ReleaseAll(&spec);
        FakeGlyphTest::TearDown();
    }
    text::FontSpec spec{};
};

TEST_F(GlyphSetTest, AddedEntriesAreFoundByFontAndCode) {
    int32_t a = text::AddGlyph(&spec, 'A');
    spec.direction = text::kOutlineAround;
    int32_t b = text::AddGlyph(&spec, 'B');
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(text::GlyphSetSize(), 2);

    spec.direction = 0;
    const text::GlyphSetEntry* ea = text::FindGlyph(text::FontHash(spec), 'A');
    ASSERT_NE(ea, nullptr);
    EXPECT_EQ(ea->id, a);
    EXPECT_EQ(ea->image->width, 8);
    EXPECT_EQ(ea->image->height, 5);
    EXPECT_EQ(ea->alpha[0], 255) << "the alpha bitmap, not the coverage";
    EXPECT_EQ(ea->glyph.blackBoxX, 6);
    EXPECT_EQ(ea->metrics.height, fonts.height);
    EXPECT_EQ(text::FindGlyph(text::FontHash(spec), 'B'), nullptr) << "B was made with another font";

    spec.direction = text::kOutlineAround;
    const text::GlyphSetEntry* eb = text::FindGlyph(text::FontHash(spec), 'B');
    ASSERT_NE(eb, nullptr);
    EXPECT_EQ(eb->image->width, 8) << "4 + 4 for the direction";
    EXPECT_EQ(eb->image->height, 11);
    EXPECT_EQ(eb->alpha[0], 127);
}

TEST_F(GlyphSetTest, GlyphImageOfAnEntryIsSharedNotOwned) {
    ASSERT_GT(text::AddGlyph(&spec, 'A'), 0);
    const text::GlyphSetEntry* e = text::FindGlyph(text::FontHash(spec), 'A');
    int calls = fonts.glyphCalls;
    render::Drawable* d = text::MakeGlyphImage(&spec, 'A');
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->image, e->image);
    EXPECT_EQ(d->ownsImage, 0);
    EXPECT_EQ(fonts.glyphCalls, calls) << "nothing rasterized again";
    render::DestroyDrawable(&d);
    EXPECT_NE(e->image, nullptr);
    EXPECT_EQ(e->image->rows[0][0] >> 24, 255u) << "the entry's image is still alive";
}

TEST_F(GlyphSetTest, RemovalByIdAndTheHeadIsRefused) {
    int32_t a = text::AddGlyph(&spec, 'A');
    int32_t b = text::AddGlyph(&spec, 'B');
    EXPECT_EQ(text::RemoveGlyph(0), 0) << "the static head stays";
    EXPECT_EQ(text::RemoveGlyph(-1), 0);
    EXPECT_EQ(text::RemoveGlyph(a), 1);
    EXPECT_EQ(text::RemoveGlyph(a), 0);
    EXPECT_EQ(text::FindGlyph(text::FontHash(spec), 'A'), nullptr);
    EXPECT_NE(text::FindGlyph(text::FontHash(spec), 'B'), nullptr);
    // Adding after a removal appends at the end again.
    int32_t c = text::AddGlyph(&spec, 'A');
    EXPECT_GT(c, 0);
    EXPECT_EQ(text::RemoveGlyph(b), 1);
    EXPECT_EQ(text::RemoveGlyph(c), 1);
    EXPECT_EQ(text::GlyphSetSize(), 0);
}

TEST_F(GlyphSetTest, IdsAreUniqueAndFirstMatchWins) {
    std::set<int32_t> ids;
    for (int i = 0; i < 50; ++i) ids.insert(text::AddGlyph(&spec, 'A'));
    EXPECT_EQ(ids.size(), 50u);
    EXPECT_EQ(ids.count(-1), 0u);
    EXPECT_EQ(ids.count(0), 0u);
    const text::GlyphSetEntry* first = text::FindGlyph(text::FontHash(spec), 'A');
    ASSERT_NE(first, nullptr);
    int32_t firstId = first->id;
    EXPECT_EQ(text::RemoveGlyph(firstId), 1);
    EXPECT_NE(text::FindGlyph(text::FontHash(spec), 'A')->id, firstId);
}

TEST_F(GlyphSetTest, FailedAddLeavesNothing) {
    fonts.glyphsBroken = true;
    EXPECT_EQ(text::AddGlyph(&spec, 'A'), -1);
    EXPECT_EQ(text::GlyphSetSize(), 0);
}

TEST_F(GlyphSetTest, ReleasingAFontListRemovesItsEntries) {
    auto* list = static_cast<text::FontList*>(std::calloc(1, sizeof(text::FontList)));
    list->ids = static_cast<int32_t*>(std::calloc(2, sizeof(int32_t)));
    list->ids[list->count++] = text::AddGlyph(&spec, 'A');
    int32_t kept = text::AddGlyph(&spec, 'B');
    list->ids[list->count++] = text::AddGlyph(&spec, 'B');
    text::ReleaseFontList(list);
    EXPECT_EQ(text::GlyphSetSize(), 1);
    EXPECT_EQ(text::FindGlyph(text::FontHash(spec), 'B')->id, kept);
}

}  // namespace
}  // namespace text_test
