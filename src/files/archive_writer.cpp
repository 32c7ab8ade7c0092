#include "files/archive_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "files/archive.h"
#include "files/file_handle.h"
#include "files/zlib_stream.h"

namespace files {

namespace {

constexpr uint64_t kMaxContent = 0x7FFFFF00u;

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool ReadSource(const PackItem& item, std::vector<uint8_t>* content, std::string* error) {
    if (item.sourcePath.empty()) {
        content->assign(item.data.begin(), item.data.end());
        return true;
    }
    FILE* f = std::fopen(item.sourcePath.c_str(), "rb");
    if (!f) {
        *error = "cannot read " + item.sourcePath;
        return false;
    }
    content->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0) {
        content->insert(content->end(), chunk, chunk + got);
        if (content->size() > kMaxContent) break;
    }
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *error = "cannot read " + item.sourcePath;
        return false;
    }
    if (content->size() > kMaxContent) {
        *error = item.sourcePath + " is too large for an archive entry";
        return false;
    }
    return true;
}

struct Placed {
    uint32_t crc = 0, offset = 0, stored = 0, size = 0;
};

}  // namespace

std::string ArchiveNameOf(const std::string& relative) {
    std::string name = relative;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == '/') {
            name[i] = '\\';
        } else if (c >= 'A' && c <= 'Z') {
            name[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

int WriteArchive(const char* path, const std::vector<PackItem>& items, const PackOptions& options,
                 std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    if (items.size() > 0xFFFFFFFFu) {
        *error = "too many files";
        return 0;
    }
    // Names first: the entry table's size fixes where the data begins.
    std::unordered_set<std::string> seen;
    uint64_t tableSize = 0;
    uLong nameCrc = crc32(0, nullptr, 0);
    for (const PackItem& item : items) {
        if (item.name.empty() || item.name.size() > kMaxEntryNameLength ||
            item.name.find('\0') != std::string::npos) {
            *error = "entry name \"" + item.name + "\" is empty or longer than " +
                     std::to_string(kMaxEntryNameLength) + " bytes";
            return 0;
        }
        if (!seen.insert(item.name).second) {
            *error = "two files share the entry name \"" + item.name + "\"";
            return 0;
        }
        tableSize += 4 + item.name.size() + kEntryFieldsSize;
        nameCrc = crc32(nameCrc, reinterpret_cast<const Bytef*>(item.name.data()),
                        static_cast<uInt>(item.name.size()));
    }
    if (tableSize > 0xFFFFFFFFu - kArchiveHeaderSize) {
        *error = "the entry table is too large";
        return 0;
    }

    ArchiveHeader header;
    header.version = 1;
    // Keys derived from the names: the same input packs to the same bytes.
    header.key1 = static_cast<uint32_t>(nameCrc) | 1u;
    header.key2 = static_cast<uint32_t>(items.size()) * 0x9E3779B1u + 0x7F4A7C15u;
    header.compressed = options.compress ? 1 : 0;
    header.scrambled = options.scramble ? 1 : 0;
    header.entryCount = static_cast<uint32_t>(items.size());
    header.dataStart = static_cast<uint32_t>(tableSize);
    const uint32_t product = header.key1 * header.key2;

    FILE* out = std::fopen(path, "wb");
    if (!out) {
        *error = std::string("cannot create ") + path;
        return 0;
    }
    auto fail = [&](const std::string& message) {
        std::fclose(out);
        std::remove(path);
        *error = message;
        return 0;
    };
    std::vector<uint8_t> zeros(kArchiveHeaderSize + tableSize, 0);
    if (std::fwrite(zeros.data(), 1, zeros.size(), out) != zeros.size())
        return fail(std::string("cannot write ") + path);

    std::vector<Placed> placed(items.size());
    uint64_t dataSize = 0;
    std::vector<uint8_t> content, stored;
    for (size_t e = 0; e < items.size(); ++e) {
        const PackItem& item = items[e];
        std::string readError;
        if (!ReadSource(item, &content, &readError)) return fail(readError);
        Placed& p = placed[e];
        p.size = static_cast<uint32_t>(content.size());
        p.crc = static_cast<uint32_t>(
            crc32(crc32(0, nullptr, 0), content.data(), static_cast<uInt>(content.size())));
        if (options.compress) {
            stored.clear();
            static const uint8_t kEmpty = 0;
            if (!DeflateAll(content.empty() ? &kEmpty : content.data(), content.size(), &stored))
                return fail("compression failed for " + item.name);
        } else {
            stored.swap(content);
        }
        if (stored.size() > kMaxContent)
            return fail(item.name + " does not fit an archive entry");
        p.stored = static_cast<uint32_t>(stored.size());
        if (dataSize + p.stored > 0xFFFFFFFFu)
            return fail("the archive would exceed 4 GB of data");
        p.offset = static_cast<uint32_t>(dataSize);
        if (options.scramble) {
            uint32_t nameLength = static_cast<uint32_t>(item.name.size());
            uint32_t hash = EntryNameHash(item.name.data(), item.name.size());
            uint8_t key = static_cast<uint8_t>(ContentKey(hash, header.key1, header.key2, p.size));
            ScrambleData(stored.data(), stored.size(), 0, ScrambledLength(p.stored, nameLength), key);
        }
        if (!stored.empty() && std::fwrite(stored.data(), 1, stored.size(), out) != stored.size())
            return fail(std::string("cannot write ") + path);
        dataSize += p.stored;
    }
    header.builder[0] = static_cast<uint32_t>(tableSize);
    header.builder[1] = static_cast<uint32_t>(dataSize);

    std::vector<uint8_t> table;
    table.reserve(tableSize);
    for (size_t e = 0; e < items.size(); ++e) {
        const std::string& name = items[e].name;
        PutU32(&table, static_cast<uint32_t>(name.size()));
        for (size_t i = 0; i < name.size(); ++i) {
            uint8_t key = NameScrambleKey(static_cast<uint32_t>(i), product, static_cast<uint32_t>(e));
            table.push_back(static_cast<uint8_t>(static_cast<uint8_t>(name[i]) + key));
        }
        table.push_back(kEntryTypeCrc);
        PutU32(&table, placed[e].crc);
        PutU32(&table, placed[e].offset);
        PutU32(&table, placed[e].stored);
        PutU32(&table, placed[e].size);
    }
    uint8_t raw[kArchiveHeaderSize];
    WriteArchiveHeader(header, raw);
    if (std::fseek(out, 0, SEEK_SET) != 0 || std::fwrite(raw, 1, sizeof(raw), out) != sizeof(raw) ||
        (!table.empty() && std::fwrite(table.data(), 1, table.size(), out) != table.size()))
        return fail(std::string("cannot write ") + path);
    if (std::fclose(out) != 0) {
        std::remove(path);
        *error = std::string("cannot write ") + path;
        return 0;
    }
    return 1;
}

}  // namespace files
