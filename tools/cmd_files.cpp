// Archive commands: pack, unpack, list.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <zlib.h>

#include "commands.h"
#include "files/archive.h"
#include "files/archive_writer.h"
#include "files/file_handle.h"
#include "platform/encoding.h"

namespace tool {

namespace {

namespace fs = std::filesystem;

int Fail(const char* command, const std::string& message) {
    std::fprintf(stderr, "velmoor-tool %s: %s\n", command, message.c_str());
    return 1;
}

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: velmoor-tool %s\n", usage);
    return 2;
}

// Reads an archive's table; prints why when it cannot.
bool OpenArchive(const char* command, const char* path, files::ArchiveIndex* archive) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        Fail(command, std::string("cannot read ") + path);
        return false;
    }
    if (!files::ReadArchive(path, archive)) {
        Fail(command, std::string(path) + " is not a CVA archive");
        return false;
    }
    return true;
}

bool ReportDamage(const char* command, const char* path, const files::ArchiveIndex& archive) {
    if (archive.skippedEntries == 0 && !archive.truncated) return false;
    std::string message = std::string(path) + " is damaged:";
    if (archive.skippedEntries)
        message += " " + std::to_string(archive.skippedEntries) + " broken entries skipped";
    if (archive.truncated) message += " the entry table ends early";
    Fail(command, message);
    return true;
}

// The relative output path of an entry name, or empty when the name would
// leave the output folder.
std::string SafeRelativePath(const std::string& entryName) {
    std::string path;
    std::string component;
    std::vector<std::string> parts;
    for (size_t i = 0; i <= entryName.size(); ++i) {
        unsigned char c = i < entryName.size() ? static_cast<unsigned char>(entryName[i]) : '\\';
        if (i < entryName.size() && files::IsLeadByte(c) && i + 1 < entryName.size()) {
            component += entryName[i];
            component += entryName[++i];
            continue;
        }
        if (c == '\\' || c == '/') {
            if (component.empty() || component == "." || component == "..") return std::string();
            parts.push_back(component);
            component.clear();
            continue;
        }
        component += static_cast<char>(c);
    }
    for (size_t i = 0; i < parts.size(); ++i) path += (i ? "/" : "") + parts[i];
    return path;
}

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (extra == 9 || i + extra >= text.size() + (extra ? 0 : 1)) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

// The archive's (Shift-JIS) spelling of a name found on disk. Names on a
// Linux disk are normally UTF-8 and are converted; a name that is already
// Shift-JIS (and no UTF-8) is kept. False for a UTF-8 name with a character
// Shift-JIS cannot hold: the engine could never ask for it.
bool ArchiveSpelling(const std::string& onDisk, std::string* sjis) {
    bool plain = std::all_of(onDisk.begin(), onDisk.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain) {
        *sjis = onDisk;
        return true;
    }
    if (IsValidUtf8(onDisk)) return platform::Utf8ToSjisStrict(onDisk, sjis);
    *sjis = onDisk;
    return true;
}

// The disk spelling of an archive entry's path: UTF-8, or the bytes as
// stored when they are not valid Shift-JIS.
std::string DiskSpelling(const std::string& sjis) {
    std::string utf8;
    return platform::SjisToUtf8Strict(sjis, &utf8) ? utf8 : sjis;
}

}  // namespace

