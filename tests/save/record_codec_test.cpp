// The save records' readers against what the writers make and against
// damaged input: no value is cut, and a bad record is refused with a reason
// before anything in the engine changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "save/bytes.h"
#include "save/container.h"
#include "save/frames_file.h"
#include "save/read_map_file.h"
#include "save/variables_file.h"
#include "script/variables.h"
#include "support/support.h"

namespace {

using save::SavedVariable;

std::string Long(char c, size_t n) { return std::string(n, c); }

TEST(VariablesRecord, LongestValuesRoundTripWhole) {
    script::ClearLocals();
    // Name and text at their limits overflow one 1024-byte unit together.
    std::string name = "$" + Long('n', script::kVarNameSize - 2);
    std::string text = testing_support::SjisRaw("表") + Long('t', script::kVarTextSize - 3);
    script::Variable* big = script::GetOrCreateExact(name.c_str());
    ASSERT_NE(big, nullptr);
    script::SetText(big, text.c_str());
    script::SetVariableKey(big, Long('k', script::kVarKeySize - 1).c_str());
    script::SetNumber(script::GetOrCreateExact("$small"), 2.5);

    std::vector<uint8_t> record = save::BuildVariablesRecord(script::kTableLocal);
    EXPECT_EQ(record.size(), save::kHeaderSize + 3 * save::kVariableUnit);
    std::vector<SavedVariable> parsed;
    std::string reason;
    ASSERT_TRUE(save::ParseVariablesRecord(record, script::kTableLocal, &parsed, &reason)) << reason;

    script::ClearLocals();
    save::RestoreVariables(script::kTableLocal, parsed);
    script::Variable* back = script::LookupExact(name.c_str());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::string(back->text), text);
    EXPECT_EQ(std::string(back->key), Long('k', script::kVarKeySize - 1));
    EXPECT_EQ(back->kind, script::kVarText);
    script::Variable* small = script::LookupExact("$small");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->number, 2.5);
    // The index was rebuilt: a new variable goes after the restored ones.
    EXPECT_EQ(script::GetOrCreateExact("$new") - script::TableRecords(script::kTableLocal), 2);
    script::ClearLocals();
}

std::vector<uint8_t> OneVariableRecord() {
    script::ClearLocals();
    script::SetNumber(script::GetOrCreateExact("$v"), 7);
    std::vector<uint8_t> record = save::BuildVariablesRecord(script::kTableLocal);
    script::ClearLocals();
    return record;
}

TEST(VariablesRecord, DamagedRecordsAreRefusedWithAReason) {
    const std::vector<uint8_t> good = OneVariableRecord();
    const struct {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
        const char* reason;
    } cases[] = {
        {"magic", [](std::vector<uint8_t>& r) { r[3] = 'G'; }, "magic"},
        {"check word", [](std::vector<uint8_t>& r) { r[4] ^= 1; }, "check word"},
        {"size word", [](std::vector<uint8_t>& r) { r[8] += 4; }, "size word"},
        {"cut short", [](std::vector<uint8_t>& r) { r.resize(r.size() - 1); }, "size word"},
        {"count too large",
         [](std::vector<uint8_t>& r) { r[12] = 2; }, "missing"},
        {"count negative", [](std::vector<uint8_t>& r) { r[15] = 0x80; }, "out of range"},
        {"name without terminator",
         [](std::vector<uint8_t>& r) { std::memset(r.data() + 17, 'x', 1024 - 1); }, "name"},
        {"unknown kind", [](std::vector<uint8_t>& r) { r[16] = 7; }, "kind"},
        {"global name in the local file", [](std::vector<uint8_t>& r) { r[17] = '#'; }, "table"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> record = good;
        c.damage(record);
        std::vector<SavedVariable> parsed;
        std::string reason;
        EXPECT_FALSE(save::ParseVariablesRecord(record, script::kTableLocal, &parsed, &reason)) << c.what;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
    }
    std::vector<SavedVariable> parsed;
    std::string reason;
    EXPECT_TRUE(save::ParseVariablesRecord(good, script::kTableLocal, &parsed, &reason)) << reason;
}

TEST(ReadMapRecord, DamagedRecordsAreRefused) {
    save::ByteWriter w;
    w.I32(1);
    w.I32(3);
    char name[260] = "start.txt";
    w.Raw(name, sizeof(name));
    w.Raw("\1\0\1", 3);
    const std::vector<uint8_t> good = w.bytes;
    std::vector<save::SavedReadMarks> map;
    std::string reason;
    ASSERT_TRUE(save::ParseReadMapRecord(good, &map, &reason)) << reason;
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map[0].name, "start.txt");
    EXPECT_EQ(map[0].marks, (std::vector<uint8_t>{1, 0, 1}));

    const struct {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
    } cases[] = {
        {"count larger than the file", [](std::vector<uint8_t>& r) { r[0] = 2; }},
        {"negative count", [](std::vector<uint8_t>& r) { r[3] = 0x80; }},
        {"flags past the end", [](std::vector<uint8_t>& r) { r[4] = 4; }},
        {"negative length", [](std::vector<uint8_t>& r) { r[7] = 0xFF; }},
        {"name fills its field", [](std::vector<uint8_t>& r) { std::memset(r.data() + 8, 'a', 260); }},
        {"trailing bytes", [](std::vector<uint8_t>& r) { r.push_back(0); }},
        {"cut short", [](std::vector<uint8_t>& r) { r.resize(6); }},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> record = good;
        c.damage(record);
        EXPECT_FALSE(save::ParseReadMapRecord(record, &map, &reason)) << c.what;
    }
}

}  // namespace

