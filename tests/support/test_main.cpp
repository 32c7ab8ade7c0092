// The test programs' entry: one engine is current for the whole program, so
// that code under test always has its records. Tests that must start from a
// fresh engine open a shell::EngineScope of their own.
#include <gtest/gtest.h>

#include "shell/engine_build.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    shell::EngineScope engine;
    return RUN_ALL_TESTS();
}
