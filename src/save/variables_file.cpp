#include "save/variables_file.h"

#include <cstring>

#include "save/bytes.h"
#include "save/container.h"
#include "script/sjis.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace save {

const char* VariablesMagic(int table) { return table == script::kTableGlobal ? "CVSG" : "CVSL"; }

std::vector<uint8_t> BuildVariablesRecord(int table) {
    ByteWriter w;
    BeginRecord(w, VariablesMagic(table), 0);
    int count = 0;
    {
        script::VariablesGuard hold;
        const script::Variable* records = script::TableRecords(table);
        int size = script::TableSize(table);
        for (; count < size && records[count].inUse; ++count) {
            const script::Variable& v = records[count];
            size_t start = w.size();
            w.U8(v.kind);
            w.Raw(v.name, strnlen(v.name, sizeof(v.name) - 1));
            w.Zeros(4);
            w.F64(v.number);
            w.Raw(v.text, strnlen(v.text, sizeof(v.text) - 1));
            w.Zeros(4);
            w.Raw(v.key, strnlen(v.key, sizeof(v.key) - 1));
            w.Zeros(4);
            size_t used = w.size() - start;
            size_t unit = kVariableUnit;
            if (used > kVariableUnit) {
                unit = 2 * kVariableUnit;
                w.bytes[start] = static_cast<uint8_t>(v.kind | kVariableContinued);
            }
            w.Zeros(unit - used);
        }
    }
    w.PatchU32(12, static_cast<uint32_t>(count));
    FinishRecord(w);
    return w.bytes;
}

bool ParseVariablesRecord(const std::vector<uint8_t>& record, int table,
                          std::vector<SavedVariable>* out, std::string* reason) {
    ByteReader r(record.data(), record.size());
    int32_t count = 0;
    if (!ReadRecordHeader(r, VariablesMagic(table), &count)) {
        *reason = r.error();
        return false;
    }
    if (count < 0 || count > script::TableSize(table)) {
        *reason = "variable count " + std::to_string(count) + " is out of range";
        return false;
    }
    out->clear();
    out->reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        if (r.remaining() < 1) {
            *reason = "variable " + std::to_string(i) + " of " + std::to_string(count) + " is missing";
            return false;
        }
        uint8_t kindByte = *r.here();
        size_t unit = (kindByte & kVariableContinued) ? 2 * kVariableUnit : kVariableUnit;
        const uint8_t* bytes = r.Bytes(unit, "a variable record");
        if (!bytes) break;
        ByteReader v(bytes, unit);
        SavedVariable s;
        s.kind = static_cast<uint8_t>(v.U8("kind") & ~kVariableContinued);
        s.name = v.Text(script::kVarNameSize - 1, "name");
        s.number = v.F64("number");
        s.text = v.Text(script::kVarTextSize - 1, "text");
        s.key = v.Text(script::kVarKeySize - 1, "key");
        if (v.ok() && s.kind > script::kVarNumber) v.Fail("kind " + std::to_string(s.kind) + " is unknown");
        if (v.ok() && script::TableOf(s.name.c_str()) != table)
            v.Fail("name \"" + s.name + "\" does not belong to this table");
        if (!v.ok()) {
            *reason = "variable " + std::to_string(i) + ": " + v.error();
            return false;
        }
        out->push_back(std::move(s));
    }
    if (!r.ok()) {
        *reason = r.error();
        return false;
    }
    if (r.remaining() != 0) {
        *reason = std::to_string(r.remaining()) + " bytes follow the last variable";
        return false;
    }
    return true;
}

void RestoreVariables(int table, const std::vector<SavedVariable>& variables) {
    if (table == script::kTableGlobal)
        script::ClearGlobals();
    else
        script::ClearLocals();
    {
        script::VariablesGuard hold;
        script::Variable* records = script::TableRecords(table);
        size_t n = std::min(variables.size(), static_cast<size_t>(script::TableSize(table)));
        for (size_t i = 0; i < n; ++i) {
            const SavedVariable& s = variables[i];
            script::Variable& v = records[i];
            std::memset(&v, 0, sizeof(v));
            v.inUse = 1;
            v.kind = s.kind;
            v.number = s.number;
            std::memcpy(v.name, s.name.data(), s.name.size());
            std::memcpy(v.text, s.text.data(), s.text.size());
            std::memcpy(v.key, s.key.data(), s.key.size());
            v.nameSum = script::NameSum(v.name);
            v.keySum = script::NameSum(v.key);
        }
    }
    script::RebuildVariableIndex(table);
    for (const SavedVariable& s : variables)
        if (s.name.size() > 8 && s.name.compare(1, 7, "SYSTEM_") == 0) script::ApplySystem(s.name.c_str());
}

}  // namespace save
