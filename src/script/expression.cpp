// The recursive-descent evaluator: Expression, Term, Factor, Primary.
#include "script/expression.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "script/expression_internal.h"
#include "script/sjis.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace script {

long long ToInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return 9200000000000000000LL;
    if (value <= -9.2e18) return -9200000000000000000LL;
    return static_cast<long long>(value);
}

void FormatInteger(char* out, size_t size, double value) {
    std::snprintf(out, size, "%lld", ToInteger(value));
}

Variable* NamedVariable(const char* text) {
    if (TableOf(text) < 0) return nullptr;
    return LookupExact(text);
}

std::string Arguments::Text(size_t i) const {
    if (i >= count()) return std::string();
    Variable* v = NamedVariable(text[i].c_str());
    if (v) {
        VariablesGuard hold;
        if (v->kind == kVarText) return v->text;
    }
    return text[i];
}

bool Arguments::IsNumber(size_t i) const {
    if (i >= count()) return false;
    if (text[i].empty()) return true;
    Variable* v = NamedVariable(text[i].c_str());
    return v && ReadKind(v) != kVarText;
}

namespace {

bool IsWordEnd(char c) {
    switch (c) {
        case 0:
        case '!':
        case '%':
        case '&':
        case ')':
        case '*':
        case ',':
        case '-':
        case '.':
        case '/':
        case '<':
        case '=':
        case '>':
        case '[':
        case ']':
        case '|':
        case '+':
            return true;
        default:
            return false;
    }
}

// The value of a right side as text: a variable's text or its number as an
// integer, else the text itself.
void RightValue(const char* rtext, char* out) {
    Variable* v = NamedVariable(rtext);
    VariablesGuard hold;
    if (v && v->kind != kVarText)
        FormatInteger(out, kTextSize, v->number);
    else
        CopyCut(out, kTextSize, v ? v->text : rtext);
}

void CombinePlus(char* text, double left, const char* rtext, double right) {
    char result[kTextSize];
    result[0] = 0;
    Variable* lv = NamedVariable(text);
    VariablesGuard hold;
    if (!rtext[0]) {
        if (lv && lv->kind == kVarText) {
            CopyCut(result, sizeof(result), lv->text);
            char number[32];
            FormatInteger(number, sizeof(number), right);
            AppendCut(result, sizeof(result), number);
        }
    } else {
        char value[kTextSize];
        RightValue(rtext, value);
        if (lv && lv->kind != kVarText) {
            FormatInteger(result, sizeof(result), left);
        } else if (lv) {
            CopyCut(result, sizeof(result), lv->text);
        } else if (!text[0]) {
            FormatInteger(result, sizeof(result), left);
        } else {
            CopyCut(result, sizeof(result), text);
        }
        AppendCut(result, sizeof(result), value);
    }
    std::memcpy(text, result, sizeof(result));
}

double CompareEqual(const char* ltext, double left, char* rtext, double right) {
    double truth;
    if (IsTrueFalse(rtext, &truth)) {
        right = truth;
        rtext[0] = 0;
    }
    Variable* lv = NamedVariable(ltext);
    VariablesGuard hold;
    bool leftHasText = lv ? lv->kind == kVarText : ltext[0] != 0;
    if (leftHasText && rtext[0]) {
        const char* ls = lv ? lv->text : ltext;
        Variable* rv = NamedVariable(rtext);
        if (rv && rv->kind != kVarText) return ToInteger(left) == ToInteger(rv->number);
        return std::strcmp(ls, rv ? rv->text : rtext) == 0;
    }
    return ToInteger(left) == ToInteger(right);
}

// Bytes of a word followed by its subscripts "[...]" (brackets nest; string
// literals inside are stepped over).
const char* WordEnd(const char* p) {
    while (!IsWordEnd(*p)) p = NextChar(p);
    while (*p == '[') {
        int depth = 0;
        bool quoted = false;
        for (; *p; p = NextChar(p)) {
            if (*p == '"') quoted = !quoted;
            if (quoted) continue;
            if (*p == '[') ++depth;
            if (*p == ']' && --depth == 0) break;
        }
        if (!*p) return p;
        ++p;
    }
    return p;
}

void Changed(Variable* v) {
    if (IsSystemName(v->name)) ApplySystem(v->name);
}

void AppendValue(Variable* v, const char* rtext, double right) {
    char value[kTextSize];
    if (rtext[0])
        RightValue(rtext, value);
    else
        FormatInteger(value, sizeof(value), right);
    {
        VariablesGuard hold;
        AppendCut(v->text, sizeof(v->text), value);
    }
    Changed(v);
}

// Postfix operators after a variable. Returns the expression's value.
// "++" and "--" are one locked step. A compound assignment reads the old
// value before its right side is evaluated and writes the result after, each
// under the variables lock; the lock is not held while the right side runs
// (it may call built-ins that wait).
double Postfix(Eval& e, Variable* v, double value) {
    const char* p = e.p;
    char op = p[0];
    bool doubled = (op == '+' || op == '-') && p[1] == op;
    bool compound =
        (op == '+' || op == '-' || op == '*' || op == '/' || op == '%' || op == '.') && p[1] == '=';
    if (!doubled && !compound) return value;
    e.p += 2;
    char rtext[kTextSize];
    if (ReadKind(v) == kVarText) {
        if (compound && (op == '+' || op == '.')) {
            double right = Term(e, rtext);
            AppendValue(v, rtext, right);
        } else if (compound) {
            Term(e, rtext);  // read and dropped: no arithmetic on texts
        }
        return value;
    }
    if (op == '.') {  // ".=" on a number variable: read and dropped
        Term(e, rtext);
        return value;
    }
    double old;
    double result;
    if (doubled) {
        {
            VariablesGuard hold;
            old = v->number;
            SetNumber(v, old + (op == '+' ? 1 : -1));
        }
        Changed(v);
        return old;
    }
    old = ReadNumber(v);
    double right = op == '+' ? Factor(e, rtext) : Term(e, rtext);
    switch (op) {
        case '+':
            result = old + right;
            break;
        case '-':
            result = old - right;
            break;
        case '*':
            result = old * right;
            break;
        case '/':
            result = right == 0 ? old : old / right;
            break;
        default: {
            long long d = ToInteger(right);
            result = d == 0 ? 0 : static_cast<double>(ToInteger(old) % d);
        }
    }
    SetNumber(v, result);
    Changed(v);
    return result;
}

double ParseNumber(Eval& e) {
    double value = 0;
    const char* p = e.p;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    if (*p == '.') {
        ++p;
        double scale = 0.1;
        while (*p >= '0' && *p <= '9') {
            value += (*p++ - '0') * scale;
            scale /= 10;
        }
    }
    e.p = p;
    return value;
}

double Primary(Eval& e, char* text);

// Counts the nesting of Term and Primary calls; past the limit the rest of
// the text is skipped and the value is 0.
struct DepthGuard {
    Eval& e;
    bool ok;
    explicit DepthGuard(Eval& eval) : e(eval), ok(++eval.depth <= kMaxDepth) {
        if (!ok) e.p += std::strlen(e.p);
    }
    ~DepthGuard() { --e.depth; }
};

// The operand of a prefix operator: a parenthesised value or a primary.
double Operand(Eval& e, char* text) {
    return *e.p == '(' || *e.p == '[' ? Factor(e, text) : Primary(e, text);
}

double Primary(Eval& e, char* text) {
    text[0] = 0;
    DepthGuard guard(e);
    if (!guard.ok) return 0;
    const char* p = e.p;
    char c = *p;
    if (c == '!') {
        ++e.p;
        double v = Operand(e, text);
        text[0] = 0;
        return v == 0 ? 1 : 0;
    }
    if (c == '+' || c == '-') {
        if (p[1] == c && (p[2] == '$' || p[2] == '#')) {
            e.p += 2;
            const char* start = e.p;
            e.p = WordEnd(start);
            std::string raw(start, static_cast<size_t>(e.p - start));
            Variable* v = GetOrCreate(raw.c_str(), e.block, text);
            if (!v) return 0;
            double result;
            {
                VariablesGuard hold;
                if (v->kind == kVarText) return v->number;
                result = v->number + (c == '+' ? 1 : -1);
                SetNumber(v, result);
            }
            Changed(v);
            return result;
        }
        ++e.p;
        double v = Operand(e, text);
        if (c == '-') {
            text[0] = 0;
            return -v;
        }
        return v;
    }
    if (c >= '0' && c <= '9') return ParseNumber(e);
    if (c == '"') {
        const char* start = p + 1;
        const char* end = start;
        while (*end && *end != '"') end = NextChar(end);
        CopyCut(text, kTextSize, start, static_cast<size_t>(end - start));
        e.p = *end ? end + 1 : end;
        return 0;
    }
    int builtin;
    if (size_t length = MatchBuiltin(p, &builtin)) {
        e.p = p + length + 1;
        Arguments args;
        char argText[kTextSize];
        if (*e.p == ')') {
            ++e.p;
        } else {
            for (;;) {
                double v = Expression(e, argText);
                if (args.count() < 64) {
                    args.number.push_back(v);
                    args.text.emplace_back(argText);
                }
                if (*e.p == ',') {
                    ++e.p;
                    continue;
                }
                if (*e.p == ')') ++e.p;
                break;
            }
        }
        return CallBuiltin(e, builtin, args, text);
    }
    double truth;
    if (IsTrueFalse(p, &truth)) {
        CopyCut(text, kTextSize, p);
        e.p = p + std::strlen(p);
        return truth;
    }
    const char* end = WordEnd(p);
    e.p = end;
    if (c != '$' && c != '#') {
        CopyCut(text, kTextSize, p, static_cast<size_t>(end - p));
        // A bare TRUE or FALSE inside a larger text ("(TRUE)", "TRUE&&$a")
        // is a truth value too.
        return IsTrueFalse(text, &truth) ? truth : 0;
    }
    std::string raw(p, static_cast<size_t>(end - p));
    char name[kVarNameSize];
    Variable* v = GetOrCreate(raw.c_str(), e.block, name);
    CopyCut(text, kTextSize, name);
    if (!v) return 0;
    return Postfix(e, v, ReadNumber(v));
}

}  // namespace

