// Image records, copies, filters, captures and loading by name.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <vector>
#include <fstream>

#include "corpus.h"
#include "render/filters.h"
#include "render/image_decoders.h"
#include "render/image_load.h"
#include "support/support.h"

namespace {

using render::Image;

struct ImageDeleter {
    void operator()(Image* image) const { render::DestroyImage(&image); }
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

ImagePtr Pattern(int w, int h, uint32_t seed = 1) {
    ImagePtr image(render::AllocImage(w, h, w));
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            image->rows[y][x] = s;
        }
    image->flags = render::kImgPngAlpha;
    return image;
}

bool SamePixels(const Image* a, const Image* b) {
    if (a->width != b->width || a->height != b->height) return false;
    for (int y = 0; y < a->height; ++y)
        if (std::memcmp(a->rows[y], b->rows[y], static_cast<size_t>(a->width) * 4) != 0) return false;
    return true;
}

TEST(Image, BlankRoundsWidthAndFillsSpareRows) {
    struct Case {
        int width;
        uint32_t colour, alpha;
        int expectedWidth;
        uint16_t flags;
    };
    for (const Case& c : {Case{5, 0, 0, 8, render::kImgBlankAlpha},
                          Case{8, 0x123456, 255, 8, render::kImgBlankOpaque},
                          Case{1, 0xFF0000, 128, 4, render::kImgBlankAlpha}}) {
        SCOPED_TRACE(c.width);
        ImagePtr image(render::CreateBlankImage(c.width, 3, c.colour, c.alpha));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.expectedWidth);
        EXPECT_EQ(image->displayWidth, c.expectedWidth);
        EXPECT_EQ(image->flags, c.flags);
        uint32_t value = c.colour | c.alpha << 24;
        // Row table: entries from height on all read the spare row.
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(image->rows[i][c.expectedWidth - 1], value) << i;
        }
        EXPECT_EQ(image->rows[11], image->rows[3]);
        EXPECT_EQ(image->rows[3], reinterpret_cast<uint32_t*>(image->pixels) + 4 * c.expectedWidth);
    }
    EXPECT_EQ(render::CreateBlankImage(0, 3, 0, 0), nullptr);
    EXPECT_EQ(render::CreateBlankImage(3, -1, 0, 0), nullptr);
}

TEST(Image, SharedImagesSurviveDestroy) {
    Image* image = render::CreateBlankImage(4, 4, 0, 255);
    image->flags |= render::kImgShared;
    render::DestroyImage(&image);
    ASSERT_NE(image, nullptr);
    render::ReleaseSharedImage(&image);
    EXPECT_EQ(image, nullptr);
}

