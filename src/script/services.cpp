#include "script/services.h"

#include "platform/msgbox.h"
#include "script/state.h"

namespace script {

namespace {

int NoActionTime(const char*, int) {
    return 0;
}
int NoImageSize(const char*, int) {
    return 0;
}
int NoScrollbar(const char*) {
    return 0;
}
double NoAmplitude(const char*, const char*, ScriptBlock*) {
    return 0;
}
int Zero() {
    return 0;
}
int NoSlot(int) {
    return 0;
}
int ShowBox(const char* text, const char* caption, uint32_t style) {
    return platform::ShowMessageBox(text, caption, style);
}
void NoKey(int) {}
int NoWrite(const char*) {
    return 0;
}
void NoLock(int) {}
void NoChange(SystemChange) {}
void NoProcess(ScriptProcess*) {}
int NoKeyInUse(int32_t) {
    return 0;
}
ScriptProcess* NoWorld() {
    return nullptr;
}

}  // namespace

ScriptServices DefaultScriptServices() {
    ScriptServices s;
    s.actionTime = NoActionTime;
    s.imageSize = NoImageSize;
    s.scrollbarValue = NoScrollbar;
    s.soundAmplitude = NoAmplitude;
    s.backlogEnabled = Zero;
    s.backlogRow = Zero;
    s.backlogLine = Zero;
    s.saveExists = NoSlot;
    s.mountSaveData = NoSlot;
    s.messageBox = ShowBox;
    s.direct3DHal = Zero;
    s.kickShortcut = NoKey;
    s.showHiddenTextWindow = [] {};
    s.writeImage = NoWrite;
    s.lockVideo = NoLock;
    s.systemChanged = NoChange;
    s.loadSavedGlobals = Zero;
    s.appendProcess = NoProcess;
    s.removeProcess = NoProcess;
    s.ownerKeyInUse = NoKeyInUse;
    s.registerOwnerKey = NoProcess;
    s.firstWorldProcess = NoWorld;
    return s;
}

ScriptServices& GetServices() { return State().services; }

void ResetScriptServices() { GetServices() = DefaultScriptServices(); }

}  // namespace script
