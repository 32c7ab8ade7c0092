#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace platform {

namespace {

// Converts with iconv into `out`. An invalid or incomplete sequence is
// replaced by `replacement` and conversion resumes one byte later; with a null
// `replacement` conversion stops there, `bad` (may be null) gets its offset
// and the result is false. Also false when iconv knows neither encoding.
bool Run(const char* to, const char* from, std::string_view input, const char* replacement,
         std::string* out, size_t* bad) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out->clear();
    out->reserve(input.size() * 2 + 8);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* o = buffer;
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out->append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (!replacement) {
                ok = false;
                if (bad) *bad = static_cast<size_t>(in - input.data());
                break;
            }
            *out += replacement;
            ++in;
            --inLeft;
        }
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv_close(cd);
    return ok;
}

std::string Convert(const char* to, const char* from, std::string_view input,
                    const char* replacement) {
    std::string out;
    if (!Run(to, from, input, replacement, &out, nullptr)) return std::string(input);
    return out;
}

bool ConvertStrict(const char* to, const char* from, std::string_view input, std::string* result,
                   size_t* bad) {
    std::string out;
    if (!Run(to, from, input, nullptr, &out, bad)) return false;
    *result = std::move(out);
    return true;
}

}  // namespace

bool LooksLikeUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t length = text.size();
    bool multi = false;
    for (size_t i = 0; i < length;) {
        unsigned char c = p[i];
        size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        if (extra == 9 || (c & 0xFE) == 0xC0 || length - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        multi = multi || extra > 0;
        i += extra + 1;
    }
    return multi;
}

bool SjisToUtf8Strict(std::string_view sjis, std::string* out, size_t* bad) {
    return ConvertStrict("UTF-8", "CP932", sjis, out, bad);
}

bool Utf8ToSjisStrict(std::string_view utf8, std::string* out, size_t* bad) {
    return ConvertStrict("CP932", "UTF-8", utf8, out, bad);
}

std::string SjisToUtf8(std::string_view sjis) {
    return Convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD");
}

std::string Utf8ToSjis(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8, "?");
}

}  // namespace platform
