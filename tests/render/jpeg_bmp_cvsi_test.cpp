// JPEG, BMP and CVSI decoders: real JPEG files, made-up headers, broken data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <jpeglib.h>

#include "corpus.h"
#include "render/image_decoders.h"
#include "support/support.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

using render::Image;

struct ImageDeleter {
    void operator()(Image* image) const { render::DestroyImage(&image); }
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

// ---- JPEG ----------------------------------------------------------------

class JpegCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = render_test::CorpusDir() / "jpeg";
        if (!std::filesystem::is_directory(dir_)) GTEST_SKIP() << "no corpus at " << dir_;
    }
    std::filesystem::path dir_;
};

TEST_F(JpegCorpus, BaselineFilesMatchAnIndependentDecoder) {
    for (const char* name : {"testorig.jpg", "testimgint.jpg"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes = render_test::ReadBytes(dir_ / name);
        ImagePtr image(render::DecodeJpeg(bytes.data(), bytes.size()));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, 227);
        EXPECT_EQ(image->height, 149);
        EXPECT_EQ(image->flags, render::kImgJpeg);
        int w = 0, h = 0, n = 0;
        stbi_uc* ref = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h,
                                             &n, 3);
        ASSERT_NE(ref, nullptr);
        ASSERT_EQ(w, 227);
        // Two different inverse transforms and upsamplers: close, not equal.
        double total = 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = reinterpret_cast<const uint8_t*>(image->rows[y]);
            for (int x = 0; x < w; ++x) {
                const stbi_uc* r = ref + (static_cast<size_t>(y) * w + x) * 3;
                total += std::abs(row[x * 4 + 0] - r[2]) + std::abs(row[x * 4 + 1] - r[1]) +
                         std::abs(row[x * 4 + 2] - r[0]);
                ASSERT_EQ(row[x * 4 + 3], 255);
            }
        }
        EXPECT_LT(total / (w * h * 3.0), 2.0);
        stbi_image_free(ref);
    }
}

TEST_F(JpegCorpus, ArithmeticDecodesAndTwelveBitIsRefused) {
    std::vector<uint8_t> ari = render_test::ReadBytes(dir_ / "testimgari.jpg");
    ImagePtr image(render::DecodeJpeg(ari.data(), ari.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 227);
    std::vector<uint8_t> twelve = render_test::ReadBytes(dir_ / "monkey12.jpg");
    EXPECT_FALSE(ImagePtr(render::DecodeJpeg(twelve.data(), twelve.size())));
}

TEST_F(JpegCorpus, FuzzerFilesNeverCrashAndDecodedOnesAreWhole) {
    auto files = render_test::FilesWithExtension(dir_ / "afl-edges-only", ".jpg");
    ASSERT_EQ(files.size(), 54u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::vector<uint8_t> bytes = render_test::ReadBytes(path);
        ImagePtr image(render::DecodeAnyImage(bytes.data(), bytes.size()));
        if (image) {
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            // Every pixel of a decoded picture is readable.
            uint32_t sum = 0;
            for (int y = 0; y < image->height; ++y)
                for (int x = 0; x < image->width; ++x) sum += image->rows[y][x] >> 24;
            EXPECT_EQ(sum, 255u * image->width * image->height);
        }
    }
}

TEST_F(JpegCorpus, OnlyJfifIsTakenAndTruncatedDataFails) {
    std::vector<uint8_t> bytes = render_test::ReadBytes(dir_ / "testorig.jpg");
    ASSERT_EQ(bytes[3], 0xE0);
    std::vector<uint8_t> exif = bytes;
    exif[3] = 0xE1;  // first marker an APP1 (Exif), not JFIF
    EXPECT_FALSE(ImagePtr(render::DecodeJpeg(exif.data(), exif.size())));
    EXPECT_FALSE(ImagePtr(render::DecodeAnyImage(exif.data(), exif.size())));
    for (size_t cut : {size_t{11}, size_t{200}, bytes.size() / 2, bytes.size() - 40}) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(ImagePtr(render::DecodeJpeg(bytes.data(), cut)));
    }
    // Only the end-of-image marker missing: every scan line is there.
    EXPECT_TRUE(ImagePtr(render::DecodeJpeg(bytes.data(), bytes.size() - 2)));
}

