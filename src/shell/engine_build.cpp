#include "shell/engine_build.h"

#include <cstdio>

#include "files/state.h"
#include "movie/state.h"
#include "render/state.h"
#include "save/state.h"
#include "scene/state.h"
#include "script/state.h"
#include "shell/state.h"
#include "shell/wiring.h"
#include "platform/sync.h"
#include "sound/state.h"
#include "text/state.h"

namespace shell {

core::Engine* BuildEngine() {
    core::Engine* e = new core::Engine;
    e->files = new files::FilesContext;
    e->script = new script::ScriptContext;
    e->render = new render::RenderContext;
    e->scene = new scene::SceneContext;
    e->text = new text::TextContext;
    e->sound = new sound::SoundContext;
    e->movie = new movie::MovieContext;
    e->save = new save::SaveContext;
    e->shell = new ShellContext;
    // The tables live in the records: wire them with this engine current.
    core::Engine* previous = core::g_current;
    core::SetCurrentEngine(e);
    WireEngine();
    core::SetCurrentEngine(previous);
    return e;
}

void DestroyEngine(core::Engine* e) {
    if (!e) return;
    // No thread of this engine may outlive it: end those a run or a test left,
    // and when one will not end, keep the engine's records for that thread
    // rather than free them under it.
    if (e->registry.initialised) {
        core::Engine* previous = core::g_current;
        core::SetCurrentEngine(e);
        if (core::RegisteredThreadCount() > 0) {
            e->quit = 1;
            if (e->quitEvent) platform::SetEvent(e->quitEvent);
        }
        int ended = core::EndAllThreads();
        core::SetCurrentEngine(previous);
        if (!ended) {
            std::fprintf(stderr, "velmoor: an engine thread is still running; its engine is kept\n");
            return;
        }
    }
    // Events a start sequence or a test made and no shutdown destroyed.
    for (platform::Event** event : {&e->stateChanged, &e->quitEvent, &e->commandsEnabled,
                                    &e->commandGate, &e->settingsChanged, &e->auxEvent1,
                                    &e->auxEvent2}) {
        if (*event) platform::DestroyEvent(*event);
        *event = nullptr;
    }
    delete e->shell;
    delete e->save;
    delete e->movie;
    delete e->sound;
    delete e->text;
    delete e->scene;
    delete e->render;
    delete e->script;
    delete e->files;
    delete e;
}

EngineScope::EngineScope() : engine_(BuildEngine()), previous_(core::g_current) {
    core::SetCurrentEngine(engine_);
}

EngineScope::~EngineScope() {
    core::SetCurrentEngine(previous_);
    DestroyEngine(engine_);
}

}  // namespace shell
