#include "save/script_file.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "save/bytes.h"
#include "save/container.h"
#include "script/interp.h"
#include "script/interp_state.h"
#include "script/loader.h"
#include "script/process.h"

namespace save {

namespace {

using script::ScriptBlock;
using script::ScriptProcess;

constexpr int kPositions = 2 + 2 * script::kLoopDepth + 2 * script::kSelectDepth;

struct SavedScript {
    int32_t slot = 0;
    uint32_t loadTime = 0;
    int32_t included = 0;
    std::string key;
    const uint8_t* text = nullptr;
    size_t size = 0;
};

struct SavedBlock {
    std::string name, prefix;
    int32_t kind = 0, slot = 0, id = 0, inUse = 0, active = 0, status = 0, ownsObjects = 0, mode = 0,
            currentMark = 0;
    std::vector<std::string> parameters;
    uint32_t positions[kPositions] = {};
    uint8_t loopTop = 0, selectTop = 0, matched[script::kSelectDepth] = {};
    int32_t callId = 0, returnId = 0;
};

struct SavedProcess {
    int32_t id = 0, ownerKey = 0, inUse = 0, active = 0, currentId = 0, successorId = 0, parentId = 0;
    std::vector<SavedScript> scripts;
    std::vector<SavedBlock> blocks;
};

uint32_t Offset(const ScriptBlock* b, const char* p) {
    const char* text = script::BlockText(b);
    if (!p || !text) return 0;
    return static_cast<uint32_t>(p - text) + 1;
}

void WriteProcess(ByteWriter& w, const ScriptProcess* p, int32_t id,
                  const std::unordered_map<const ScriptBlock*, int32_t>& blockIds,
                  const std::unordered_map<const ScriptProcess*, int32_t>& processIds) {
    auto blockId = [&](const ScriptBlock* b) {
        auto it = blockIds.find(b);
        return it == blockIds.end() ? 0 : it->second;
    };
    auto processId = [&](const ScriptProcess* q) {
        auto it = processIds.find(q);
        return it == processIds.end() ? 0 : it->second;
    };
    w.I32(id);
    w.I32(p->ownerKey);
    w.I32(p->inUse);
    w.I32(script::LoadShared(p->active));
    w.I32(blockId(p->currentBlock));
    w.I32(processId(p->successor));
    w.I32(processId(p->parent));
    int32_t scripts = 0;
    for (const script::ScriptFile& f : p->scripts)
        if (f.file.buffer && f.file.size > 0) ++scripts;
    w.I32(scripts);
    for (int i = 0; i < script::kScriptSlots; ++i) {
        const script::ScriptFile& f = p->scripts[i];
        if (!f.file.buffer || f.file.size <= 0) continue;
        w.I32(i);
        w.U32(f.loadTime);
        w.I32(f.included);
        w.Text(f.key);
        w.Block(f.file.buffer, static_cast<size_t>(f.file.size));
    }
    int32_t blocks = 0;
    for (const ScriptBlock* b = p->firstBlock; b; b = b->next) ++blocks;
    w.I32(blocks);
    for (const ScriptBlock* b = p->firstBlock; b; b = b->next) {
        w.Text(b->name);
        w.I32(b->kind);
        w.I32(b->scriptIndex);
        w.Text(b->objectPrefix);
        w.I32(blockId(b));
        w.I32(b->inUse);
        w.I32(b->active);
        w.I32(script::LoadShared(b->run.status));
        w.I32(b->run.ownsObjects);
        w.I32(script::LoadShared(b->run.mode));
        w.I32(b->run.currentMark);
        w.I32(b->parameterCount);
        for (int i = 0; i < b->parameterCount && i < script::kMaxParameters; ++i) w.Text(b->parameters[i].value);
        w.U32(Offset(b, b->cursor));
        w.U32(Offset(b, b->run.resumePosition));
        for (const script::LoopEntry& l : b->run.loops) {
            w.U32(Offset(b, l.condition));
            w.U32(Offset(b, l.end));
        }
        for (const script::SelectEntry& s : b->run.selects) {
            w.U32(Offset(b, s.statement));
            w.U32(Offset(b, s.end));
        }
        w.U8(b->run.loopTop);
        w.U8(b->run.selectTop);
        for (const script::SelectEntry& s : b->run.selects) w.U8(s.matched);
        w.I32(blockId(b->run.callTarget));
        w.I32(blockId(b->run.returnTarget));
    }
}

bool ParseRecord(const std::vector<uint8_t>& record, std::vector<SavedProcess>* out, std::string* reason) {
    ByteReader r(record.data(), record.size());
    int32_t count = 0;
    if (!ReadRecordHeader(r, "CVSS", &count)) {
        *reason = r.error();
        return false;
    }
    // A process takes at least its eight words.
    if (count < 0 || static_cast<size_t>(count) > r.remaining() / 32) {
        *reason = "process count " + std::to_string(count) + " does not fit the record";
        return false;
    }
    out->assign(static_cast<size_t>(count), SavedProcess{});
    for (SavedProcess& p : *out) {
        p.id = r.I32("process id");
        p.ownerKey = r.I32("owner key");
        p.inUse = r.I32("in-use word");
        p.active = r.I32("active word");
        p.currentId = r.I32("current block");
        p.successorId = r.I32("successor");
        p.parentId = r.I32("parent");
        int32_t scripts = r.Count(script::kScriptSlots, "script count");
        bool used[script::kScriptSlots] = {};
        for (int32_t i = 0; i < scripts && r.ok(); ++i) {
            SavedScript s;
            s.slot = r.I32("script slot");
            if (r.ok() && (s.slot < 0 || s.slot >= script::kScriptSlots || used[s.slot])) {
                r.Fail("script slot " + std::to_string(s.slot) + " is out of range or repeated");
                break;
            }
            if (r.ok()) used[s.slot] = true;
            s.loadTime = r.U32("load time");
            s.included = r.I32("include flag");
            s.key = r.Text(script::kFileNameSize - 1, "script name");
            int32_t size = r.I32("script length");
            if (r.ok() && (size <= 0 || static_cast<size_t>(size) > r.remaining())) {
                r.Fail("script length " + std::to_string(size) + " does not fit the record");
                break;
            }
            s.size = static_cast<size_t>(size);
            s.text = r.Bytes(s.size, "script text");
            p.scripts.push_back(std::move(s));
        }
        int32_t blocks = r.Count(static_cast<int32_t>(r.remaining() / 64), "block count");
        for (int32_t i = 0; i < blocks && r.ok(); ++i) {
            SavedBlock b;
            b.name = r.Text(script::kBlockNameSize - 1, "block name");
            b.kind = r.I32("block kind");
            b.slot = r.I32("block slot");
            b.prefix = r.Text(script::kBlockNameSize - 1, "object prefix");
            b.id = r.I32("block id");
            b.inUse = r.I32("block in-use word");
            b.active = r.I32("block active word");
            b.status = r.I32("block status");
            b.ownsObjects = r.I32("owns-objects flag");
            b.mode = r.I32("block mode");
            b.currentMark = r.I32("current mark");
            int32_t parameters = r.Count(script::kMaxParameters, "parameter count");
            for (int32_t k = 0; k < parameters && r.ok(); ++k)
                b.parameters.push_back(r.Text(script::kParameterValueSize - 1, "parameter value"));
            for (uint32_t& position : b.positions) position = r.U32("position");
            b.loopTop = r.U8("loop top");
            b.selectTop = r.U8("select top");
            for (uint8_t& m : b.matched) m = r.U8("select flag");
            b.callId = r.I32("call target");
            b.returnId = r.I32("return target");
            if (r.ok() && (b.loopTop > script::kLoopDepth || b.selectTop > script::kSelectDepth))
                r.Fail("block " + b.name + " has a stack top out of range");
            p.blocks.push_back(std::move(b));
        }
        if (!r.ok()) break;
    }
    if (r.ok() && r.remaining() != 0) r.Fail("bytes follow the last process");
    if (!r.ok()) {
        *reason = r.error();
        return false;
    }
    return true;
}

// Sets `*field` to the text position `offset` (+1 coded) of the block's
// script; false when it lies outside that text.
bool PositionOf(const ScriptBlock* b, uint32_t offset, char** field) {
    if (offset == 0) {
        *field = nullptr;
        return true;
    }
    char* text = script::BlockText(b);
    const script::ScriptFile& f = b->process->scripts[b->scriptIndex];
    if (!text || offset - 1 > static_cast<uint32_t>(f.file.size)) return false;
    *field = text + (offset - 1);
    return true;
}

bool ApplyBlock(ScriptBlock* b, const SavedBlock& s, std::string* reason) {
    if (b->name != s.name || b->kind != s.kind || b->scriptIndex != s.slot ||
        static_cast<int>(s.parameters.size()) != b->parameterCount) {
        *reason = "the blocks of the saved scripts differ from the saved chain at block \"" + s.name + "\"";
        return false;
    }
    b->inUse = s.inUse;
    b->active = s.active;
    script::StoreShared(b->run.status, s.status);
    script::StoreShared(b->run.mode, s.mode);
    b->run.ownsObjects = static_cast<uint8_t>(s.ownsObjects != 0);
    b->run.currentMark = static_cast<uint8_t>(s.currentMark != 0);
    std::memset(b->objectPrefix, 0, sizeof(b->objectPrefix));
    std::memcpy(b->objectPrefix, s.prefix.data(), s.prefix.size());
    for (size_t i = 0; i < s.parameters.size() && i < script::kMaxParameters; ++i) {
        std::memset(b->parameters[i].value, 0, sizeof(b->parameters[i].value));
        std::memcpy(b->parameters[i].value, s.parameters[i].data(), s.parameters[i].size());
    }
    char** fields[kPositions];
    int n = 0;
    fields[n++] = &b->cursor;
    fields[n++] = &b->run.resumePosition;
    for (script::LoopEntry& l : b->run.loops) {
        fields[n++] = &l.condition;
        fields[n++] = &l.end;
    }
    for (script::SelectEntry& e : b->run.selects) {
        fields[n++] = &e.statement;
        fields[n++] = &e.end;
    }
    for (int i = 0; i < kPositions; ++i) {
        if (!PositionOf(b, s.positions[i], fields[i])) {
            *reason = "a position of block \"" + s.name + "\" lies outside its script";
            return false;
        }
    }
    if (b->cursor && (b->cursor < b->bodyStart || b->cursor > b->bodyEnd)) b->cursor = b->bodyStart;
    b->run.loopTop = s.loopTop;
    b->run.selectTop = s.selectTop;
    for (int i = 0; i < script::kSelectDepth; ++i) b->run.selects[i].matched = s.matched[i];
    return true;
}

}  // namespace

std::vector<uint8_t> BuildScriptRecord() {
    std::unordered_map<const ScriptBlock*, int32_t> blockIds;
    std::unordered_map<const ScriptProcess*, int32_t> processIds;
    std::vector<const ScriptProcess*> processes;
    int32_t nextBlock = 1;
    for (const ScriptProcess* p = script::WorldHead(0); p; p = p->next) {
        processes.push_back(p);
        processIds[p] = static_cast<int32_t>(processes.size());
        for (const ScriptBlock* b = p->firstBlock; b; b = b->next) blockIds[b] = nextBlock++;
    }
    ByteWriter w;
    BeginRecord(w, "CVSS", static_cast<int32_t>(processes.size()));
    for (size_t i = 0; i < processes.size(); ++i)
        WriteProcess(w, processes[i], static_cast<int32_t>(i + 1), blockIds, processIds);
    FinishRecord(w);
    return w.bytes;
}

void FreeDetachedProcesses(std::vector<ScriptProcess*>* processes) {
    for (ScriptProcess* p : *processes) script::FreeScriptProcess(p);
    processes->clear();
}

bool RebuildProcesses(const std::vector<uint8_t>& record, std::vector<ScriptProcess*>* out,
                      std::string* reason) {
    std::vector<SavedProcess> saved;
    if (!ParseRecord(record, &saved, reason)) return false;
    out->clear();
    std::unordered_map<int32_t, ScriptBlock*> blocks;
    std::unordered_map<int32_t, ScriptProcess*> processes;
    auto fail = [&](const std::string& why) {
        *reason = why;
        FreeDetachedProcesses(out);
        return false;
    };
    for (const SavedProcess& s : saved) {
        ScriptProcess* p = script::NewScriptProcess();
        if (!p) return fail("out of memory");
        out->push_back(p);
        p->ownerKey = s.ownerKey;
        p->inUse = s.inUse;
        script::StoreShared(p->active, s.active);
        std::vector<const SavedScript*> order;
        for (const SavedScript& f : s.scripts) order.push_back(&f);
        std::stable_sort(order.begin(), order.end(),
                         [](const SavedScript* a, const SavedScript* b) { return a->loadTime < b->loadTime; });
        for (const SavedScript* f : order) {
            if (!script::RestoreScriptFile(p, f->slot, f->key.c_str(), reinterpret_cast<const char*>(f->text),
                                           f->size, f->loadTime, static_cast<uint8_t>(f->included != 0)))
                return fail("the saved script " + f->key + " does not load");
        }
        ScriptBlock* b = p->firstBlock;
        for (const SavedBlock& sb : s.blocks) {
            if (!b) return fail("the saved scripts make fewer blocks than were saved");
            if (!ApplyBlock(b, sb, reason)) return fail(*reason);
            if (sb.id != 0 && !blocks.emplace(sb.id, b).second)
                return fail("block id " + std::to_string(sb.id) + " is repeated");
            b = b->next;
        }
        if (b) return fail("the saved scripts make more blocks than were saved");
        if (s.id != 0 && !processes.emplace(s.id, p).second)
            return fail("process id " + std::to_string(s.id) + " is repeated");
    }
    // Resolves a saved id (0: none) through `map` into `field`; false when
    // the id names nothing saved.
    auto resolve = [](const auto& map, int32_t id, auto** field) {
        if (id == 0) {
            *field = nullptr;
            return true;
        }
        auto it = map.find(id);
        if (it == map.end()) return false;
        *field = it->second;
        return true;
    };
    auto block = [&](int32_t id, ScriptBlock** field) { return resolve(blocks, id, field); };
    auto process = [&](int32_t id, ScriptProcess** field) { return resolve(processes, id, field); };
    for (size_t i = 0; i < saved.size(); ++i) {
        ScriptProcess* p = (*out)[i];
        if (!block(saved[i].currentId, &p->currentBlock) || !process(saved[i].successorId, &p->successor) ||
            !process(saved[i].parentId, &p->parent))
            return fail("a process link names no saved record");
        if (p->currentBlock && p->currentBlock->process != p)
            return fail("a process's current block belongs to another process");
        ScriptBlock* b = p->firstBlock;
        for (const SavedBlock& sb : saved[i].blocks) {
            if (!block(sb.callId, &b->run.callTarget) || !block(sb.returnId, &b->run.returnTarget))
                return fail("a call link of block \"" + sb.name + "\" names no saved block");
            b = b->next;
        }
    }
    return true;
}

bool SummariseScriptRecord(const std::vector<uint8_t>& record, ScriptSummary* out, std::string* reason) {
    std::vector<SavedProcess> saved;
    if (!ParseRecord(record, &saved, reason)) return false;
    out->processes.clear();
    for (const SavedProcess& p : saved) {
        ScriptSummary::Process summary;
        summary.ownerKey = p.ownerKey;
        for (const SavedScript& s : p.scripts) summary.scripts.push_back(s.key);
        for (const SavedBlock& b : p.blocks) {
            if (b.id != p.currentId || p.currentId == 0) continue;
            summary.currentBlock = b.name;
            for (const SavedScript& s : p.scripts) {
                if (s.slot != b.slot) continue;
                summary.currentScript = s.key;
                uint32_t at = b.positions[1] ? b.positions[1] - 1 : 0;
                summary.currentLine = 1 + static_cast<int>(std::count(s.text, s.text + std::min<size_t>(at, s.size), '\n'));
            }
        }
        out->processes.push_back(std::move(summary));
    }
    return true;
}

}  // namespace save
