// The PNG decoder against PngSuite, compared pixel by pixel with an
// independent decoder (stb_image) plus the engine's gamma, opacity and width
// rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "corpus.h"
#include "render/image_decoders.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

using render::Image;

struct PngFacts {
    double gamma = 0;  // 0: no gAMA chunk
    int colourType = -1;
    bool transparency = false;  // tRNS chunk
};

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

PngFacts ReadFacts(const std::vector<uint8_t>& b) {
    PngFacts f;
    size_t pos = 8;
    while (pos + 8 <= b.size()) {
        uint32_t len = Be32(&b[pos]);
        const char* type = reinterpret_cast<const char*>(&b[pos + 4]);
        if (pos + 12 + len > b.size()) break;
        if (std::memcmp(type, "IHDR", 4) == 0) f.colourType = b[pos + 8 + 9];
        if (std::memcmp(type, "gAMA", 4) == 0 && len == 4) f.gamma = Be32(&b[pos + 8]) / 100000.0;
        if (std::memcmp(type, "tRNS", 4) == 0) f.transparency = true;
        if (std::memcmp(type, "IDAT", 4) == 0) break;
        pos += 12 + len;
    }
    return f;
}

class PngSuite : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = render_test::CorpusDir() / "pngsuite";
        if (!std::filesystem::is_directory(dir_)) GTEST_SKIP() << "no corpus at " << dir_;
    }
    std::filesystem::path dir_;
};

TEST_F(PngSuite, EveryValidFileMatchesAnIndependentDecoder) {
    int checked = 0;
    for (const auto& path : render_test::FilesWithExtension(dir_, ".png")) {
        std::string name = path.filename().string();
        if (name[0] == 'x') continue;
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes = render_test::ReadBytes(path);
        Image* image = render::DecodePng(bytes.data(), bytes.size());
        ASSERT_NE(image, nullptr);
        int w = 0, h = 0, n = 0;
        stbi_us* ref = stbi_load_16_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w,
                                                &h, &n, 4);
        ASSERT_NE(ref, nullptr);
        PngFacts facts = ReadFacts(bytes);
        bool alpha = facts.colourType == 4 || facts.colourType == 6 || facts.transparency;
        EXPECT_EQ(image->flags, alpha ? render::kImgPngAlpha : render::kImgPng);
        EXPECT_EQ(image->width, (w + 1) & ~1);
        EXPECT_EQ(image->height, h);
        int worst = 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = reinterpret_cast<const uint8_t*>(image->rows[y]);
            for (int x = 0; x < w; ++x) {
                const stbi_us* r = ref + (static_cast<size_t>(y) * w + x) * 4;
                // B, G, R from the reference's R, G, B.
                const int order[3] = {2, 1, 0};
                for (int c = 0; c < 3; ++c) {
                    double v = r[order[c]] / 65535.0;
                    int expected = facts.gamma > 0
                                       ? static_cast<int>(std::floor(
                                             255.0 * std::pow(v, 1.0 / (facts.gamma * 2.2)) + 0.5))
                                       : r[order[c]] >> 8;
                    worst = std::max(worst, std::abs(row[x * 4 + c] - expected));
                }
                int expectedAlpha = alpha ? r[3] >> 8 : 255;
                ASSERT_EQ(row[x * 4 + 3], expectedAlpha) << "at " << x << "," << y;
            }
            if (w & 1) {
                uint32_t pad = image->rows[y][w];
                ASSERT_EQ(pad, 0u) << "the added column is transparent black";
            }
        }
        // Gamma tables inside libpng round differently from the formula by a step or two.
        EXPECT_LE(worst, facts.gamma > 0 ? 3 : 0);
        stbi_image_free(ref);
        render::DestroyImage(&image);
        EXPECT_EQ(image, nullptr);
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

TEST_F(PngSuite, CorruptFilesAreRefused) {
    int checked = 0;
    for (const auto& path : render_test::FilesWithExtension(dir_, ".png")) {
        std::string name = path.filename().string();
        if (name[0] != 'x') continue;
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes = render_test::ReadBytes(path);
        Image* image = render::DecodePng(bytes.data(), bytes.size());
        EXPECT_EQ(image, nullptr);
        render::DestroyImage(&image);
        // Nor does any other decoder of the chain take them.
        image = render::DecodeAnyImage(bytes.data(), bytes.size());
        EXPECT_EQ(image, nullptr);
        render::DestroyImage(&image);
        ++checked;
    }
    EXPECT_EQ(checked, 14);
}

TEST_F(PngSuite, TruncatedFilesFailCleanly) {
    std::vector<uint8_t> bytes = render_test::ReadBytes(dir_ / "basn6a08.png");
    ASSERT_GT(bytes.size(), 100u);
    for (size_t cut : {size_t{8}, size_t{20}, size_t{33}, size_t{60}, bytes.size() / 2,
                       bytes.size() - 13}) {
        SCOPED_TRACE(cut);
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        Image* image = render::DecodePng(part.data(), part.size());
        EXPECT_EQ(image, nullptr);
        render::DestroyImage(&image);
    }
}

}  // namespace
