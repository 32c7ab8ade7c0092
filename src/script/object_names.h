// Object names in script commands and built-ins are relative to the calling
// block's object prefix.
#pragma once
#include <cstddef>

namespace script {

constexpr size_t kObjectNameSize = 256;

// An empty name fails (0). With a non-empty prefix and a name that begins
// neither with '@' (an alias) nor '<' (a main-world path) the result is
// "prefix/name"; otherwise the name itself without a final '>'. The result
// (in `out`, 256 bytes) is cut at whole characters. Returns 1.
int QualifyObjectName(const char* name, char* out, const char* prefix);

}  // namespace script
