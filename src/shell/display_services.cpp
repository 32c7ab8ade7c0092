// The display services of the engine shell.
#include "shell/display_services.h"

#include "render/display.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace shell {

namespace {

// The display keeps the script side's record of the mode it runs in.
void WriteWindowFull(int value) {
    script::GetSystemValues().fullScreen = value;
    if (script::Variable* v = script::GetOrCreateExact("#SYSTEM_window_full"))
        script::SetNumber(v, value);
}

int Direct3DHal() {
    return render::EnableDirect3DHAL() ? 1 : 0;
}

}  // namespace

bool CreateDisplay() {
    render::SetWindowFullWriter(WriteWindowFull);
    script::GetServices().direct3DHal = Direct3DHal;
    return render::CreateDisplay() != 0;
}

int SwitchWindowFull(int full) {
    render::SetDisplayScaling(script::GetSystemValues().videoAspectFixed);
    return render::SwitchWindowFull(full);
}

void ReleaseDisplay() {
    render::ReleaseDisplay();
}

}  // namespace shell
