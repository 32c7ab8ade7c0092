// Shift-JIS (code page 932) <-> UTF-8 conversion.
#pragma once
#include <string>
#include <string_view>

namespace platform {

// Invalid sequences become U+FFFD / "?" rather than failing.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);

}  // namespace platform
