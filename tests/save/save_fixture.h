// Helpers of the save tests: a game with its own save folder, run headless.
#pragma once
#include <string>
#include <vector>

#include "support/support.h"

namespace save_test {

// Runs `game` headless with its saves in `saves` (plus `extra` options).
inline int RunWithSaves(const testing_support::TempDir& game, const testing_support::TempDir& saves,
                        std::string* output, int exitAfterMs = 20000,
                        std::vector<std::string> extra = {}) {
    extra.push_back("--save-dir");
    extra.push_back(saves.path);
    return testing_support::RunHeadless(game, output, extra, exitAfterMs);
}

}  // namespace save_test
