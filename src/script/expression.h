// The expression evaluator: one recursive descent over statement text from
// which the white space outside string literals has already been removed.
// Every evaluation gives a number (double) and a text result (at most 1023
// bytes in a 1024-byte buffer); the consuming operator decides which counts.
// A word naming a variable gives the variable's number and, as text, the
// variable's (subscript-rewritten) name, so that assignments, '+' and '=='
// can tell variables from plain texts.
//
// Runs on the calling script thread; variables are read and written without
// a lock (variables.h).
#pragma once
#include <cstddef>

namespace script {

struct ScriptBlock;

constexpr size_t kTextSize = 1024;

// Statements and case labels: text that begins with a digit, '$', '#', '(',
// '+', '-' or a statement built-in ("Message(", "Conquest(", "Array(",
// "AssocArray(", "VariableValue(", "LockVideo(", "KickShortcut(",
// "WriteImage(") is evaluated and its text result goes to `out` (1024 bytes,
// may be null); other text is copied to `out` unchanged and gives 0.
double EvaluateStatement(char* out, ScriptBlock* block, const char* text);
// Whether EvaluateStatement would evaluate `text`.
bool IsEvaluable(const char* text);
// Length of the built-in function name at `p` when it is directly followed
// by '(', else 0.
size_t BuiltinNameLength(const char* p);

// Evaluates `text` as one expression; `textOut` (1024 bytes, may be null)
// receives the text result. `block` (may be null) gives the object prefix
// and the calling process.
double EvaluateExpression(ScriptBlock* block, const char* text, char* textOut = nullptr);

// Number to integer, truncating toward zero; NaN gives 0 and values beyond
// the 64-bit range are clamped.
long long ToInteger(double value);

}  // namespace script
