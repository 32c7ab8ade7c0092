#include "render/compose_shell.h"

#include "render/compose.h"
#include "render/display.h"
#include "shell/registry.h"

namespace render {

bool ShellCreateDisplay() { return CreateDisplay() != 0; }
void ShellReleaseDisplay() { ReleaseDisplay(); }

bool ShellStartComposer() {
    shell::WaitSources sources = shell::GetWaitSources();
    sources.composerEnded = ComposerEndedEvent;
    shell::SetWaitSources(sources);
    return StartComposer() != 0;
}

void ShellStopComposer() { StopComposer(); }

}  // namespace render