double Factor(Eval& e, char* text) {
    char open = *e.p;
    if (open != '(' && open != '[') return Primary(e, text);
    char close = open == '(' ? ')' : ']';
    ++e.p;
    double v = Expression(e, text);
    if (*e.p == close) {
        ++e.p;
        return v;
    }
    if (*e.p == ',') return v;  // the next argument follows
    return 0;
}

double Term(Eval& e, char* text) {
    DepthGuard guard(e);
    if (!guard.ok) {
        text[0] = 0;
        return 0;
    }
    double v = Factor(e, text);
    bool zero = false;
    char rtext[kTextSize];
    for (;;) {
        const char* p = e.p;
        char c = p[0];
        if ((c == '=' || c == '!') && p[1] == '=') {
            e.p += 2;
            double right = Term(e, rtext);
            double equal = CompareEqual(text, v, rtext, right);
            v = c == '=' ? equal : 1 - equal;
            text[0] = 0;
            break;
        }
        if (c == '<' || c == '>') {
            bool orEqual = p[1] == '=';
            e.p += orEqual ? 2 : 1;
            double right = Term(e, rtext);
            if (c == '<')
                v = orEqual ? v <= right : v < right;
            else
                v = orEqual ? v >= right : v > right;
            text[0] = 0;
            break;
        }
        if (c != '*' && c != '/' && c != '%' && c != '+' && c != '-') break;
        ++e.p;
        double right = Factor(e, rtext);
        switch (c) {
            case '+':
                CombinePlus(text, v, rtext, right);
                v += right;
                break;
            case '-':
                v -= right;
                text[0] = 0;
                break;
            case '*':
                v *= right;
                text[0] = 0;
                break;
            case '/':
                if (right == 0)
                    zero = true;
                else
                    v /= right;
                text[0] = 0;
                break;
            default: {
                long long d = ToInteger(right);
                if (d == 0)
                    zero = true;
                else
                    v = static_cast<double>(ToInteger(v) % d);
                text[0] = 0;
            }
        }
    }
    if (zero) {
        text[0] = 0;
        return 0;
    }
    return v;
}

