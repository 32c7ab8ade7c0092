// The call statements' targets as written: which keyword, the target text
// after it and its "file->name" parts. Shared by the interpreter and the
// script checker so that both read a target the same way.
#pragma once
#include <cstddef>

#include "script/process.h"

namespace script {

enum CallKind { kCallChapter, kCallScene, kCallCut, kCallPlain, kShiftScene, kShiftCut };

// The call keyword at `p` (followed by white space): its kind and length in
// `*length`. False when none starts there.
bool MatchCallKeyword(const char* p, const char* limit, CallKind* kind, size_t* length);

// Reads the target text that follows a call keyword (`afterKeyword` is the
// byte after the keyword) into `target` (kBlockNameSize bytes) and returns
// the position after it. The forms differ in the quote they skip and the
// trailing bytes they cut; no variable substitution is done here.
const char* ReadCallTargetText(const char* afterKeyword, const char* limit, CallKind kind,
                               char* target);

// Splits "file->name" (the name defaults to `defaultName`); `at` is set when
// the target begins with '@' (the caller's own file or process).
struct CallTarget {
    char file[kFileNameSize];
    char name[kBlockNameSize];
    bool at;
};
void SplitCallTarget(const char* target, const char* defaultName, CallTarget* out);

// The keyword of a call kind ("call_scene" ...).
const char* CallKeyword(CallKind kind);

}  // namespace script
