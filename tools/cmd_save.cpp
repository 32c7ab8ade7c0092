// The save command: what a save folder or one slot holds, read and checked
// by the engine's own save readers, so that an author can see why a load
// fails.
//
//   velmoor-tool save show SAVE_DIR [SLOT] [--png FILE.png]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/durable_file.h"
#include "platform/encoding.h"
#include "platform/folder.h"
#include "render/png_write.h"
#include "save/container.h"
#include "save/paths.h"
#include "save/script_file.h"
#include "save/slot_files.h"
#include "save/thumbnail.h"
#include "script/variables.h"

namespace tool {

namespace {

const char* kUsage = "usage: velmoor-tool save show SAVE_DIR [SLOT] [--png FILE.png]\n";

bool ParseSlot(const char* text, int* slot) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 1 || value > save::kLastSlot) return false;
    *slot = static_cast<int>(value);
    return true;
}

// One line per slot: its number and whether it loads.
int ListSlots() {
    std::vector<std::string> names;
    long long stamp = 0;
    if (!platform::ListFolderEntries(save::SaveFolder(), &names, &stamp)) {
        std::fprintf(stderr, "velmoor-tool save: cannot read %s\n", save::SaveFolder().c_str());
        return 1;
    }
    std::sort(names.begin(), names.end());
    for (const char* common : {"val.cvf", "cqst.cvf"})
        std::printf("common/%s: %s\n", common,
                    platform::PathExists(save::CommonFile(common)) ? "present" : "missing");
    for (const std::string& name : names) {
        int slot = 0;
        if (name.size() != 4 || !ParseSlot(name.c_str(), &slot)) continue;
        save::SlotFiles files;
        save::PreparedLoad load;
        std::string failed, reason;
        bool ok = save::ReadSlotFiles(slot, &files, &failed, &reason) &&
                  save::PrepareLoad(files, &load, &failed, &reason);
        if (ok)
            std::printf("slot %04d: loads (%zu objects, %zu variables)\n", slot, load.objects.size(),
                        load.locals.size());
        else
            std::printf("slot %04d: does not load: %s: %s\n", slot, failed.c_str(), reason.c_str());
    }
    return 0;
}

int ShowSlot(int slot, const char* png) {
    save::SlotFiles files;
    save::PreparedLoad load;
    std::string failed, reason;
    if (!save::ReadSlotFiles(slot, &files, &failed, &reason) || !save::PrepareLoad(files, &load, &failed, &reason)) {
        std::printf("slot %04d does not load\n  %s: %s\n", slot,
                    failed.find('/') == std::string::npos ? save::SlotFile(slot, failed.c_str()).c_str()
                                                          : failed.c_str(),
                    reason.c_str());
        return 1;
    }
    std::printf("slot %04d loads\n", slot);
    std::vector<uint8_t> record;
    save::ScriptSummary summary;
    if (save::UnwrapRecord(files.script, "script.cvf", &record, &reason) &&
        save::SummariseScriptRecord(record, &summary, &reason)) {
        std::printf("processes: %zu\n", summary.processes.size());
        for (const auto& p : summary.processes) {
            std::printf("  process %d at %s, line %d of %s\n", p.ownerKey,
                        p.currentBlock.empty() ? "(no block)" : p.currentBlock.c_str(), p.currentLine,
                        p.currentScript.c_str());
            for (const std::string& s : p.scripts) std::printf("    script %s\n", s.c_str());
        }
    }
    std::printf("objects: %zu\n", load.objects.size());
    for (const save::SavedObject& o : load.objects) {
        std::string kind = o.command.substr(0, o.command.find('('));
        std::printf("  %s (%s)%s\n", o.path.c_str(), kind.c_str(), o.actions.empty() ? "" : ", in motion");
    }
    std::printf("variables: %zu\n", load.locals.size());
    for (const save::SavedVariable& v : load.locals) {
        if (v.kind == script::kVarNumber)
            std::printf("  %s = %g\n", platform::SjisToUtf8(v.name).c_str(), v.number);
        else
            std::printf("  %s = \"%s\"\n", platform::SjisToUtf8(v.name).c_str(),
                        platform::SjisToUtf8(v.text).c_str());
    }
    std::printf("backlog: %zu bytes\n", load.backlog.size());
    std::vector<uint8_t> thumbnail;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    if (platform::ReadWholeFile(save::SlotFile(slot, "thum.cvf"), &thumbnail, &reason) &&
        save::ParseThumbnail(thumbnail, &width, &height, &pixels)) {
        std::printf("thumbnail: %dx%d\n", width, height);
        if (png && !render::WritePng(png, pixels.data(), width, height)) {
            std::fprintf(stderr, "velmoor-tool save: cannot write %s\n", png);
            return 1;
        }
    } else {
        std::printf("thumbnail: missing or damaged\n");
    }
    return 0;
}

}  // namespace

int SaveCommand(int argc, char** argv) {
    std::vector<const char*> positional;
    const char* png = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            png = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            positional.push_back(argv[i]);
        }
    }
    int slot = 0;
    if (positional.size() < 2 || positional.size() > 3 || std::strcmp(positional[0], "show") != 0 ||
        (positional.size() == 3 && !ParseSlot(positional[2], &slot))) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    save::SetSaveFolder(positional[1]);
    return slot ? ShowSlot(slot, png) : ListSlots();
}

}  // namespace tool