TEST(Image, CopyIntoClipsAndRefuses) {
    struct Case {
        const char* what;
        int destW, destH, srcW, srcH, x, y;
        int result;
        int firstDestRow;  // destination row that receives source row 0
    };
    const Case cases[] = {
        {"inside", 8, 8, 4, 4, 2, 3, 1, 3},
        {"negative y starts at row 0", 8, 8, 4, 4, 0, -10, 1, 0},
        {"clipped at the right and bottom", 8, 8, 4, 4, 6, 6, 1, 6},
        {"x at the width", 8, 8, 4, 4, 8, 0, 0, -1},
        {"y at the height", 8, 8, 4, 4, 0, 8, 0, -1},
        {"narrower and lower", 3, 3, 4, 4, 0, 0, 0, -1},
        {"narrower only", 3, 8, 4, 4, 0, 0, 1, 0},
        {"negative x", 8, 8, 4, 4, -1, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImagePtr dest(render::AllocImage(c.destW, c.destH, c.destW));
        ImagePtr src = Pattern(c.srcW, c.srcH);
        ASSERT_EQ(render::CopyInto(dest.get(), src.get(), c.x, c.y), c.result);
        if (!c.result) continue;
        int columns = std::min(c.srcW, c.destW - c.x);
        int rowCount = std::min(c.srcH, c.destH - c.firstDestRow);
        for (int y = 0; y < c.destH; ++y)
            for (int x = 0; x < c.destW; ++x) {
                bool inside = y >= c.firstDestRow && y < c.firstDestRow + rowCount && x >= c.x &&
                              x < c.x + columns;
                uint32_t expected = inside ? src->rows[y - c.firstDestRow][x - c.x] : 0;
                ASSERT_EQ(dest->rows[y][x], expected) << x << "," << y;
            }
        // Nothing beyond the picture was touched.
        EXPECT_EQ(dest->rows[c.destH][0], 0u);
    }
}

TEST(Image, CopyAlphaWithColourTintsAndPasteMarksTheImage) {
    ImagePtr glyph(render::AllocImage(2, 1, 2));
    glyph->rows[0][0] = 0x80FFFFFFu;
    glyph->rows[0][1] = 0x00123456u;
    ImagePtr dest(render::CreateBlankImage(4, 2, 0, 0));
    ASSERT_EQ(render::CopyAlphaWithColour(dest.get(), glyph.get(), 1, 1, 0xFFABCDEFu), 1);
    EXPECT_EQ(dest->rows[1][1], 0x80ABCDEFu);
    EXPECT_EQ(dest->rows[1][2], 0x00ABCDEFu);
    EXPECT_EQ(dest->rows[0][1], 0u);

    ASSERT_EQ(render::PasteImage(dest.get(), 3, 1, glyph.get()), 1);
    EXPECT_EQ(dest->rows[1][3], 0x80FFFFFFu);
    EXPECT_EQ(dest->flags, render::kImgPasted);
    EXPECT_EQ(render::PasteImage(dest.get(), 4, 2, glyph.get()), 1);  // at the edge: nothing to copy
    EXPECT_EQ(render::PasteImage(dest.get(), 5, 0, glyph.get()), 0);
    EXPECT_EQ(render::PasteImage(dest.get(), 0, 3, glyph.get()), 0);
    EXPECT_EQ(render::PasteImage(dest.get(), -1, 0, glyph.get()), 0);
}

// ---- filters ---------------------------------------------------------------

// Row extents: per row the columns not fully transparent and the longest
// fully opaque run, written as alpha values ('.' 0, '+' 1 .. 254, '#' 255).
TEST(RowExtents, VisibleColumnsAndLongestOpaqueRun) {
    struct Case {
        const char* row;
        int visibleFirst, visibleEnd, opaqueFirst, opaqueEnd;
    };
    const Case cases[] = {
        {"........", 0, 0, 0, 0},       {"########", 0, 8, 0, 8},
        {"..##+...", 2, 5, 2, 4},       {"+..#....", 0, 4, 3, 4},
        {"##+####+", 0, 8, 3, 7},       {"...+++..", 3, 6, 0, 0},
        {".......#", 7, 8, 7, 8},       {"#.......", 0, 1, 0, 1},
    };
    ImagePtr image(render::AllocImage(8, static_cast<int>(std::size(cases)), 8));
    for (size_t r = 0; r < std::size(cases); ++r)
        for (int x = 0; x < 8; ++x) {
            char c = cases[r].row[x];
            uint32_t alpha = c == '#' ? 255 : c == '+' ? 100 : 0;
            image->rows[r][x] = alpha << 24 | 0x123456;
        }
    image->flags = render::kImgPngAlpha;
    render::NoteRowExtents(image.get());
    ASSERT_NE(image->extents, nullptr);
    for (size_t r = 0; r < std::size(cases); ++r) {
        const render::RowExtent& e = image->extents[r];
        const Case& c = cases[r];
        EXPECT_EQ(e.visibleFirst < e.visibleEnd ? e.visibleFirst : 0, c.visibleFirst) << c.row;
        EXPECT_EQ(e.visibleFirst < e.visibleEnd ? e.visibleEnd : 0, c.visibleEnd) << c.row;
        EXPECT_EQ(e.opaqueFirst < e.opaqueEnd ? e.opaqueFirst : 0, c.opaqueFirst) << c.row;
        EXPECT_EQ(e.opaqueFirst < e.opaqueEnd ? e.opaqueEnd : 0, c.opaqueEnd) << c.row;
    }
}

// Only pictures with alpha as decoded get extents, and every change of the
// pixels drops them: drawing must never skip columns that became visible.
TEST(RowExtents, DecodedAlphaPicturesHaveThemAndChangesDropThem) {
    auto cvsi = [](uint16_t flags) {
        std::vector<uint8_t> file(render::kCvsiHeaderSize + 4 * 4 * 2, 0);
        auto le = [&](size_t at, uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        std::memcpy(file.data(), "CVSI", 4);
        le(4, render::kCvsiMagic2, 4);
        le(8, flags, 2);
        for (size_t at : {10, 14}) le(at, 4, 4);
        for (size_t at : {18, 22}) le(at, 2, 4);
        le(render::kCvsiHeaderSize + 4, 0xFF00FF00u, 4);  // one opaque texel, column 1 of row 0
        return ImagePtr(render::DecodeCvsi(file.data(), file.size()));
    };
    EXPECT_EQ(cvsi(render::kImgJpeg)->extents, nullptr);
    ImagePtr source = Pattern(2, 2);
    using Change = std::function<void(Image*)>;
    const std::pair<const char*, Change> changes[] = {
        {"copy into", [&](Image* i) { render::CopyInto(i, source.get(), 0, 0); }},
        {"tinted copy", [&](Image* i) { render::CopyAlphaWithColour(i, source.get(), 0, 0, 0xFF); }},
        {"paste", [&](Image* i) { render::PasteImage(i, 1, 0, source.get()); }},
        {"shade", [&](Image* i) { render::ApplyShade(i, 764); }},
        {"tone", [&](Image* i) { render::ApplyTone(i, 598); }},
        {"row table", [&](Image* i) { render::BuildRowTable(i); }},
    };
    for (const auto& [name, change] : changes) {
        ImagePtr picture = cvsi(render::kImgPngAlpha);
        ASSERT_NE(picture->extents, nullptr) << name;
        EXPECT_EQ(picture->extents[0].visibleFirst, 1);
        EXPECT_EQ(picture->extents[0].visibleEnd, 2);
        change(picture.get());
        EXPECT_EQ(picture->extents, nullptr) << name;
    }
}

TEST(Filters, NameCodes) {
    struct Case {
        const char* name;
        int32_t code;
    };
    for (const Case& c : {Case{"Monochrome", 759}, Case{"NegaPosi", 598}, Case{"Sepia", 370},
                          Case{"KitanoBlue", 750}, Case{"MONOCHROME", 759},
                          Case{"monochrome", 759}, Case{"Z", 0x3A}, Case{"", 0}}) {
        EXPECT_EQ(render::FilterNameCode(c.name), c.code) << c.name;
    }
}

TEST(Filters, TonesPerPixel) {
    render::BuildGreyTables();
    struct Case {
        int32_t code;
        uint32_t in, out;
    };
    // b0 = 0x40, b1 = 0x80, b2 = 0xC0: 0x40*77>>8 = 19, 0x80*151>>8 = 75, 0xC0*28>>8 = 21 -> 115.
    const Case cases[] = {
        {759, 0x7FC08040u, 0x7F737373u},
        {598, 0x7FC08040u, 0x7F3F7FBFu},
        {370, 0x7FC08040u, 0x7F919173u},
        {750, 0x7FC08040u, 0x7F7387C3u},
        {750, 0x01FFFFFFu, 0x01FDFFFFu},  // y = 253: blue and green saturate
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ImagePtr image(render::AllocImage(1, 1, 1));
        image->rows[0][0] = c.in;
        render::ToneFilter(image.get(), c.code);
        EXPECT_EQ(image->rows[0][0], c.out);
    }
}

TEST(Filters, ShadePassAveragesInPlace) {
    ImagePtr image(render::AllocImage(3, 3, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) image->rows[y][x] = 0x09090909u * (y * 3 + x);
    render::ShadePass(image.get());
    // (0+1+...+8) * 9 / 9 = 36 per byte.
    EXPECT_EQ(image->rows[1][1], 0x24242424u);
    EXPECT_EQ(image->rows[0][0], 0u);
}

TEST(Filters, ShadeCompoundsAndRestoreKeepsTheTone) {
    ImagePtr original = Pattern(9, 7);
    ImagePtr image(render::CopyImageForFilter(original.get()));
    ASSERT_EQ(render::ApplyTone(image.get(), 598), 1);
    ASSERT_EQ(render::ApplyShade(image.get(), 376), 1);
    ASSERT_EQ(render::ApplyShade(image.get(), 376), 1);
    // The same steps by hand: each call blurs, then copies rows, then columns to the border.
    ImagePtr blurred(render::CopyImageForFilter(original.get()));
    render::ToneFilter(blurred.get(), 598);
    for (int call = 0; call < 2; ++call) {
        for (int p = 0; p < 2; ++p) render::ShadePass(blurred.get());
        std::memcpy(blurred->rows[0], blurred->rows[1], 9 * 4);
        std::memcpy(blurred->rows[6], blurred->rows[5], 9 * 4);
        for (int y = 0; y < 7; ++y) {
            blurred->rows[y][0] = blurred->rows[y][1];
            blurred->rows[y][8] = blurred->rows[y][7];
        }
    }
    EXPECT_TRUE(SamePixels(image.get(), blurred.get()));
    EXPECT_EQ(image->shadeCode, 376);

    // Restoring the shade gives back the unblurred pixels with the tone kept.
    ASSERT_EQ(render::ApplyShade(image.get(), 592), 1);
    ImagePtr toned(render::CopyImageForFilter(original.get()));
    render::ToneFilter(toned.get(), 598);
    EXPECT_TRUE(SamePixels(image.get(), toned.get()));
    EXPECT_EQ(image->shadeCode, 0);
    EXPECT_EQ(image->toneCode, 598);
    // ...and the tone is still undoable.
    ASSERT_EQ(render::ApplyTone(image.get(), 315), 1);
    EXPECT_TRUE(SamePixels(image.get(), original.get()));
    EXPECT_EQ(image->savedCopy, nullptr);
    EXPECT_EQ(render::ApplyTone(image.get(), 315), 0);
}

TEST(Filters, NegativeTwiceGivesTheColoursBackButKeepsTheCopy) {
    ImagePtr original = Pattern(6, 5);
    ImagePtr image(render::CopyImageForFilter(original.get()));
    ASSERT_EQ(render::ApplyTone(image.get(), 598), 1);
    ASSERT_EQ(render::ApplyTone(image.get(), 598), 1);
    EXPECT_TRUE(SamePixels(image.get(), original.get()));
    EXPECT_NE(image->savedCopy, nullptr);
    EXPECT_EQ(render::ApplyTone(image.get(), 123), 0);
    EXPECT_EQ(render::ApplyShade(image.get(), 123), 0);
    ASSERT_EQ(render::ApplyTone(image.get(), 315), 1);
    EXPECT_EQ(image->savedCopy, nullptr);
    EXPECT_TRUE(SamePixels(image.get(), original.get()));
}

TEST(Filters, PrivateCopyKeepsOwnerAndGeometry) {
    ImagePtr original = Pattern(6, 5);
    original->owner = reinterpret_cast<scene::SceneObject*>(0x10);
    ImagePtr copy(render::CopyImageForFilter(original.get()));
    EXPECT_EQ(copy->owner, original->owner);
    EXPECT_EQ(copy->flags, render::kImgBlankAlpha);
    EXPECT_EQ(copy->rows[5][0], 0u);  // spare row: alpha 0 for alpha pictures
    original->flags = render::kImgJpeg;
    ImagePtr opaque(render::CopyImageForFilter(original.get()));
    EXPECT_EQ(opaque->flags, render::kImgBlankOpaque);
    EXPECT_EQ(opaque->rows[5][0], 0xFF000000u);
    EXPECT_TRUE(SamePixels(opaque.get(), original.get()));
}

// ---- captures ----------------------------------------------------------------

class Captures : public ::testing::Test {
protected:
    void SetUp() override {
        frame_.resize(1024 * 768);
        for (size_t i = 0; i < frame_.size(); ++i) frame_[i] = static_cast<uint32_t>(i) & 0x00FFFFFFu;
        render::SetPlainFrame(frame_.data());
    }
    void TearDown() override {
        render::SetPlainFrame(nullptr);
        render::ReleaseSnapshots();
    }
    std::vector<uint32_t> frame_;
};

TEST_F(Captures, ScreenIsOpaqueAndScalesColumns) {
    ImagePtr screen(render::LoadImage("SCREEN"));
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->width, 1024);
    EXPECT_EQ(screen->height, 768);
    EXPECT_EQ(screen->flags, render::kImgCaptured);
    EXPECT_EQ(screen->rows[0][0], 0xFF000000u);
    EXPECT_EQ(screen->rows[767][1023], 0xFF000000u | (767 * 1024 + 1023));
    ImagePtr half(render::CaptureFrame(512));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->rows[10][7], 0xFF000000u | (10 * 1024 + 14));
    // VIDEO and SCENE before any snapshot behave as SCREEN.
    ImagePtr video(render::LoadImage("VIDEO"));
    ImagePtr scene(render::LoadImage("SCENE"));
    EXPECT_TRUE(SamePixels(video.get(), screen.get()));
    EXPECT_TRUE(SamePixels(scene.get(), screen.get()));
    EXPECT_EQ(render::CaptureFrame(0), nullptr);
    EXPECT_EQ(render::CaptureFrame(1025), nullptr);
}

int g_hideCalls[2];
uint32_t* g_frame;
int RecordRedraw(int hide) {
    ++g_hideCalls[hide ? 1 : 0];
    g_frame[0] = hide ? 0x111111u : 0x222222u;
    return 1;
}

TEST_F(Captures, SnapshotsRedrawWithAndWithoutHiddenObjects) {
    g_hideCalls[0] = g_hideCalls[1] = 0;
    g_frame = frame_.data();
    render::FrameAccess access;
    access.lock = [] { return g_frame; };
    access.unlock = [] {};
    access.redrawScene = RecordRedraw;
    render::SetFrameAccess(access);
    ASSERT_EQ(render::TakeSnapshots(), 1);
    EXPECT_EQ(g_hideCalls[0], 1);
    EXPECT_EQ(g_hideCalls[1], 1);
    EXPECT_EQ(render::SceneSnapshot()->rows[0][0], 0xFF111111u);
    EXPECT_EQ(render::ScreenSnapshot()->rows[0][0], 0xFF222222u);
    const Image* first = render::SceneSnapshot();
    ASSERT_EQ(render::TakeSnapshots(), 1);
    EXPECT_EQ(render::SceneSnapshot(), first);  // refilled in place

    ImagePtr scene(render::LoadImage("SCENE"));
    ImagePtr video(render::LoadImage("VIDEO"));
    EXPECT_EQ(scene->rows[0][0], 0xFF111111u);
    EXPECT_EQ(video->rows[0][0], 0xFF222222u);
    EXPECT_EQ(video->flags, render::kImgCaptured);

    ImagePtr thumb(render::ScaleSceneSnapshot(256, 192));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->rows[1][1], 0xFF000000u | (4 * 1024 + 4));
    EXPECT_EQ(render::ScaleSceneSnapshot(1025, 10), nullptr);
}

