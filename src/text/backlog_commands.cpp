// The backlog's script commands: CreateBacklog, SetBacklog, ClearBacklog,
// and the reveal's seams into the stream.
#include <cstring>

#include "scene/commands_scene.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/system_variables.h"
#include "text/backlog.h"
#include "text/backlog_object.h"
#include "text/state.h"

namespace text {

namespace {

bool IsNullWord(const char* text) {
    return text && (text[0] == 'N' || text[0] == 'n') && (text[1] == 'U' || text[1] == 'u') &&
           (text[2] == 'L' || text[2] == 'l') && (text[3] == 'L' || text[3] == 'l') && !text[4];
}

// The text as the last text shown: at most 504 bytes, whole characters.
void RecordLastText(const char* text) {
    char* out = script::GetSystemValues().lastText;
    size_t n = 0;
    for (const char* p = text; *p;) {
        const uint8_t lead = static_cast<uint8_t>(*p);
        const size_t length = lead >= 0x80 && !(lead >= 0xA0 && lead <= 0xDF) && p[1] ? 2 : 1;
        if (n + length > 504) break;
        std::memcpy(out + n, p, length);
        n += length;
        p += length;
    }
    out[n] = 0;
}

void CommandCreateBacklog(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = CreateBacklogObject(c, a);
}

// SetBacklog(text, voice file, class): a voice marker unless the file is
// NULL (any case) or empty, then the text and a line break.
void CommandSetBacklog(script::CommandCall& call) {
    const char* text = call.args[0] ? call.args[0] : "";
    const char* voice = call.args[1];
    const char* voiceClass = call.args[2] ? call.args[2] : "";
    if (voice && voice[0] && !IsNullWord(voice)) BacklogAppendVoice(voiceClass, voice);
    BacklogAppendText(text);
    RecordLastText(text);
}

void CommandClearBacklog(script::CommandCall&) {
    ClearBacklogAll();
}

void RevealVoice(const char* voiceClass, const char* source) {
    BacklogAppendVoice(voiceClass, source);
}

}  // namespace

void InstallBacklogCommands() {
    script::InstallCommandHandler("CreateBacklog", CommandCreateBacklog);
    script::InstallCommandHandler("SetBacklog", CommandSetBacklog);
    script::InstallCommandHandler("ClearBacklog", CommandClearBacklog);
    TextHooks& h = State().hooks;
    h.backlogAppend = BacklogAppendCode;
    h.backlogVoice = RevealVoice;
}

}  // namespace text