double Expression(Eval& e, char* text) {
    DepthGuard guard(e);
    if (!guard.ok) {
        text[0] = 0;
        return 0;
    }
    double v = Term(e, text);
    if (e.p[0] == '=' && e.p[1] != '=') {
        char name[kVarNameSize];
        CopyCut(name, sizeof(name), text);
        ++e.p;
        v = Expression(e, text);
        if (TableOf(name) >= 0) AssignVariable(name, v, text);
    } else {
        char rtext[kTextSize];
        while ((e.p[0] == '&' && e.p[1] == '&') || (e.p[0] == '|' && e.p[1] == '|')) {
            bool isAnd = e.p[0] == '&';
            e.p += 2;
            double right = Term(e, rtext);
            long long left = ToInteger(v);
            v = isAnd ? (right != 0 && left != 0) : (right != 0 || left != 0);
            text[0] = 0;
        }
    }
    return v;
}

double EvaluateExpression(ScriptBlock* block, const char* text, char* textOut) {
    char local[kTextSize];
    char* out = textOut ? textOut : local;
    out[0] = 0;
    if (!text) return 0;
    Eval e{block, text, 0};
    return Expression(e, out);
}

bool IsEvaluable(const char* text) {
    if (!text) return false;
    char c = text[0];
    if ((c >= '0' && c <= '9') || c == '$' || c == '#' || c == '(' || c == '+' || c == '-')
        return true;
    static const char* const kStatementBuiltins[] = {
        "Message(",       "Conquest(",  "Array(",        "AssocArray(",
        "VariableValue(", "LockVideo(", "KickShortcut(", "WriteImage(",
    };
    for (const char* name : kStatementBuiltins)
        if (std::strncmp(text, name, std::strlen(name)) == 0) return true;
    return false;
}

double EvaluateStatement(char* out, ScriptBlock* block, const char* text) {
    char local[kTextSize];
    char* target = out ? out : local;
    if (!IsEvaluable(text)) {
        CopyCut(target, kTextSize, text ? text : "");
        return 0;
    }
    return EvaluateExpression(block, text, target);
}

}  // namespace script