namespace {

TEST(FramesRecord, OnlyOneObjectCreatingCommandIsAccepted) {
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        {"CreateColor(\"bg\",0,0,0,1024,768,\"#000080\");", true},
        {"LoadImage(\"bg\",\"data/bg/night.png\");", true},
        {"CreateText(\"t\",0,0,0,AUTO,AUTO,\"a;b\");", true},  // ';' inside quotes
        {"System(\"OPEN:/bin/sh\",\"\",\"\");", false},
        {"WriteFile(\"x\",\"y\",FALSE);", false},
        {"CreateName(\"a\");System(\"OPEN:x\",\"\",\"\");", false},
        {"CreateName(\"a\")", false},
        {"CreateName(\"a\"); ", false},
        {"CreateNameX(\"a\");", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(save::IsObjectCreatingCommand(c.text), c.accepted) << c.text;
}

// A frames record made by hand around one object whose creating command is
// `command`.
std::vector<uint8_t> OneObjectRecord(const std::string& command) {
    save::ByteWriter object;
    object.I32(1);
    object.I32(7);
    object.I32(1);
    object.Text(command.c_str());
    object.Text("");
    object.Text("x");
    object.Text("x");
    object.Text("");
    object.Zeros(4 * 4 + 6 * 4 + 6 * 4 + 2 * 4);
    object.U8(0);
    object.I32(0);  // no placement
    object.I32(0);  // no actions
    object.Text("");  // no generated picture
    save::ByteWriter w;
    save::BeginRecord(w, "CVSD", 1);
    w.I32(static_cast<int32_t>(object.size() + 4));
    w.Raw(object.bytes.data(), object.size());
    save::FinishRecord(w);
    return w.bytes;
}

TEST(FramesRecord, ATamperedCreatingCommandFailsTheWholeSlot) {
    std::vector<save::SavedObject> objects;
    std::string reason;
    ASSERT_TRUE(save::ParseFramesRecord(OneObjectRecord("CreateName(\"x\");"), &objects, &reason)) << reason;
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].path, "x");
    EXPECT_FALSE(save::ParseFramesRecord(OneObjectRecord("System(\"OPEN:calc\",\"\",\"\");"), &objects, &reason));
    EXPECT_NE(reason.find("not an object-creating command"), std::string::npos) << reason;
}

TEST(FramesRecord, DamagedLengthsAreRefused) {
    const std::vector<uint8_t> good = OneObjectRecord("CreateName(\"x\");");
    const struct {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
    } cases[] = {
        {"object length past the end", [](std::vector<uint8_t>& r) { r[16] += 8; }},
        {"object length too small", [](std::vector<uint8_t>& r) { r[16] = 3; r[17] = 0; }},
        {"count larger than the objects", [](std::vector<uint8_t>& r) { r[12] = 2; }},
        {"presence word neither 0 nor 1",
         [](std::vector<uint8_t>& r) { r[r.size() - 12] = 2; }},
        {"action count too large", [](std::vector<uint8_t>& r) { r[r.size() - 8] = 9; }},
        {"picture name leaves the slot folder",
         [](std::vector<uint8_t>& r) {
             const std::string name = "../x";
             r.insert(r.end() - 4, name.begin(), name.end());
             r[16] = static_cast<uint8_t>(r[16] + name.size());
             r[8] = static_cast<uint8_t>(r[8] + name.size());
         }},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> record = good;
        c.damage(record);
        std::vector<save::SavedObject> objects;
        std::string reason;
        EXPECT_FALSE(save::ParseFramesRecord(record, &objects, &reason)) << c.what;
    }
}

}  // namespace
