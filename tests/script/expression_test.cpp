// The evaluator: precedence, text and number results, comparisons, postfix
// operators, subscripts and keys, assignment kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script_test_util.h"

using namespace script;
using script_test::RunStatements;
using script_test::Var;

namespace {

struct Case {
    const char* title;
    std::vector<std::string> statements;
    const char* variable;  // checked afterwards
    int kind;
    double number;     // for numbers
    const char* text;  // for texts
};

class ExpressionTest : public ::testing::TestWithParam<Case> {
    // Built first and destroyed last: each test runs in a fresh engine.
    shell::EngineScope engine_;
};

TEST_P(ExpressionTest, LeavesVariable) {
    const Case& c = GetParam();
    RunStatements(c.statements);
    Variable* v = Var(c.variable);
    ASSERT_NE(v, nullptr) << c.title;
    EXPECT_EQ(v->kind, c.kind) << c.title;
    if (c.kind == kVarNumber) {
        EXPECT_DOUBLE_EQ(v->number, c.number) << c.title;
    } else if (c.kind == kVarText) {
        EXPECT_EQ(std::string(v->text), testing_support::SjisRaw(c.text)) << c.title;
    }
}

const Case kCases[] = {
    {"one precedence left to right", {"$a=1+2*3"}, "$a", kVarNumber, 9, ""},
    {"comparison takes the whole rest", {"$a=1", "$b=0", "$r=$a+1==$b+2"}, "$r", kVarNumber, 1, ""},
    {"comparison right side is a whole term", {"$a=1", "$r=$a==1+2"}, "$r", kVarNumber, 0, ""},
    {"== truncates", {"$a=1.9", "$r=$a==1.2"}, "$r", kVarNumber, 1, ""},
    {"<= is exact", {"$a=1.9", "$r=$a<=1.2"}, "$r", kVarNumber, 0, ""},
    {"!= inverts", {"$a=3", "$r=$a!=3"}, "$r", kVarNumber, 0, ""},
    {"text variable plus number", {"$s=\"abc\"", "$r=$s+5"}, "$r", kVarText, 0, "abc5"},
    {"literal plus number has no text", {"$r=\"abc\"+5"}, "$r", kVarNumber, 5, ""},
    {"number variable plus text", {"$n=12", "$r=$n+\"x\""}, "$r", kVarText, 0, "12x"},
    {"text plus text variable", {"$t=\"いろ\"", "$r=\"は\"+$t"}, "$r", kVarText, 0, "はいろ"},
    {"word naming no variable is text", {"$r=\"x\"+abc"}, "$r", kVarText, 0, "xabc"},
    {"postfix ++ yields the old value", {"$i=5", "$r=$i++"}, "$r", kVarNumber, 5, ""},
    {"postfix ++ increments", {"$i=5", "$r=$i++"}, "$i", kVarNumber, 6, ""},
    {"prefix ++ increments first", {"$i=5", "$r=++$i"}, "$r", kVarNumber, 6, ""},
    {"++ on a fresh variable", {"$i++", "$i++"}, "$i", kVarNumber, 2, ""},
    {"+= takes a factor", {"$a=1", "$r=$a+=1+2"}, "$r", kVarNumber, 4, ""},
    {"+= changes the variable by the factor only", {"$a=1", "$r=$a+=1+2"}, "$a", kVarNumber, 2, ""},
    {"-= takes a term", {"$a=10", "$a-=1+2"}, "$a", kVarNumber, 7, ""},
    {"/= by zero divides by one", {"$a=10", "$a/=0"}, "$a", kVarNumber, 10, ""},
    {".= appends to a text", {"$s=\"ab\"", "$s.=\"cd\"", "$s+=5"}, "$s", kVarText, 0, "abcd5"},
    {"++ leaves a text alone", {"$s=\"ab\"", "$s++"}, "$s", kVarText, 0, "ab"},
    {"division by zero ends the term", {"$r=5/0+3"}, "$r", kVarNumber, 0, ""},
    {"parenthesised division by zero", {"$r=(5/0)+3"}, "$r", kVarNumber, 3, ""},
    {"% works on integers", {"$r=7.9%3"}, "$r", kVarNumber, 1, ""},
    {"&& truncates the left value", {"$r=0.5&&1"}, "$r", kVarNumber, 0, ""},
    {"|| of a fraction", {"$r=0||0.5"}, "$r", kVarNumber, 1, ""},
    {"text comparison", {"$s=\"abc\"", "$r=$s==\"abc\""}, "$r", kVarNumber, 1, ""},
    {"text comparison differs", {"$s=\"abc\"", "$r=$s==\"abd\""}, "$r", kVarNumber, 0, ""},
    {"comparison with a text variable",
     {"$s=\"ソ\"", "$t=\"ソ\"", "$r=$s==$t"},
     "$r",
     kVarNumber,
     1,
     ""},
    {"comparison with TRUE", {"$f=TRUE", "$r=($f==true)"}, "$r", kVarNumber, 1, ""},
    {"! of a parenthesis", {"$r=!(2-2)"}, "$r", kVarNumber, 1, ""},
    {"unary minus", {"$a=4", "$r=-$a*2"}, "$r", kVarNumber, -8, ""},
    // Assignment kinds.
    {"literal 0 makes a number", {"$x=0"}, "$x", kVarNumber, 0, ""},
    {"number stays a number at 0", {"$x=5", "$x=0"}, "$x", kVarNumber, 0, ""},
    {"digits in quotes make a text", {"$x=\"0\""}, "$x", kVarText, 0, "0"},
    {"a text replaces a number", {"$x=5", "$x=\"abc\""}, "$x", kVarText, 0, "abc"},
    {"copy of a text variable", {"$s=\"表示\"", "$x=$s"}, "$x", kVarText, 0, "表示"},
    {"copy of a number variable", {"$n=3.5", "$x=$n"}, "$x", kVarNumber, 3.5, ""},
    {"number into a text variable", {"$x=\"t\"", "$x=7"}, "$x", kVarNumber, 7, ""},
    {"assignment chains", {"$a=$b=4"}, "$a", kVarNumber, 4, ""},
    // Subscripts and keys.
    {"subscript is a member", {"$a[3]=7"}, "$a/3", kVarNumber, 7, ""},
    {"nested subscripts", {"$i=2", "$a[$i][5]=1"}, "$a/2/5", kVarNumber, 1, ""},
    {"subscript expression", {"$i=2", "$a[$i+1]=1"}, "$a/3", kVarNumber, 1, ""},
    {"negative subscript keeps the brackets", {"$a[0-1]=4"}, "$a[0-1]", kVarNumber, 4, ""},
    {"key subscript", {"AssocArray($m,\"red\",\"青\")", "$m[\"青\"]=9"}, "$m/1", kVarNumber, 9, ""},
    {"key in a text variable",
     {"AssocArray($m,\"red\")", "$k=\"red\"", "$m[$k]=2"},
     "$m/0",
     kVarNumber,
     2,
     ""},
    {"unknown key keeps the brackets",
     {"AssocArray($m,\"red\")", "$m[\"x\"]=1"},
     "$m[\"x\"]",
     kVarNumber,
     1,
     ""},
    {"Array stores kinds", {"$v=\"w\"", "Array($l,1,\"x\",TRUE,$v)"}, "$l/3", kVarText, 0, "w"},
    {"Array TRUE is 1", {"Array($l,1,\"x\",TRUE)"}, "$l/2", kVarNumber, 1, ""},
    {"Count of members", {"Array($l,1,\"x\",TRUE)", "$c=Count($l)"}, "$c", kVarNumber, 3, ""},
    {"VariableValue assigns", {"VariableValue(\"$\",\"v\",7)"}, "$v", kVarNumber, 7, ""},
    {"VariableValue reads a text",
     {"$v=\"q\"", "$r=VariableValue(\"$\",\"v\")+\"!\""},
     "$r",
     kVarText,
     0,
     "q!"},
};

INSTANTIATE_TEST_SUITE_P(Table, ExpressionTest, ::testing::ValuesIn(kCases));

TEST(Expression, MemberCreatesParentFirst) {
    shell::EngineScope engine;
    Variable* member = GetOrCreateExact("$p/q");
    ASSERT_NE(member, nullptr);
    Variable* parent = LookupExact("$p");
    ASSERT_NE(parent, nullptr);
    EXPECT_LT(parent, member);
    EXPECT_EQ(parent->kind, kVarUnset);
    // A member of a text parent starts as a text.
    RunStatements({"$t=\"x\""});
    EXPECT_EQ(GetOrCreateExact("$t/1")->kind, kVarText);
}

TEST(Expression, StatementsThatAreNotExpressionsAreCopied) {
    shell::EngineScope engine;
    char out[kTextSize];
    EXPECT_EQ(EvaluateStatement(out, nullptr, "Foo($a=1)"), 0);
    EXPECT_STREQ(out, "Foo($a=1)");
    EXPECT_EQ(LookupExact("$a"), nullptr);
    EvaluateStatement(out, nullptr, "Array($z,5)");
    EXPECT_NE(LookupExact("$z/0"), nullptr);
}

TEST(Expression, MalformedTextNeverStops) {
    shell::EngineScope engine;
    const char* inputs[] = {"(",           "((1+",      "$a[",  "$a[\"", "\"",  "1/",      "$a=",
                            "String(\"%s", "$a[$a[$a[", "!!!!", "--",    "$=1", "Strlen(", ")))"};
    for (const char* input : inputs) EvaluateStatement(nullptr, nullptr, input);
    std::string deep(20000, '(');
    EXPECT_EQ(EvaluateStatement(nullptr, nullptr, deep.c_str()), 0);
    std::string bangs(20000, '!');
    EvaluateStatement(nullptr, nullptr, bangs.c_str());
    std::string compares = "1";
    for (int i = 0; i < 5000; ++i) compares += "==1";
    EvaluateStatement(nullptr, nullptr, compares.c_str());
}

}  // namespace
