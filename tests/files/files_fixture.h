// Shared fixture of the file-layer tests: a temporary folder that is also the
// current folder (archives are found in the current folder), and builders for
// well-formed and deliberately broken archives.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "files/archive.h"
#include "files/archive_writer.h"
#include "files/file_handle.h"
#include "shell/engine_build.h"
#include "support/support.h"

namespace files_test {

using Entries = std::vector<std::pair<std::string, std::string>>;  // name, content

// One raw entry record for hand-made archives.
struct RawEntry {
    std::string name;   // written scrambled with the archive's keys
    uint32_t nameLength = UINT32_MAX;  // UINT32_MAX: the name's real length
    uint32_t offset = 0;
    uint32_t stored = 0;
    uint32_t size = 0;
};

class FilesTest : public ::testing::Test {
    // Built first and destroyed last: each test starts with an empty archive
    // index, file table and disk settings.
    shell::EngineScope engine_;

protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path);
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    const std::string& Dir() const { return dir_.path; }
    void Write(const std::string& relative, const std::string& bytes) const { dir_.Write(relative, bytes); }
    std::string ReadRaw(const std::string& relative) const;

    // Packs `entries` into Dir()/archiveName with the archive writer.
    void Pack(const std::string& archiveName, const Entries& entries,
              files::PackOptions options = {}) const;
    // Writes an archive by hand: header with the given flags and keys, the
    // records as given (names scrambled, every field as stated), then `data`.
    void WriteRaw(const std::string& archiveName, const std::vector<RawEntry>& records,
                  const std::string& data, uint8_t compressed = 0, uint8_t scrambled = 0,
                  uint32_t key1 = 0x1234567u, uint32_t key2 = 0x89ABCDEu,
                  size_t cutTableAt = SIZE_MAX, uint32_t extraCount = 0) const;

    // Rebuilds the index of the current folder.
    void Index() const {
        files::FreeArchiveIndex();
        ASSERT_EQ(files::BuildArchiveIndex(), 1);
    }

    // Content through BindFile + load, or "<fail>".
    static std::string Load(const std::string& name);

private:
    testing_support::TempDir dir_;
    std::filesystem::path previous_;
};

// Deterministic bytes: `size` bytes, half compressible text, half noise.
std::string TestBytes(size_t size, uint32_t seed);

}  // namespace files_test
