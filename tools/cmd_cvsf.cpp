// The cvsf command: wraps a file into the engine's CVSF container or unwraps
// one. The key byte comes from a base name, as when the engine reads it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "files/cvsf.h"
#include "files/file_handle.h"

namespace tool {

namespace {

constexpr size_t kMaxInput = 0x7FFFFF00u;

int Fail(const std::string& message) {
    std::fprintf(stderr, "velmoor-tool cvsf: %s\n", message.c_str());
    return 1;
}

bool ReadAll(const char* path, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0 && bytes->size() <= kMaxInput)
        bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = !std::ferror(f) && bytes->size() <= kMaxInput;
    std::fclose(f);
    return ok;
}

bool WriteAll(const char* path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int CvsfCommand(int argc, char** argv) {
    const char* usage = "usage: velmoor-tool cvsf encode|decode IN OUT [--name NAME]\n";
    std::vector<const char*> positional;
    const char* name = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--name") == 0 && i + 1 < argc) {
            name = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fputs(usage, stderr);
            return 2;
        } else {
            positional.push_back(argv[i]);
        }
    }
    bool encode = positional.size() == 3 && std::strcmp(positional[0], "encode") == 0;
    bool decode = positional.size() == 3 && std::strcmp(positional[0], "decode") == 0;
    if (!encode && !decode) {
        std::fputs(usage, stderr);
        return 2;
    }
    const char* in = positional[1];
    const char* out = positional[2];
    // The engine keys a container by the base name it is read under.
    if (!name) name = encode ? out : in;
    if (std::strlen(name) >= files::kNameSize - 4)
        return Fail(std::string("the name \"") + name + "\" is longer than 259 bytes");
    uint8_t key = files::CvsfKey(name);

    std::vector<uint8_t> input;
    if (!ReadAll(in, &input)) return Fail(std::string("cannot read ") + in);
    uint8_t* result = nullptr;
    size_t resultSize = 0;
    if (encode) {
        if (!files::CvsfEncode(input.data(), input.size(), key, &result, &resultSize))
            return Fail(std::string("cannot encode ") + in);
    } else {
        if (!files::IsCvsf(input.data(), input.size()))
            return Fail(std::string(in) + " is not a CVSF file");
        if (!files::CvsfDecode(input.data(), input.size(), key, &result, &resultSize))
            return Fail(std::string("cannot decode ") + in + " under the name \"" + name +
                        "\" (damaged, or written under another base name)");
    }
    bool ok = WriteAll(out, result, resultSize);
    files::FreeZeroed(result);
    if (!ok) return Fail(std::string("cannot write ") + out);
    return 0;
}

}  // namespace tool
