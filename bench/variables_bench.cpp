// Variable lookups through the index against the plain front-to-back scan,
// and expression evaluation of typical conditions.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "script/expression.h"
#include "script/variables.h"

namespace {

constexpr int kVariables = 10000;
constexpr int kOperations = 1000000;

std::vector<std::string> FillTable() {
    script::ClearLocals();
    std::vector<std::string> names;
    for (int i = 0; i < kVariables; ++i) {
        names.push_back("$var_" + std::to_string(i * 7919 % 100000));
        script::AssignVariable(names.back().c_str(), i, "");
    }
    return names;
}

// One million lookups, each followed by an assignment to the record found.
void BM_IndexedLookupAndAssign(benchmark::State& state) {
    std::vector<std::string> names = FillTable();
    for (auto _ : state) {
        for (int i = 0; i < kOperations; ++i) {
            script::Variable* v = script::LookupExact(names[(i * 31) % kVariables].c_str());
            script::SetNumber(v, v->number + 1);
        }
    }
    state.SetItemsProcessed(state.iterations() * kOperations);
}
BENCHMARK(BM_IndexedLookupAndAssign)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ScanLookupAndAssign(benchmark::State& state) {
    std::vector<std::string> names = FillTable();
    for (auto _ : state) {
        for (int i = 0; i < kOperations; ++i) {
            script::Variable* v = script::ScanLookup(names[(i * 31) % kVariables].c_str());
            script::SetNumber(v, v->number + 1);
        }
    }
    state.SetItemsProcessed(state.iterations() * kOperations);
}
BENCHMARK(BM_ScanLookupAndAssign)->Unit(benchmark::kMillisecond)->Iterations(1);

void Evaluate(benchmark::State& state, const char* text) {
    FillTable();
    script::EvaluateStatement(nullptr, nullptr, "$a=4");
    script::EvaluateStatement(nullptr, nullptr, "$b=3");
    script::EvaluateStatement(nullptr, nullptr, "$s=\"name\"");
    script::EvaluateStatement(nullptr, nullptr, "$i=2");
    script::EvaluateStatement(nullptr, nullptr, "$arr[2]=3");
    for (auto _ : state)
        benchmark::DoNotOptimize(script::EvaluateStatement(nullptr, nullptr, text));
    state.SetItemsProcessed(state.iterations());
}

void BM_ConditionCompare(benchmark::State& state) {
    Evaluate(state, "($a+1==$b+2)");
}
BENCHMARK(BM_ConditionCompare);
void BM_ConditionString(benchmark::State& state) {
    Evaluate(state, "(String(\"%d:%s\",$a,$s)==\"4:name\")");
}
BENCHMARK(BM_ConditionString);
void BM_ConditionSubscript(benchmark::State& state) {
    Evaluate(state, "($arr[$i]==3&&$a>1)");
}
BENCHMARK(BM_ConditionSubscript);

}  // namespace
