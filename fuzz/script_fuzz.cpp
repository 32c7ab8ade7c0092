// Fuzz target for the script core: the first byte chooses the preprocessor
// (even) or the evaluator (odd); the rest is script text.
#include <cstdint>
#include <cstring>
#include <string>

#include "files/file_handle.h"
#include "script/expression.h"
#include "script/preprocess.h"
#include "script/process.h"
#include "script/services.h"
#include "script/variables.h"

namespace {

int NoBox(const char*, const char*, uint32_t) {
    return 1;
}

void Preprocess(const uint8_t* data, size_t size) {
    script::ScriptProcess* process = script::NewScriptProcess();
    files::FileHandle& handle = process->scripts[0].file;
    files::BindFile(&handle, "fuzz.txt");
    handle.buffer = files::AllocZeroed(size + 64);
    std::memcpy(handle.buffer, data, size);
    handle.size = static_cast<int32_t>(size);
    if (script::PreprocessScript(process, 0)) {
        // Every recorded position lies inside the text.
        const char* text = reinterpret_cast<const char*>(handle.buffer);
        for (script::ScriptBlock* b = process->firstBlock; b; b = b->next) {
            if (b->bodyStart < text || b->bodyEnd > text + size || b->bodyStart > b->bodyEnd + 1)
                __builtin_trap();
            for (script::TextEntry* e = b->textEntries; e; e = e->next)
                if (e->textStart > e->textEnd || e->textEnd > text + size) __builtin_trap();
        }
    }
    script::FreeScriptProcess(process);
}

void Evaluate(const uint8_t* data, size_t size) {
    static int runs = 0;
    if (++runs % 500 == 0) script::ClearLocals();
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        std::string statement = text.substr(start, end - start);
        char out[script::kTextSize];
        script::EvaluateStatement(out, nullptr, statement.c_str());
        if (std::strlen(out) >= script::kTextSize) __builtin_trap();
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 65536) return 0;
    script::GetServices().messageBox = NoBox;
    if (data[0] % 2 == 0)
        Preprocess(data + 1, size - 1);
    else
        Evaluate(data + 1, size - 1);
    return 0;
}