int PackCommand(int argc, char** argv) {
    const char* usage = "pack OUT.cva DIR [--store] [--no-scramble]";
    files::PackOptions options;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--store") == 0) {
            options.compress = false;
        } else if (std::strcmp(argv[i], "--no-scramble") == 0) {
            options.scramble = false;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return UsageError(usage);
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.size() != 2) return UsageError(usage);
    const char* out = positional[0];
    fs::path root = positional[1];
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return Fail("pack", "cannot read folder " + root.string());
    fs::path outAbsolute = fs::weakly_canonical(fs::absolute(out, ec), ec);

    std::vector<files::PackItem> items;
    fs::recursive_directory_iterator it(root, ec), end;
    if (ec) return Fail("pack", "cannot read folder " + root.string());
    for (; it != end; it.increment(ec)) {
        if (ec) return Fail("pack", "cannot read folder " + root.string() + ": " + ec.message());
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (fs::weakly_canonical(it->path(), typeError) == outAbsolute) continue;
        std::string relative = it->path().lexically_relative(root).generic_string();
        std::string sjis;
        if (!ArchiveSpelling(relative, &sjis))
            return Fail("pack", "the name \"" + relative +
                                    "\" has no Shift-JIS form (the engine could not ask for it); rename it");
        files::PackItem item;
        item.name = files::ArchiveNameOf(sjis);
        item.sourcePath = it->path().string();
        if (item.name.size() > files::kMaxEntryNameLength)
            return Fail("pack", "the name \"" + relative + "\" is longer than " +
                                    std::to_string(files::kMaxEntryNameLength) + " bytes");
        items.push_back(std::move(item));
    }
    if (ec) return Fail("pack", "cannot read folder " + root.string() + ": " + ec.message());
    std::sort(items.begin(), items.end(),
              [](const files::PackItem& a, const files::PackItem& b) { return a.name < b.name; });
    std::string error;
    if (!files::WriteArchive(out, items, options, &error)) return Fail("pack", error);
    std::printf("packed %zu files into %s\n", items.size(), out);
    return 0;
}

int UnpackCommand(int argc, char** argv) {
    if (argc != 3) return UsageError("unpack ARCHIVE DIR");
    const char* path = argv[1];
    fs::path outRoot = argv[2];
    files::ArchiveIndex archive;
    if (!OpenArchive("unpack", path, &archive)) return 1;
    bool damaged = ReportDamage("unpack", path, archive);
    FILE* stream = std::fopen(path, "rb");
    if (!stream) return Fail("unpack", std::string("cannot read ") + path);
    int failures = 0;
    for (const files::ArchiveEntry& entry : archive.entries) {
        std::string shown = platform::SjisToUtf8(entry.name);
        std::string relative = SafeRelativePath(entry.name);
        if (relative.empty()) {
            Fail("unpack", "entry \"" + shown + "\" would be written outside the folder; skipped");
            ++failures;
            continue;
        }
        uint8_t* content = nullptr;
        int32_t size = 0;
        if (!files::LoadArchiveEntry(stream, entry, &content, &size)) {
            Fail("unpack", "entry \"" + shown + "\" is damaged; skipped");
            ++failures;
            continue;
        }
        if (entry.type == files::kEntryTypeCrc &&
            crc32(crc32(0, nullptr, 0), content, static_cast<uInt>(size)) != entry.extra) {
            Fail("unpack", "entry \"" + shown + "\" does not match its checksum");
            ++failures;
        }
        fs::path target = outRoot / DiskSpelling(relative);
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        FILE* out = std::fopen(target.string().c_str(), "wb");
        bool written = out && (size == 0 || std::fwrite(content, 1, static_cast<size_t>(size), out) ==
                                                static_cast<size_t>(size));
        if (out && std::fclose(out) != 0) written = false;
        files::FreeZeroed(content);
        if (!written) {
            std::fclose(stream);
            return Fail("unpack", "cannot write " + target.string());
        }
    }
    std::fclose(stream);
    return failures || damaged ? 1 : 0;
}

int ListCommand(int argc, char** argv) {
    if (argc != 2) return UsageError("list ARCHIVE");
    files::ArchiveIndex archive;
    if (!OpenArchive("list", argv[1], &archive)) return 1;
    for (const files::ArchiveEntry& entry : archive.entries) {
        std::string flags;
        flags += entry.compressed == 1 ? 'z' : '-';
        flags += entry.scrambled == 1 ? 's' : '-';
        std::printf("%s\t%u\t%u\t%s\n", platform::SjisToUtf8(entry.name).c_str(), entry.storedSize,
                    entry.size, flags.c_str());
    }
    return ReportDamage("list", argv[1], archive) ? 1 : 0;
}

}  // namespace tool
