// The CVSF container and the constants that stored files depend on.
#include <zlib.h>

#include <cstring>

#include "files/backends.h"
#include "files/cvsf.h"
#include "files/substitution_table.h"
#include "files_fixture.h"

namespace files_test {
namespace {

// Saves and archives written today must read the same forever: these pin the
// name hashes, the substitution table and the container layout.
TEST(FormatConstantsTest, StayAsWritten) {
    EXPECT_EQ(static_cast<uint32_t>(files::NameHash("save01.cvf")), 0x483B8A68u);
    EXPECT_EQ(files::NameHash("a\\b/save01.cvf"), files::NameHash("save01.cvf"));
    EXPECT_EQ(files::EntryNameHash("bg\\a.png", 8), 0x58E94BD0u);
    EXPECT_EQ(crc32(0, files::kSubstitution.data(), 256), 0x7FEA0A2Eu);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(files::kInverseSubstitution[files::kSubstitution[i]], i);

    static const char kSaved[] =
        "\x43\x56\x53\x46\x11\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x13\xB3\x3D\x19\xB6\x11"
        "\xB6\x3B\xDA\x1F\x4F\x18\x27\x19\x22\x6B\x73\x27\x73\xD2\x82\x15\xC7\xA0\xB7";
    uint8_t* out = nullptr;
    size_t size = 0;
    ASSERT_EQ(files::CvsfDecode(reinterpret_cast<const uint8_t*>(kSaved), sizeof(kSaved) - 1,
                                files::CvsfKey("save01.cvf"), &out, &size),
              1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), size), "Velmoor save data");
    files::FreeZeroed(out);
}

TEST(FormatConstantsTest, ShiftJisSecondByteIsNotASeparator) {
    std::string hyou = testing_support::SjisRaw("表");  // 0x95 0x5C
    EXPECT_NE(files::NameHash((hyou + ".cvf").c_str()), files::NameHash(".cvf"));
    EXPECT_EQ(files::NameHash(("dir/" + hyou + ".cvf").c_str()), files::NameHash((hyou + ".cvf").c_str()));
}

class CvsfRoundTripTest : public FilesTest, public ::testing::WithParamInterface<size_t> {};

// encode and decode through a handle, and a disk load that decodes on its own.
TEST_P(CvsfRoundTripTest, EncodeThenLoad) {
    const std::string content = TestBytes(GetParam(), 11);
    Write("save/global.cvf", "placeholder");
    files::FileHandle h;
    ASSERT_EQ(files::LoadWholeFile(&h, "save/global.cvf"), 1);
    uint8_t* copy = files::AllocZeroed(content.size());
    if (!content.empty()) std::memcpy(copy, content.data(), content.size());
    files::ReplaceBuffer(&h, copy, static_cast<int32_t>(content.size()));
    ASSERT_EQ(h.ops.encode(&h), 1);
    ASSERT_TRUE(files::IsCvsf(h.buffer, static_cast<size_t>(h.size)));
    Write("save/global.cvf", std::string(reinterpret_cast<char*>(h.buffer), static_cast<size_t>(h.size)));
    ASSERT_EQ(h.ops.decode(&h), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h.buffer), static_cast<size_t>(h.size)), content);
    h.ops.release(&h);
    // Disk load recognises the container and decodes it with the file's own name.
    EXPECT_EQ(Load("save/global.cvf"), content);
    // The same bytes under another base name use another key byte and fail.
    Write("save/copy.cvf", ReadRaw("save/global.cvf"));
    EXPECT_EQ(Load("save/copy.cvf"), "<fail>");
    // Under the same base name in another folder they still read.
    Write("elsewhere/global.cvf", ReadRaw("save/global.cvf"));
    EXPECT_EQ(Load("elsewhere/global.cvf"), content);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CvsfRoundTripTest,
                         ::testing::Values(0u, 1u, 4095u, 4096u, 4097u, 200000u));

std::string Header(uint32_t length, uint32_t scrambled, uint32_t compressed) {
    std::string h = "CVSF";
    for (uint32_t v : {length, scrambled, compressed})
        for (int i = 0; i < 4; ++i) h.push_back(static_cast<char>(v >> (8 * i)));
    return h;
}

std::string Deflated(const std::string& content) {
    std::string out(compressBound(content.size()), '\0');
    uLongf size = out.size();
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(content.data()), content.size());
    out.resize(size);
    return out;
}

struct DecodeCase {
    const char* label;
    std::string bytes;
    const char* expected;  // nullptr: decoding fails
};

class CvsfDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(CvsfDecodeTest, AcceptsOnlyWhatItCanRead) {
    const DecodeCase& c = GetParam();
    uint8_t* out = nullptr;
    size_t size = 0;
    std::string input = c.bytes;
    int ok = files::CvsfDecode(reinterpret_cast<const uint8_t*>(input.data()), input.size(), 0x5A,
                               &out, &size);
    EXPECT_EQ(input, c.bytes) << "the input is left as it was";
    if (!c.expected) {
        EXPECT_EQ(ok, 0);
        return;
    }
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), size), c.expected);
    EXPECT_EQ(out[size], 0);
    files::FreeZeroed(out);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, CvsfDecodeTest,
    ::testing::Values(
        DecodeCase{"stored", Header(5, 0, 0) + "hello", "hello"},
        DecodeCase{"storedWithSpare", Header(5, 0, 0) + "hello!!", "hello"},
        DecodeCase{"storedShort", Header(6, 0, 0) + "hello", nullptr},
        DecodeCase{"plainDeflate", Header(5, 0, 1) + Deflated("hello"), "hello"},
        DecodeCase{"declaredShorter", Header(4, 0, 1) + Deflated("hello"), nullptr},
        DecodeCase{"declaredLonger", Header(6, 0, 1) + Deflated("hello"), nullptr},
        DecodeCase{"declaredHuge", Header(0x7FFF0000, 0, 1) + Deflated("hello"), nullptr},
        DecodeCase{"scrambledFlag2", Header(5, 2, 0) + "hello", nullptr},
        DecodeCase{"compressedFlag2", Header(5, 0, 2) + "hello", nullptr},
        DecodeCase{"noMagic", "CVSX" + Header(5, 0, 0).substr(4) + "hello", nullptr},
        DecodeCase{"headerOnly", Header(0, 0, 0), ""},
        DecodeCase{"cutHeader", Header(5, 0, 0).substr(0, 10), nullptr},
        DecodeCase{"garbageStream", Header(5, 0, 1) + "not zlib data", nullptr}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.label); });

TEST_F(FilesTest, FailedDecodeLeavesTheHandleAsItWas) {
    Write("x.cvf", Header(5, 1, 1) + "garbage that does not inflate");
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, "x.cvf"), 1);
    EXPECT_EQ(h.ops.load(&h), 0);  // disk load decodes and fails
    EXPECT_EQ(h.buffer, nullptr);
    std::string raw = ReadRaw("x.cvf");
    uint8_t* copy = files::AllocZeroed(raw.size());
    std::memcpy(copy, raw.data(), raw.size());
    files::ReplaceBuffer(&h, copy, static_cast<int32_t>(raw.size()));
    EXPECT_EQ(h.ops.decode(&h), 0);
    EXPECT_EQ(h.buffer, copy);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h.buffer), static_cast<size_t>(h.size)), raw);
    h.ops.release(&h);
}

}  // namespace
}  // namespace files_test
