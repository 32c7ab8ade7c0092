// velmoor-tool's archive and container commands: what they write is what the
// engine reads, and bad input ends with a message and a non-zero status.
#include <algorithm>

#include "files/cvsf.h"
#include "files_fixture.h"

namespace files_test {
namespace {

using testing_support::RunProgram;
using testing_support::ToolPath;

int Tool(const std::vector<std::string>& args, std::string* output) {
    std::vector<std::string> full = {ToolPath()};
    full.insert(full.end(), args.begin(), args.end());
    return RunProgram(full, output);
}

struct ToolErrorCase {
    const char* label;
    std::vector<std::string> args;
    const char* message;
};

class ToolErrorTest : public FilesTest, public ::testing::WithParamInterface<ToolErrorCase> {};

TEST_P(ToolErrorTest, FailsWithAMessage) {
    Write("tree/a.txt", "a");
    Write("long/" + std::string(250, 'd') + "/" + std::string(20, 'f'), "x");
    Write("text.txt", "just text");
    Write("save.cvf", "not a container");
    files::PackItem evil{"..\\evil.txt", "", "escape"};
    std::string error;
    ASSERT_EQ(files::WriteArchive((Dir() + "/evil.cva").c_str(), {evil}, {}, &error), 1);
    std::string output;
    std::vector<std::string> args = GetParam().args;
    EXPECT_NE(Tool(args, &output), 0);
    EXPECT_NE(output.find(GetParam().message), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolErrorTest,
    ::testing::Values(
        ToolErrorCase{"packMissingFolder", {"pack", "o.cva", "nofolder"}, "cannot read folder nofolder"},
        ToolErrorCase{"packLongName", {"pack", "o.cva", "long"}, "longer than 259 bytes"},
        ToolErrorCase{"packUsage", {"pack", "o.cva"}, "usage"},
        ToolErrorCase{"unpackMissing", {"unpack", "none.cva", "out"}, "cannot read none.cva"},
        ToolErrorCase{"unpackText", {"unpack", "text.txt", "out"}, "not a CVA archive"},
        ToolErrorCase{"unpackEscape", {"unpack", "evil.cva", "out"}, "outside the folder"},
        ToolErrorCase{"listText", {"list", "text.txt"}, "not a CVA archive"},
        ToolErrorCase{"cvsfNotContainer", {"cvsf", "decode", "save.cvf", "o.bin"}, "not a CVSF file"},
        ToolErrorCase{"cvsfMissing", {"cvsf", "encode", "none.bin", "o.cvf"}, "cannot read none.bin"},
        ToolErrorCase{"cvsfLongName", {"cvsf", "encode", "text.txt", "o.cvf", "--name", std::string(260, 'n')},
                      "longer than 259 bytes"},
        ToolErrorCase{"cvsfUsage", {"cvsf", "wrap", "a", "b"}, "usage"}),
    [](const ::testing::TestParamInfo<ToolErrorCase>& info) { return std::string(info.param.label); });

TEST_F(FilesTest, UnpackRefusesEscapingEntriesButKeepsTheRest) {
    std::string error;
    ASSERT_EQ(files::WriteArchive((Dir() + "/mixed.cva").c_str(),
                                  {{"ok\\a.txt", "", "fine"}, {"ok\\..\\..\\b.txt", "", "escape"}}, {},
                                  &error),
              1);
    std::string output;
    EXPECT_EQ(Tool({"unpack", "mixed.cva", "out"}, &output), 1);
    EXPECT_EQ(ReadRaw("out/ok/a.txt"), "fine");
    EXPECT_FALSE(std::filesystem::exists(Dir() + "/b.txt"));
}

TEST_F(FilesTest, ListShowsNamesSizesAndFlags) {
    Write("tree/Sub/B.bin", std::string(1000, 'b'));
    Write("tree/" + testing_support::SjisRaw("表.txt"), "kanji");
    std::string output;
    ASSERT_EQ(Tool({"pack", "z.cva", "tree"}, &output), 0) << output;
    ASSERT_EQ(Tool({"pack", "s.cva", "tree", "--store", "--no-scramble"}, &output), 0) << output;
    ASSERT_EQ(Tool({"list", "s.cva"}, &output), 0);
    EXPECT_EQ(output, "sub\\b.bin\t1000\t1000\t--\n表.txt\t5\t5\t--\n");
    ASSERT_EQ(Tool({"list", "z.cva"}, &output), 0);
    EXPECT_NE(output.find("sub\\b.bin\t"), std::string::npos);
    EXPECT_NE(output.find("\t1000\tzs\n"), std::string::npos) << output;
    // Unpacking gives the files back under their archive names, spelled in
    // UTF-8 as Linux names are.
    ASSERT_EQ(Tool({"unpack", "z.cva", "out"}, &output), 0) << output;
    EXPECT_EQ(ReadRaw("out/sub/b.bin"), std::string(1000, 'b'));
    EXPECT_EQ(ReadRaw("out/表.txt"), "kanji");
}

// Names on a Linux disk are UTF-8: pack stores their Shift-JIS form, which is
// what scripts ask for, and unpack gives the UTF-8 names back.
TEST_F(FilesTest, PackStoresShiftJisNamesAndUnpackWritesUtf8) {
    Write("tree/背景/表.png", "picture");
    Write("tree/音声.ogg", "voice");
    std::string output;
    ASSERT_EQ(Tool({"pack", "data.cva", "tree"}, &output), 0) << output;
    ASSERT_EQ(Tool({"list", "data.cva"}, &output), 0) << output;
    EXPECT_NE(output.find("背景\\表.png\t"), std::string::npos) << output;
    files::ArchiveIndex archive;
    ASSERT_TRUE(files::ReadArchive((Dir() + "/data.cva").c_str(), &archive));
    std::vector<std::string> names;
    for (const files::ArchiveEntry& e : archive.entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    // In byte order: 音 (0x89 0xB9) before 背 (0x94 0x77).
    EXPECT_EQ(names, (std::vector<std::string>{testing_support::SjisRaw("音声.ogg"),
                                               testing_support::SjisRaw("背景\\表.png")}));
    ASSERT_EQ(Tool({"unpack", "data.cva", "out"}, &output), 0) << output;
    EXPECT_EQ(ReadRaw("out/背景/表.png"), "picture");
    EXPECT_EQ(ReadRaw("out/音声.ogg"), "voice");

    // A name Shift-JIS cannot spell is refused by name, and nothing is written.
    Write("bad/ok.txt", "x");
    Write("bad/smile\xF0\x9F\x98\x80.txt", "x");
    EXPECT_EQ(Tool({"pack", "bad.cva", "bad"}, &output), 1);
    EXPECT_NE(output.find("smile\xF0\x9F\x98\x80.txt\" has no Shift-JIS form"), std::string::npos) << output;
    EXPECT_FALSE(std::filesystem::exists(Dir() + "/bad.cva"));
}

struct CvsfNameCase {
    std::vector<std::string> encode;  // arguments after "cvsf encode content.bin"
    std::vector<std::string> decode;  // full decode arguments
    bool decodes;
};

class ToolCvsfTest : public FilesTest, public ::testing::WithParamInterface<CvsfNameCase> {};

// The key byte comes from a base name: OUT's when encoding, IN's when decoding,
// unless --name says otherwise.
TEST_P(ToolCvsfTest, KeyByteFollowsTheBaseName) {
    const CvsfNameCase& c = GetParam();
    const std::string content = TestBytes(9000, 4);
    Write("content.bin", content);
    std::filesystem::create_directory(Dir() + "/save");
    std::string output;
    std::vector<std::string> encode = {"cvsf", "encode", "content.bin"};
    encode.insert(encode.end(), c.encode.begin(), c.encode.end());
    ASSERT_EQ(Tool(encode, &output), 0) << output;
    std::vector<std::string> decode = {"cvsf", "decode"};
    decode.insert(decode.end(), c.decode.begin(), c.decode.end());
    EXPECT_EQ(Tool(decode, &output), c.decodes ? 0 : 1) << output;
    if (c.decodes) {
        EXPECT_EQ(ReadRaw("back.bin"), content);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ToolCvsfTest,
    ::testing::Values(
        CvsfNameCase{{"save/global.cvf"}, {"save/global.cvf", "back.bin"}, true},
        CvsfNameCase{{"x.cvf", "--name", "global.cvf"}, {"x.cvf", "back.bin"}, false},
        CvsfNameCase{{"x.cvf", "--name", "global.cvf"},
                     {"x.cvf", "back.bin", "--name", "save\\global.cvf"}, true},
        CvsfNameCase{{"save/read.cvf"},
                     {"save/read.cvf", "back.bin", "--name", "other.cvf"}, false}));

// A container written by the tool is read by the engine's disk load under the
// same base name.
TEST_F(FilesTest, EngineReadsToolContainers) {
    Write("content.bin", "global variables");
    std::string output;
    ASSERT_EQ(Tool({"cvsf", "encode", "content.bin", "global.cvf"}, &output), 0) << output;
    EXPECT_EQ(Load("global.cvf"), "global variables");
}

}  // namespace
}  // namespace files_test
