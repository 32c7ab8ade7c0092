// val.cvf (local variables, magic "CVSL") and common/val.cvf (global
// variables, "CVSG"): the variables of one table from its first record up to
// its first free one.
//
// Each variable takes a 1024-byte unit, zero beyond its content: kind (1
// byte), name, 4 zero bytes, the number (IEEE double), the text and the key
// text, each followed by 4 zero bytes. A variable whose content does not fit
// 1024 bytes (a long name with a long text) sets bit 0x80 of its kind byte and
// takes two units, so no value is ever cut or written past its record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace save {

constexpr size_t kVariableUnit = 1024;
constexpr uint8_t kVariableContinued = 0x80;

struct SavedVariable {
    uint8_t kind = 0;
    double number = 0;
    std::string name, text, key;
};

// The record of table script::kTableGlobal or kTableLocal (reads the records
// under the variables lock).
std::vector<uint8_t> BuildVariablesRecord(int table);
// The magic of a table's file.
const char* VariablesMagic(int table);

// Parses and checks a record; nothing is changed in the engine.
bool ParseVariablesRecord(const std::vector<uint8_t>& record, int table,
                          std::vector<SavedVariable>* out, std::string* reason);

// Empties the table and stores the variables into its records in order, then
// applies the side effects of the system variables among them.
void RestoreVariables(int table, const std::vector<SavedVariable>& variables);

}  // namespace save