// Compresses a small picture with libjpeg (JFIF header forced on).
std::vector<uint8_t> MakeJpeg(int components, J_COLOR_SPACE space, int width, int height) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    c.write_JFIF_header = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * components);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width * components; ++x) row[x] = static_cast<uint8_t>(x * 8 % 256);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

TEST(Jpeg, GreyBecomesEqualBytesAndFourComponentsAreRefused) {
    std::vector<uint8_t> grey = MakeJpeg(1, JCS_GRAYSCALE, 13, 5);
    ImagePtr image(render::DecodeJpeg(grey.data(), grey.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 13);  // exact width
    for (int x = 0; x < 13; ++x) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&image->rows[2][x]);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
        EXPECT_NEAR(p[0], x * 8, 2);
        EXPECT_EQ(p[3], 255);
    }
    std::vector<uint8_t> cmyk = MakeJpeg(4, JCS_CMYK, 8, 8);
    ASSERT_EQ(cmyk[3], 0xE0);
    EXPECT_FALSE(ImagePtr(render::DecodeJpeg(cmyk.data(), cmyk.size())));
}

// ---- BMP -----------------------------------------------------------------

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP header (54 bytes) with the given fields, followed by `tail`.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t offset,
                         const std::vector<uint8_t>& tail) {
    std::vector<uint8_t> b(54 + tail.size(), 0);
    std::copy(tail.begin(), tail.end(), b.begin() + 54);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 10, offset);
    Put32(b, 18, static_cast<uint32_t>(width));
    Put32(b, 22, static_cast<uint32_t>(height));
    b[28] = static_cast<uint8_t>(bits);
    b[29] = static_cast<uint8_t>(bits >> 8);
    return b;
}

TEST(Bmp, TwentyFourBitRowsAreBottomUpWithPadding) {
    // 3x2: stride 12 bytes (9 rounded up). File row 0 is the bottom row.
    std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,
                                   10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    std::vector<uint8_t> b = Bmp(3, 2, 24, 54, pixels);
    ImagePtr image(render::DecodeBmp(b.data(), b.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, render::kImgBmp);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->rows[0][0], 0xFF0C0B0Au);
    EXPECT_EQ(image->rows[0][2], 0xFF121110u);
    EXPECT_EQ(image->rows[1][1], 0xFF060504u);
}

