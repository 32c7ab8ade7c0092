// The glyph cache of layout: a text laid out again asks the glyph source for
// nothing, another font size is a glyph of its own, and many characters
// stay within the cache's bounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reveal_fixture.h"
#include "text/glyph_cache.h"

namespace text_test {
namespace {

using scene_test::kKey;

TEST_F(RevealTest, GlyphsLaidOutBeforeComeFromTheCache) {
    scene::SceneObject* first = Make("abcabc");
    const render::Image* a = first->text->characters[0].glyph->image;
    const int32_t w = a->width, h = a->height;
    scene::DeleteObjects(kKey, "t");
    int calls = fonts.glyphCalls;
    scene::SceneObject* again = Make("cab");
    EXPECT_EQ(fonts.glyphCalls, calls) << "nothing measured or drawn again";
    const render::Image* copy = again->text->characters[1].glyph->image;
    ASSERT_NE(copy, a);
    EXPECT_EQ(copy->width, w);
    EXPECT_EQ(copy->height, h);
    EXPECT_NE(copy->rows[0][0] >> 24, 0u) << "the picture is the glyph's";
    scene::DeleteObjects(kKey, "t");

    // Another size of the same face is another glyph.
    text::DefaultFont bigger = text::Default();
    bigger.size += 4;
    text::SetDefaultFont(bigger);
    Make("a");
    EXPECT_GT(fonts.glyphCalls, calls);
}

TEST_F(RevealTest, TheGlyphCacheStaysWithinItsBounds) {
    // 3 x 1500 different two-byte characters (unknown to the source: blank
    // cells) pass the cache's half-size more than once.
    for (int round = 0; round < 3; ++round) {
        std::string text;
        for (int i = 0; i < 1500; ++i) {
            int n = round * 1500 + i;  // lead bytes 0x88.., trail bytes 0x40..0xFC but 0x7F
            int trail = n % 188;
            text += static_cast<char>(0x88 + n / 188);
            text += static_cast<char>(0x40 + trail + (trail >= 0x3F ? 1 : 0));
        }
        std::vector<const char*> list = {"t", "0", "0", "0", "1000", "700", text.c_str()};
        ASSERT_EQ(text::CreateTextObject(context, scene::CreateArgs{list.data(), 7}), 1);
        scene::DeleteObjects(kKey, "t");
        core::LockGuard hold(core::kLockText);
        EXPECT_LE(text::GlyphCacheEntries(), text::kGlyphCacheEntries);
        EXPECT_LE(text::GlyphCacheBytes(), text::kGlyphCacheBytes);
        EXPECT_GT(text::GlyphCacheEntries(), 0u);
    }
}

}  // namespace
}  // namespace text_test
