// Part of the engine's wiring: the backlog. Its commands and the reveal's
// seams (text), its built-ins (script services), opening, closing and
// scrolling it and its voice icons (input), SetScrollbar to a backlog
// (scrollbars), its object's release (object trees) and its state at the
// start of a game (interpreter).
#include <cstdlib>

#include "scene/object_tree.h"
#include "scene/scrollbar.h"
#include "script/interp_hooks.h"
#include "script/services.h"
#include "shell/input.h"
#include "shell/wiring_internal.h"
#include "text/backlog.h"
#include "text/backlog_object.h"
#include "text/state.h"

namespace shell {

namespace {

text::Backlog& B() { return text::State().backlog; }

int BacklogEnabled() {
    std::lock_guard<std::mutex> hold(B().lock);
    return B().shown ? 1 : 0;
}

int BacklogRows() {
    std::lock_guard<std::mutex> hold(B().lock);
    return B().rows;
}

int BacklogLine() {
    std::lock_guard<std::mutex> hold(B().lock);
    return B().scroll;
}

int BacklogReady() {
    std::lock_guard<std::mutex> hold(B().lock);
    return B().ready ? 1 : 0;
}

// Page and end steps of the input layer in rows.
int ScrollBacklog(int rows) {
    int sign = rows < 0 ? -1 : 1;
    int size = std::abs(rows);
    if (size == kBacklogPage) rows = sign * text::BacklogPageRows();
    else if (size == kBacklogOldest) rows = sign * (1 << 28);
    return text::BacklogScroll(rows);
}

}  // namespace

void WireBacklog() {
    text::InstallBacklogCommands();
    script::ScriptServices& services = script::GetServices();
    services.backlogEnabled = BacklogEnabled;
    services.backlogRow = BacklogRows;
    services.backlogLine = BacklogLine;
    InputHooks& input = GetInputHooks();
    input.backlogReady = BacklogReady;
    input.backlogShown = BacklogEnabled;
    input.backlogMouse = text::BacklogMouse;
    input.backlogScroll = ScrollBacklog;
    scene::ScrollbarHooks& bars = scene::GetScrollbarHooks();
    bars.linkBacklog = text::LinkBacklogScrollbar;
    bars.thumbMoved = text::BacklogThumbMoved;
    bars.scrollbarGone = text::BacklogScrollbarGone;
    scene::Hooks().releaseBacklog = text::ReleaseBacklogObject;
    script::GetInterpreterHooks().resetBacklog = text::ClearBacklogAll;
}

}  // namespace shell
