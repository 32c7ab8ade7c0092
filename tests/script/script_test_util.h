// Helpers of the script tests: running statements and reading variables.
#pragma once
#include <string>
#include <vector>

#include "script/expression.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "shell/engine_build.h"
#include "support/support.h"

namespace script_test {

// Evaluates each statement (written in UTF-8, run as Shift-JIS) in order;
// returns the number of the last one and its text in `text`.
inline double RunStatements(const std::vector<std::string>& statements,
                            std::string* text = nullptr) {
    double last = 0;
    char out[script::kTextSize];
    for (const std::string& s : statements) {
        std::string sjis = testing_support::SjisRaw(s);
        last = script::EvaluateStatement(out, nullptr, sjis.c_str());
        if (text) *text = out;
    }
    return last;
}

inline script::Variable* Var(const std::string& utf8Name) {
    return script::LookupExact(testing_support::SjisRaw(utf8Name).c_str());
}

}  // namespace script_test
