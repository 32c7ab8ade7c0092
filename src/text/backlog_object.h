// The backlog object (CreateBacklog): draws the stream's last rows in a
// fixed character grid straight into the frame, a voice icon beside each row
// that had a voice, and replays a row's voice when its icon is clicked. Also
// the backlog's commands, built-ins and its links to input and scrollbars.
//
// Locking: functions taking a SceneObject run with the SceneLock held (the
// composer's draw and step, object release, SetScrollbar). The input entries
// (BacklogMouse, BacklogScroll) run on the main thread and take the SceneLock
// themselves. The backlog record's own lock is always taken last.
#pragma once
#include <cstdint>

#include "scene/create_support.h"

namespace text {

// CreateBacklog(name, priority). Reads the display settings, makes the
// object and marks the backlog shown. Only one backlog object exists at a
// time: a second is refused. 1 when made.
int CreateBacklogObject(const scene::CreateContext& c, const scene::CreateArgs& a);

// The object's draw slot: the grid and the voice icons.
int DrawBacklog(scene::SceneObject* object);
// The object's text step slot: replays a clicked row's voice and keeps a
// linked scrollbar's thumb on the scroll. Always -4 (stays installed).
int StepBacklog(scene::SceneObject* object);
// Object release: forgets the shown object and its scrollbar link.
void ReleaseBacklogObject(scene::SceneObject* object);

// SetScrollbar to a backlog object: the scrollbar then scrolls it (its far
// end is the newest row). 1 when `target` is the shown backlog.
int LinkBacklogScrollbar(scene::SceneObject* scrollbar, scene::SceneObject* target);
// A linked scrollbar's thumb moved (by the player or a Request).
void BacklogThumbMoved(scene::SceneObject* scrollbar);
// A linked scrollbar is being freed.
void BacklogScrollbarGone(scene::SceneObject* scrollbar);

// Input (main thread). Mouse: event 0 a move, 1 left press, 2 left release
// at frame (x, y); 1 when it was over a voice icon of the shown backlog.
int BacklogMouse(int x, int y, int event);
// Scrolls the shown backlog by `rows` (positive: back toward older rows);
// 1 when a backlog is shown.
int BacklogScroll(int rows);
// Rows a page step scrolls (the shown rows).
int BacklogPageRows();

// Clears the stream and releases the replay sound (ClearBacklog, a new game).
void ClearBacklogAll();

// Installs CreateBacklog, SetBacklog and ClearBacklog in the command table
// and the backlog's seams of the reveal.
void InstallBacklogCommands();

}  // namespace text
