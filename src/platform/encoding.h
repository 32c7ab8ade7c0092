// Shift-JIS (code page 932) <-> UTF-8 conversion.
#pragma once
#include <string>
#include <string_view>

namespace platform {

// Invalid sequences become U+FFFD / "?" rather than failing.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// Strict forms: false (and *out untouched) when some byte sequence is not
// valid in the source encoding or has no form in the target one. On success
// *bad is untouched; on failure it is the offset of the first byte that
// could not be converted (when bad is non-null).
// True when the bytes are valid UTF-8 and hold at least one multi-byte
// character: a text saved as UTF-8 (Shift-JIS Japanese practically never is).
bool LooksLikeUtf8(std::string_view text);
bool SjisToUtf8Strict(std::string_view sjis, std::string* out, size_t* bad = nullptr);
bool Utf8ToSjisStrict(std::string_view utf8, std::string* out, size_t* bad = nullptr);

}  // namespace platform
