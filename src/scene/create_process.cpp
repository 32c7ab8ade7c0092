// CreateProcess: a process object holding a cut or function block that runs
// on its own thread, started, stopped, paused and resumed with Request.
#include <cstdlib>

#include "scene/create_commands.h"
#include "scene/position.h"
#include "scene/process_object.h"
#include "scene/request.h"
#include "script/interp.h"
#include "script/object_names.h"

namespace scene {

int CreateProcessObject(const CreateContext& c, const CreateArgs& a) {
    if (!c.process || !a.at(0) || !a.at(4)) return 0;
    char qualified[script::kObjectNameSize];
    if (!script::QualifyObjectName(a.at(0), qualified, c.prefix)) return 0;
    ProcessPayload* payload = static_cast<ProcessPayload*>(std::calloc(1, sizeof(ProcessPayload)));
    if (!payload) return 0;
    script::ScriptBlock* block = script::PrepareParallelBlock(c.process, a.at(4), qualified);
    if (!block) {
        std::free(payload);
        return 0;
    }
    int32_t priority = LeadingInteger(a.at(1));
    Creation k;
    bool made = BeginCreation(c, a.at(0), &k) != 0;
    if (made) {
        SceneObject* o = k.object;
        payload->owner = o;
        payload->block = block;
        o->process = payload;
        payload = nullptr;
        o->shown = 1;
        o->priority = priority;
        o->ops.request = ProcessRequest;
        made = ApplyPosition(o, a.at(2), a.at(3)) != 0;
        if (made) EndCreation(&k);
        else AbortCreation(&k);  // the payload's release ends the block
    }
    std::free(payload);
    if (!made) {
        // Let the held thread see its stop and end.
        script::EndParallelBlock(block);
        script::LaunchParallelBlock(block);
        return 0;
    }
    // Returns once the block's part before its entry point has run.
    script::LaunchParallelBlock(block);
    return 1;
}

}  // namespace scene
