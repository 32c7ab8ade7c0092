// Every fuzz target runs inside one engine, built before the first input and
// current until the program ends.
#include "shell/engine_build.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static shell::EngineScope* engine = new shell::EngineScope;
    (void)engine;
    return 0;
}
