#include "render/compose_shell.h"

#include "render/display.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace render {

namespace {

// The display keeps the script side's record of the mode it runs in.
void WriteWindowFull(int value) {
    script::g_systemValues.fullScreen = value;
    if (script::Variable* v = script::GetOrCreateExact("#SYSTEM_window_full"))
        script::SetNumber(v, value);
}

int Direct3DHal() {
    return EnableDirect3DHAL() ? 1 : 0;
}

}  // namespace

bool ShellCreateDisplay() {
    SetWindowFullWriter(WriteWindowFull);
    script::g_services.direct3DHal = Direct3DHal;
    return CreateDisplay() != 0;
}

int ShellSwitchWindowFull(int full) {
    SetDisplayScaling(script::g_systemValues.videoAspectFixed);
    return SwitchWindowFull(full);
}
void ShellReleaseDisplay() {
    ReleaseDisplay();
}

}  // namespace render
