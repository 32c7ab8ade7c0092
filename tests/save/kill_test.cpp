// A save killed at any moment (kill -9) leaves the slot whole: either the
// previous save or the new one, never a mix of files from both.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "platform/durable_file.h"
#include "save/backlog_block.h"
#include "save/container.h"
#include "save/frames_file.h"
#include "save/paths.h"
#include "save/script_file.h"
#include "save/slot_files.h"
#include "save/thumbnail.h"
#include "save/variables_file.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "support/support.h"

namespace {

// Each save's generation is written twice: as $generation in val.cvf and as
// the thumbnail's width in thum.cvf; the padding makes every file's size
// change from one save to the next.
[[noreturn]] void SaveForever(int first) {
    for (int generation = first;; ++generation) {
        script::SetNumber(script::GetOrCreateExact("$generation"), generation);
        script::SetText(script::GetOrCreateExact("$pad"), std::string(generation % 900, 'p').c_str());
        script::GetSystemValues().saveThumbnailWidth = 1 + generation % 200;
        save::SaveSlot(1);
    }
}

// The generation the slot holds, or -1 when a file is missing, damaged, or
// from another save than the rest.
int SlotGeneration() {
    std::vector<uint8_t> file, record;
    std::string reason;
    int generation = -1;
    const struct {
        const char* name;
    } files[] = {{"script.cvf"}, {"frames.cvf"}, {"bklg.cvf"}, {"val.cvf"}};
    for (const auto& f : files) {
        if (!platform::ReadWholeFile(save::SlotFile(1, f.name), &file, &reason)) return -1;
        if (!save::UnwrapRecord(file, f.name, &record, &reason)) return -1;
        std::string name = f.name;
        if (name == "val.cvf") {
            std::vector<save::SavedVariable> variables;
            if (!save::ParseVariablesRecord(record, script::kTableLocal, &variables, &reason)) return -1;
            for (const auto& v : variables)
                if (v.name == "$generation") generation = static_cast<int>(v.number);
        } else if (name == "frames.cvf") {
            std::vector<save::SavedObject> objects;
            if (!save::ParseFramesRecord(record, &objects, &reason)) return -1;
        } else if (name == "bklg.cvf") {
            std::vector<uint8_t> backlog;
            if (!save::ParseBacklogRecord(record, &backlog, &reason)) return -1;
        } else {
            save::ScriptSummary summary;
            if (!save::SummariseScriptRecord(record, &summary, &reason)) return -1;
        }
    }
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    if (!platform::ReadWholeFile(save::SlotFile(1, "thum.cvf"), &file, &reason) ||
        !save::ParseThumbnail(file, &width, &height, &pixels))
        return -1;
    if (generation < 0 || width != 1 + generation % 200) return -1;
    return generation;
}

TEST(SaveKill, EveryKillLeavesTheOldSlotOrTheNewOne) {
    testing_support::TempDir saves;
    save::SetSaveFolder(saves.path);
    script::ClearLocals();
    const int savedWidth = script::GetSystemValues().saveThumbnailWidth;
    // One save timed here sets the range of the kill times: from at once to
    // one and a half saves in, so that most kills fall inside a save.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(save::SaveSlot(1));
    const int saveUs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - before).count());
    ASSERT_EQ(SlotGeneration(), -1);  // no $generation yet: a slot of another kind
    platform::RemoveFolderTree(save::SlotFolder(1));
    std::mt19937 random(12345);
    int last = -1, cycles = 0, advanced = 0;
    const auto start = std::chrono::steady_clock::now();
    // At least 20 cycles however slow the machine; up to 300 in 30 s.
    for (; cycles < 300 && (cycles < 20 || std::chrono::steady_clock::now() - start < std::chrono::seconds(30));
         ++cycles) {
        int first = last < 0 ? 0 : last + 1;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(first);
        if (cycles % 10 == 9) {
            // Every tenth kill waits for a whole save first, so the slot is
            // seen to move on however the machine's load stretches a save.
            const auto waitStart = std::chrono::steady_clock::now();
            while (SlotGeneration() <= last &&
                   std::chrono::steady_clock::now() - waitStart < std::chrono::seconds(20))
                usleep(1000);
        } else {
            usleep(std::uniform_int_distribution<int>(0, saveUs * 3 / 2 + 1000)(random));
        }
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        int now = SlotGeneration();
        if (last >= 0) {
            ASSERT_GE(now, last) << "cycle " << cycles << ": the slot is damaged or mixed";
        }
        if (now > last) ++advanced;
        if (now >= 0) last = now;
    }
    script::GetSystemValues().saveThumbnailWidth = savedWidth;
    script::ClearLocals();
    std::printf("%d cycles, %d advanced, one save %d us\n", cycles, advanced, saveUs);
    // The slot moved on at least at every tenth kill (those waited for it).
    EXPECT_GE(advanced, cycles / 10) << cycles << " cycles, one save " << saveUs << " us";
}

}  // namespace
