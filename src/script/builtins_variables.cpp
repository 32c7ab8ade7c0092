// Variable built-ins: Array, AssocArray, Count, VariableValue.
#include <cstring>
#include <string>

#include "script/builtins.h"
#include "script/sjis.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace script {

namespace {

std::string MemberName(const std::string& base, size_t index) {
    return base + "/" + std::to_string(index);
}

// Stores argument i into `target`: TRUE/FALSE as 1/0, a variable's kind and
// value copied, another text as text, else the number.
void StoreArgument(Variable* target, const Arguments& args, size_t i) {
    const char* raw = args.text[i].c_str();
    double truth;
    if (IsTrueFalse(raw, &truth)) {
        SetNumber(target, truth);
    } else if (Variable* source = NamedVariable(raw)) {
        VariablesGuard hold;
        if (source != target) {
            char copy[kVarTextSize];
            std::memcpy(copy, source->text, sizeof(copy));
            target->kind = source->kind;
            target->number = source->number;
            std::memcpy(target->text, copy, sizeof(copy));
        }
    } else if (raw[0]) {
        SetText(target, raw);
    } else {
        SetNumber(target, args.number[i]);
    }
    if (IsSystemName(target->name)) ApplySystem(target->name);
}

}  // namespace

double BuiltinArray(Eval& e, const Arguments& args, char*) {
    if (args.count() == 0) return 0;
    const std::string& base = args.text[0];
    for (size_t i = 1; i < args.count(); ++i) {
        Variable* v = GetOrCreate(MemberName(base, i - 1).c_str(), e.block);
        if (v) StoreArgument(v, args, i);
    }
    return 0;
}

double BuiltinAssocArray(Eval& e, const Arguments& args, char*) {
    if (args.count() == 0) return 0;
    const std::string& base = args.text[0];
    for (size_t i = 1; i < args.count(); ++i) {
        std::string key = args.Text(i);
        if (IsTrueFalse(key.c_str())) continue;
        Variable* v = GetOrCreate(MemberName(base, i - 1).c_str(), e.block);
        if (v) SetVariableKey(v, key.c_str());
    }
    return 0;
}

double BuiltinCount(Eval& e, const Arguments& args, char*) {
    if (args.count() == 0) return 0;
    char name[kVarNameSize];
    RewriteSubscripts(args.text[0].c_str(), e.block, name);
    return CountMembers(name);
}

double BuiltinVariableValue(Eval& e, const Arguments& args, char* text) {
    std::string sigil = args.Text(0);
    if (sigil.empty() || (sigil[0] != '$' && sigil[0] != '#')) return 0;
    std::string name = sigil.substr(0, 1) + args.Text(1);
    Variable* v;
    if (args.count() >= 3) {
        v = GetOrCreate(name.c_str(), e.block);
        if (v) StoreArgument(v, args, 2);
    } else {
        v = Lookup(name.c_str(), e.block);
    }
    if (!v) return 0;
    VariablesGuard hold;
    if (v->kind == kVarText) {
        CopyCut(text, kTextSize, v->text);
        return 0;
    }
    return v->number;
}

}  // namespace script
