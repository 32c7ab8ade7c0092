// Shared between the evaluator and the built-in functions; not for other
// subsystems.
#pragma once
#include <string>
#include <vector>

#include "script/expression.h"

namespace script {

struct Variable;

// One evaluation: the calling block, the cursor and the nesting depth (deeply
// nested input ends with 0 instead of exhausting the stack).
struct Eval {
    ScriptBlock* block;
    const char* p;
    int depth;
};

constexpr int kMaxDepth = 240;  // Expression, Term and Primary levels together

double Expression(Eval& e, char* text);
double Term(Eval& e, char* text);
double Factor(Eval& e, char* text);

// The arguments of a built-in call, each evaluated as an expression.
struct Arguments {
    std::vector<double> number;
    std::vector<std::string> text;  // text results as evaluated (names for variables)
    size_t count() const { return number.size(); }
    // Text of argument i with a text variable's name replaced by its text ("" when absent).
    std::string Text(size_t i) const;
    // True when argument i is a number: an empty text, or the name of a
    // variable that is not a text variable.
    bool IsNumber(size_t i) const;
    // Number of argument i (0 when absent).
    double Number(size_t i) const { return i < count() ? number[i] : 0; }
};

// An existing variable named by a text result, or null.
Variable* NamedVariable(const char* text);

// Built-in table lookup: the length of the built-in name at `p` when it is
// directly followed by '(', else 0; `index` receives its table index.
size_t MatchBuiltin(const char* p, int* index);
// Calls built-in `index` with its arguments; the text result goes to `text`.
double CallBuiltin(Eval& e, int index, const Arguments& args, char* text);

// Writes an integer as decimal text.
void FormatInteger(char* out, size_t size, double value);

}  // namespace script
