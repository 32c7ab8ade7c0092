// The variable store: limits, cutting, and the index against the plain scan.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "script/sjis.h"
#include "script_test_util.h"

using namespace script;

namespace {

TEST(Variables, FullTableCreatesNothing) {
    shell::EngineScope engine;
    for (int i = 0; i < kLocalVariables; ++i)
        ASSERT_NE(GetOrCreateExact(("$v" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(GetOrCreateExact("$one_more"), nullptr);
    EXPECT_NE(GetOrCreateExact("$v17"), nullptr);
    EXPECT_EQ(AssignVariable("$one_more", 1, ""), nullptr);
    EXPECT_NE(GetOrCreateExact("#still_room"), nullptr);
}

TEST(Variables, LongNamesAreCutAtWholeCharacters) {
    shell::EngineScope engine;
    std::string name = "$" + std::string(125, 'a') + testing_support::SjisRaw("表");
    Variable* v = GetOrCreateExact(name.c_str());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::strlen(v->name), 126u);  // the two-byte character did not fit
    EXPECT_EQ(LookupExact(name.c_str()), v);
}

TEST(Variables, NonVariableNames) {
    shell::EngineScope engine;
    EXPECT_EQ(GetOrCreateExact("plain"), nullptr);
    EXPECT_EQ(AssignVariable("plain", 1, ""), nullptr);
    EXPECT_EQ(CountMembers("$nothing"), 0);
}

TEST(Variables, IndexAgreesWithTheScan) {
    shell::EngineScope engine;
    std::mt19937 random(7);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name = (random() % 2 ? "$" : "#") + std::to_string(random() % 1500);
        if (random() % 4 == 0) name += "/" + std::to_string(random() % 5);
        names.push_back(name);
        GetOrCreateExact(name.c_str());
    }
    for (int i = 0; i < 2000; ++i) names.push_back("$" + std::to_string(1500 + i));
    for (const std::string& name : names)
        ASSERT_EQ(LookupExact(name.c_str()), ScanLookup(name.c_str())) << name;
}

TEST(Variables, RestoredTableWithGapsKeepsFrontToBackRules) {
    shell::EngineScope engine;
    // A restored table: record 0 free, record 1 "$a", record 2 "$a" again.
    Variable* records = TableRecords(kTableLocal);
    for (int i = 1; i <= 2; ++i) {
        std::strcpy(records[i].name, "$a");
        records[i].nameSum = NameSum("$a");
        records[i].inUse = 1;
        records[i].kind = kVarNumber;
        records[i].number = i;
    }
    RebuildVariableIndex(kTableLocal);
    EXPECT_EQ(LookupExact("$a"), &records[1]);
    // A scan that creates stops at the free record 0 first.
    Variable* created = GetOrCreateExact("$a");
    EXPECT_EQ(created, &records[0]);
    EXPECT_EQ(LookupExact("$a"), &records[0]);
    EXPECT_EQ(GetOrCreateExact("$b"), &records[3]);
}

TEST(Variables, CountMembersCountsOneLevelWithValues) {
    shell::EngineScope engine;
    GetOrCreateExact("$l/0");          // unset, empty: not counted
    AssignVariable("$l/1", 2, "");     // counted
    AssignVariable("$l/2/x", 0, "t");  // two levels down; creates an empty $l/2
    EXPECT_EQ(CountMembers("$l"), 1);
    EXPECT_EQ(CountMembers("$l/2"), 1);
    EXPECT_EQ(CountMembers("$l/1"), 1);  // no members, but the variable exists
}

}  // namespace
