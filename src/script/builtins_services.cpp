// Built-ins answered by other subsystems through GetServices(): object timing
// and image sizes, scrollbars, sound amplitude, saves, the backlog, message
// boxes, the display, shortcuts, screen capture and the video lock.
#include <cstring>
#include <string>

#include "platform/msgbox.h"
#include "script/builtins.h"
#include "script/object_names.h"
#include "script/process.h"
#include "script/services.h"
#include "script/sjis.h"
#include "script/variables.h"

namespace script {

namespace {

// Argument i as an object name qualified with the calling block's prefix.
bool ObjectArgument(Eval& e, const Arguments& args, size_t i, char* out) {
    std::string name = args.Text(i);
    return QualifyObjectName(name.c_str(), out, e.block ? e.block->objectPrefix : "") != 0;
}

double ActionTime(Eval& e, const Arguments& args, int kind) {
    char name[kObjectNameSize];
    return ObjectArgument(e, args, 0, name) ? GetServices().actionTime(name, kind) : 0;
}

double ImageSize(Eval& e, const Arguments& args, int vertical) {
    char name[kObjectNameSize];
    return ObjectArgument(e, args, 0, name) ? GetServices().imageSize(name, vertical) : 0;
}

// A slot number; a text variable's text is read as a number.
int SlotArgument(const Arguments& args) {
    if (!args.IsNumber(0) && args.count() > 0) return std::atoi(args.Text(0).c_str());
    return static_cast<int>(ToInteger(args.Number(0)));
}

}  // namespace

double BuiltinRemainTime(Eval& e, const Arguments& a, char*) {
    return ActionTime(e, a, kActionRemaining);
}
double BuiltinDurationTime(Eval& e, const Arguments& a, char*) {
    return ActionTime(e, a, kActionDuration);
}
double BuiltinPassageTime(Eval& e, const Arguments& a, char*) {
    return ActionTime(e, a, kActionPassage);
}
double BuiltinImageHorizon(Eval& e, const Arguments& a, char*) {
    return ImageSize(e, a, 0);
}
double BuiltinImageVertical(Eval& e, const Arguments& a, char*) {
    return ImageSize(e, a, 1);
}

double BuiltinScrollbarValue(Eval& e, const Arguments& args, char*) {
    char name[kObjectNameSize];
    return ObjectArgument(e, args, 0, name) ? GetServices().scrollbarValue(name) : 0;
}

double BuiltinSoundAmplitude(Eval& e, const Arguments& args, char*) {
    char name[kObjectNameSize];
    if (!ObjectArgument(e, args, 0, name)) return 0;
    std::string label = args.Text(1);
    bool hasLabel = args.count() > 1 && !EqualsNoCase(label.c_str(), "NULL");
    return GetServices().soundAmplitude(name, hasLabel ? label.c_str() : nullptr, e.block);
}

double BuiltinEnableBacklog(Eval&, const Arguments&, char*) {
    return GetServices().backlogEnabled();
}
double BuiltinBacklogRow(Eval&, const Arguments&, char*) {
    return GetServices().backlogRow();
}
double BuiltinBacklogLine(Eval&, const Arguments&, char*) {
    return GetServices().backlogLine();
}
double BuiltinExistSave(Eval&, const Arguments& a, char*) {
    return GetServices().saveExists(SlotArgument(a));
}
double BuiltinMountSavedata(Eval&, const Arguments& a, char*) {
    return GetServices().mountSaveData(SlotArgument(a));
}
double BuiltinEnableDirect3DHAL(Eval&, const Arguments&, char*) {
    return GetServices().direct3DHal();
}

double BuiltinMessage(Eval&, const Arguments& args, char*) {
    static const char* const kButtons[] = {"OK",          "OKCANCEL", "ABORTRETRYIGNORE",
                                           "YESNOCANCEL", "YESNO",    "RETRYCANCEL"};
    static const struct {
        const char* word;
        uint32_t style;
    } kIcons[] = {{"STOP", 0x10}, {"QUESTION", 0x20}, {"EXCLAMATION", 0x30}, {"INFORMATION", 0x40}};
    std::string message = args.Text(0), caption = args.Text(1);
    std::string buttons = args.Text(2), icon = args.Text(3);
    uint32_t style = 0;
    for (uint32_t i = 0; i < 6; ++i)
        if (EqualsNoCase(buttons.c_str(), kButtons[i])) style = i;
    for (const auto& entry : kIcons)
        if (EqualsNoCase(icon.c_str(), entry.word)) style |= entry.style;
    switch (GetServices().messageBox(message.c_str(), caption.c_str(), style)) {
        case platform::kIdOk:
            return 1;
        case platform::kIdAbort:
            return 4;
        case platform::kIdRetry:
            return 5;
        case platform::kIdIgnore:
            return 6;
        case platform::kIdYes:
            return 2;
        case platform::kIdNo:
            return 3;
        case 10:
            return 7;  // try again
        case 11:
            return 8;  // continue
        default:
            return 0;  // cancel or closed
    }
}

double BuiltinKickShortcut(Eval&, const Arguments& args, char*) {
    std::string key = args.Text(0);
    if (key.empty()) return 0;
    int code;
    if (EqualsNoCase(key.c_str(), "ESCAPE"))
        code = 27;
    else if (EqualsNoCase(key.c_str(), "SPACE"))
        code = 32;
    else if (key[0] >= 'a' && key[0] <= 'z')
        code = key[0] - 32;
    else
        code = static_cast<unsigned char>(key[0]);
    GetServices().kickShortcut(code);
    return 0;
}

double BuiltinWriteImage(Eval&, const Arguments& args, char*) {
    std::string file = args.Text(0);
    return file.empty() ? 0 : GetServices().writeImage(file.c_str());
}

double BuiltinLockVideo(Eval&, const Arguments& args, char*) {
    std::string flag = args.Text(0);
    GetServices().lockVideo(EqualsNoCase(flag.c_str(), "TRUE") ? 1 : 0);
    return 0;
}

}  // namespace script