// ---- loading by name ----------------------------------------------------------

TEST(LoadImage, DecodesFilesFallsBackToCvsiAndRefusesOthers) {
    testing_support::TempDir dir;
    std::filesystem::path corpus = render_test::CorpusDir() / "pngsuite" / "basn6a08.png";
    if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus";
    std::filesystem::copy_file(corpus, dir.path + "/pic.png");
    ImagePtr png(render::LoadImage(("file:" + dir.path + "/pic.png").c_str()));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->flags, render::kImgPngAlpha);

    ImagePtr blank(render::CreateBlankImage(4, 2, 0xABCDEF, 255));
    std::string cvsi = dir.path + "/save.cvf";
    ASSERT_EQ(render::WriteCvsi(blank.get(), cvsi.c_str()), 1);
    ImagePtr back(render::LoadImage(cvsi.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rows[1][3], 0xFFABCDEFu);

    dir.Write("exif.jpg", std::string("\xFF\xD8\xFF\xE1\x00\x10" "Exif\x00\x00 more bytes here", 26));
    EXPECT_FALSE(ImagePtr(render::LoadImage((dir.path + "/exif.jpg").c_str())));
    EXPECT_FALSE(ImagePtr(render::LoadImage((dir.path + "/missing.png").c_str())));
    EXPECT_FALSE(ImagePtr(render::LoadImage("")));
    EXPECT_FALSE(ImagePtr(render::LoadImage(nullptr)));
}

TEST(LoadImage, PreloadedBytesDecodeAsSharedImages) {
    ImagePtr blank(render::CreateBlankImage(4, 2, 0x102030, 255));
    testing_support::TempDir dir;
    std::string path = dir.path + "/p.cvf";
    ASSERT_EQ(render::WriteCvsi(blank.get(), path.c_str()), 1);
    std::vector<uint8_t> bytes = render_test::ReadBytes(path);
    Image* shared = render::DecodeImageFromMemory(bytes.data(), bytes.size());
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->flags & render::kImgShared);
    render::DestroyImage(&shared);  // users cannot free it
    ASSERT_NE(shared, nullptr);
    render::ReleaseSharedImage(&shared);
    EXPECT_EQ(shared, nullptr);
    uint8_t junk[4] = {1, 2, 3, 4};
    EXPECT_EQ(render::DecodeImageFromMemory(junk, sizeof(junk)), nullptr);
}

}  // namespace
