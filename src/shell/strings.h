// The string table: message texts (Shift-JIS) by numeric id.
#pragma once
#include <cstdint>

namespace shell {

enum StringId : int {
    kStrTitle = 103,
    kStrSoundInitFailed = 104,
    kStrDeviceFailed = 106,
    kStrWindowClass = 109,
    kStrQuitPrompt = 111,
    kStrStopMoviePrompt = 112,
    kStrLoadFailed = 113,
    kStrCpuCheck = 122,
};

// Returns the Shift-JIS text of string `id`, or "" for an unknown id. The
// pointer stays valid for the life of the process.
const char* LoadResourceString(int id);

// Shows string `id` as the text and string 103 as the caption.
int ShowResourceMessage(int id, uint32_t style);

}  // namespace shell
