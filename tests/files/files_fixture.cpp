#include "files_fixture.h"

#include <fstream>
#include <iterator>

namespace files_test {

namespace {
void PutU32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}
}  // namespace

std::string FilesTest::ReadRaw(const std::string& relative) const {
    std::ifstream in(Dir() + "/" + relative, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void FilesTest::Pack(const std::string& archiveName, const Entries& entries,
                     files::PackOptions options) const {
    std::vector<files::PackItem> items;
    for (const auto& [name, content] : entries) items.push_back({name, "", content});
    std::string error;
    ASSERT_EQ(files::WriteArchive((Dir() + "/" + archiveName).c_str(), items, options, &error), 1)
        << error;
}

void FilesTest::WriteRaw(const std::string& archiveName, const std::vector<RawEntry>& records,
                         const std::string& data, uint8_t compressed, uint8_t scrambled,
                         uint32_t key1, uint32_t key2, size_t cutTableAt,
                         uint32_t extraCount) const {
    std::string table;
    for (size_t e = 0; e < records.size(); ++e) {
        const RawEntry& r = records[e];
        PutU32(&table, r.nameLength == UINT32_MAX ? static_cast<uint32_t>(r.name.size()) : r.nameLength);
        for (size_t i = 0; i < r.name.size(); ++i)
            table.push_back(static_cast<char>(
                static_cast<uint8_t>(r.name[i]) +
                files::NameScrambleKey(static_cast<uint32_t>(i), key1 * key2, static_cast<uint32_t>(e))));
        table.push_back('\1');
        PutU32(&table, 0);
        PutU32(&table, r.offset);
        PutU32(&table, r.stored);
        PutU32(&table, r.size);
    }
    files::ArchiveHeader header;
    header.key1 = key1;
    header.key2 = key2;
    header.compressed = compressed;
    header.scrambled = scrambled;
    header.entryCount = static_cast<uint32_t>(records.size()) + extraCount;
    header.dataStart = static_cast<uint32_t>(table.size());
    uint8_t raw[files::kArchiveHeaderSize];
    files::WriteArchiveHeader(header, raw);
    std::string bytes(reinterpret_cast<const char*>(raw), sizeof(raw));
    if (cutTableAt != SIZE_MAX) {
        bytes += table.substr(0, cutTableAt);
    } else {
        bytes += table + data;
    }
    Write(archiveName, bytes);
}

std::string FilesTest::Load(const std::string& name) {
    files::FileHandle h;
    if (!files::LoadWholeFile(&h, name.c_str())) return "<fail>";
    std::string content(reinterpret_cast<const char*>(h.buffer), static_cast<size_t>(h.size));
    h.ops.release(&h);
    return content;
}

std::string TestBytes(size_t size, uint32_t seed) {
    std::string out;
    out.reserve(size);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out.push_back((i / 512) % 2 ? static_cast<char>(x >> 24) : static_cast<char>('a' + (i * 7 + seed) % 23));
    }
    return out;
}

}  // namespace files_test
