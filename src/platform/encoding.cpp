#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace platform {

namespace {

// Converts with iconv; an invalid or incomplete sequence is replaced by
// `replacement` and conversion resumes one byte later.
std::string Convert(const char* to, const char* from, std::string_view input,
                    const char* replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    std::string out;
    out.reserve(input.size() * 2 + 8);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* o = buffer;
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            out += replacement;
            ++in;
            --inLeft;
        }
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv_close(cd);
    return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    return Convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD");
}

std::string Utf8ToSjis(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8, "?");
}

}  // namespace platform