TEST(Bmp, EightBitIndexesTheColourTable) {
    std::vector<uint8_t> tail(256 * 4, 0);
    tail[0 * 4 + 0] = 0x11;  // entry 0: B, G, R
    tail[0 * 4 + 1] = 0x22;
    tail[0 * 4 + 2] = 0x33;
    tail[5 * 4 + 2] = 0xFF;  // entry 5: red
    std::vector<uint8_t> rows = {5, 0, 0, 0, 0, 5, 0, 0};  // 2x2, stride 4
    tail.insert(tail.end(), rows.begin(), rows.end());
    std::vector<uint8_t> b = Bmp(2, 2, 8, 54 + 1024, tail);
    ImagePtr image(render::DecodeBmp(b.data(), b.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rows[1][0], 0xFFFF0000u);
    EXPECT_EQ(image->rows[1][1], 0xFF332211u);
    EXPECT_EQ(image->rows[0][1], 0xFFFF0000u);
}

TEST(Bmp, OtherDepthsGiveAZeroPictureOfTheFileSize) {
    std::vector<uint8_t> b = Bmp(4, 3, 32, 54, std::vector<uint8_t>(48, 0x7F));
    ImagePtr image(render::DecodeBmp(b.data(), b.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->rows[1][2], 0u);
}

TEST(Bmp, BrokenHeadersAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> twoRows(24, 1);
    std::vector<Case> cases = {
        {"too short for a header", std::vector<uint8_t>{'B', 'M', 0, 0}},
        {"not BM", [&] { auto b = Bmp(3, 2, 24, 54, twoRows); b[1] = 'A'; return b; }()},
        {"4-bit depth", Bmp(3, 2, 4, 54, twoRows)},
        {"rows beyond the data", Bmp(3, 3, 24, 54, twoRows)},
        {"32-bit rows beyond the data", Bmp(4, 3, 32, 54, std::vector<uint8_t>(47, 0))},
        {"32-bit header promising a large picture", Bmp(4000, 4000, 32, 54, twoRows)},
        {"pixel offset beyond the data", Bmp(3, 2, 24, 4000, twoRows)},
        {"offset wraps", Bmp(3, 2, 24, 0xFFFFFFF0u, twoRows)},
        {"zero width", Bmp(0, 2, 24, 54, twoRows)},
        {"negative height", Bmp(3, -2, 24, 54, twoRows)},
        {"huge width", Bmp(0x7FFFFFFF, 1, 24, 54, twoRows)},
        {"colour table entry beyond the data", Bmp(1, 1, 8, 54, {200, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ImagePtr(render::DecodeBmp(c.bytes.data(), c.bytes.size())));
    }
}

// ---- CVSI ----------------------------------------------------------------

std::vector<uint8_t> Cvsi(uint32_t magic2, int32_t width, int32_t height, size_t pixelBytes) {
    std::vector<uint8_t> b(26 + pixelBytes, 0x40);
    std::memcpy(b.data(), "CVSI", 4);
    Put32(b, 4, magic2);
    b[8] = 0x01;
    b[9] = 0x01;
    Put32(b, 10, static_cast<uint32_t>(width));
    Put32(b, 14, static_cast<uint32_t>(width));
    Put32(b, 18, static_cast<uint32_t>(height));
    Put32(b, 22, static_cast<uint32_t>(height));
    return b;
}

TEST(Cvsi, WrittenFilesReadBackExactly) {
    testing_support::TempDir dir;
    ImagePtr image(render::AllocImage(5, 3, 5));
    ASSERT_TRUE(image);
    image->flags = 0x0013;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) image->rows[y][x] = 0x01020304u * (y * 5 + x + 1);
    std::string path = dir.path + "/shot.cvf";
    ASSERT_EQ(render::WriteCvsi(image.get(), path.c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(path), 26u + 5 * 3 * 4);
    ImagePtr back(render::ReadCvsi(path.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->flags, 0x0013);
    EXPECT_EQ(back->width, 5);
    EXPECT_EQ(back->height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(back->rows[y][x], image->rows[y][x]);
    EXPECT_EQ(render::WriteCvsi(image.get(), (dir.path + "/missing/dir/x.cvf").c_str()), 0);
}

TEST(Cvsi, BrokenHeadersAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"header cut short", [] { auto b = Cvsi(render::kCvsiMagic2, 1, 1, 4); b.resize(20); return b; }()},
        {"second magic wrong", Cvsi(0xF1F1FAC5u, 2, 2, 16)},
        {"fewer pixels than promised", Cvsi(render::kCvsiMagic2, 2, 2, 15)},
        {"zero height", Cvsi(render::kCvsiMagic2, 2, 0, 16)},
        {"negative width", Cvsi(render::kCvsiMagic2, -2, 2, 16)},
        {"size overflowing 32 bits", Cvsi(render::kCvsiMagic2, 0x10000, 0x10000, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ImagePtr(render::DecodeCvsi(c.bytes.data(), c.bytes.size())));
    }
    std::vector<uint8_t> good = Cvsi(render::kCvsiMagic2, 2, 2, 16);
    ImagePtr image(render::DecodeCvsi(good.data(), good.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, 0x0101);
    EXPECT_EQ(image->rows[1][1], 0x40404040u);
}

TEST(Cvsi, AStoredSharedBitIsNotTaken) {
    std::vector<uint8_t> b = Cvsi(render::kCvsiMagic2, 2, 2, 16);
    b[9] = 0x11;  // flags 0x1101
    ImagePtr image(render::DecodeCvsi(b.data(), b.size()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, 0x0101);
}

}  // namespace
