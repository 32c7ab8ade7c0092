// The backlog object: the character grid, the voice icons and their replay,
// scrolling and the scrollbar link.
#include "text/backlog_object.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/engine.h"
#include "core/input.h"
#include "core/registry.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/object_tree.h"
#include "scene/scrollbar.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "text/backlog.h"
#include "text/backlog_draw.h"
#include "text/state.h"

namespace text {

namespace {

Backlog& B() { return State().backlog; }

// A layout variable, kept in [low, high] so that row arithmetic stays in
// range whatever a script assigned (a missing or non-finite value gives
// `missing`).
int32_t NumberVariable(const char* name, int32_t missing, int32_t low = -4096, int32_t high = 4096) {
    script::Variable* v = script::LookupExact(name);
    if (!v || !(v->number >= -1e9 && v->number <= 1e9)) return missing;
    return std::clamp(static_cast<int32_t>(v->number), low, high);
}

BacklogLayout ReadLayout() {
    BacklogLayout l;
    l.rowMax = NumberVariable("$SYSTEM_backlog_row_max", kBacklogDefaultRows, -1, kBacklogMaxRows);
    if (l.rowMax < 1 || l.rowMax >= kBacklogMaxRows) l.rowMax = kBacklogDefaultRows;
    l.iconX = NumberVariable("$SYSTEM_backlog_voice_icon_x", 82);
    l.positionX = NumberVariable("$SYSTEM_backlog_position_x", 120);
    l.positionY = NumberVariable("$SYSTEM_backlog_position_y", 100);
    l.rowPitch = NumberVariable("$SYSTEM_backlog_row_interval", 24, 0, 1024);
    l.characterWidth = NumberVariable("$SYSTEM_backlog_character_width", 19, 0, 1024);
    l.iconShiftY = std::clamp(script::GetSystemValues().backlogVoiceIconShiftY, -4096, 4096);
    return l;
}

// Rows the grid can show: every ended row and an open last one.
int32_t VisibleRows(const Backlog& b) {
    if (!b.stream || b.end == 0) return 0;
    uint16_t last = b.stream[b.end - 1];
    bool open = !(last == kUnitSoftBreak || last == kUnitLineBreak || last == kUnitRowBreak);
    return b.rows + (open ? 1 : 0);
}

int32_t MaxScroll(const Backlog& b) {
    return std::max(0, VisibleRows(b) - b.layout.rowMax);
}

// The grid's area on screen (icons included).
void MarkGridDirty(const BacklogLayout& l) {
    int top = l.positionY + std::min(0, l.iconShiftY) - 8;
    int height = l.rowMax * l.rowPitch + std::abs(l.iconShiftY) + 64;
    render::AddDirtyRect(0, top, render::kFrameWidth, height);
}

// Keeps a linked scrollbar's thumb on the scroll. SceneLock held.
void SyncBar(Backlog& b, int32_t scroll, int32_t maxScroll) {
    scene::SceneObject* bar = b.bar;
    if (!bar || !bar->scrollbar) return;
    const int32_t last = bar->scrollbar->lastIndex;
    int64_t index = maxScroll > 0 ? last - (static_cast<int64_t>(scroll) * last + maxScroll / 2) / maxScroll
                                  : last;
    if (index == bar->scrollbar->index) return;
    b.barSyncing = true;
    scene::MoveThumbTo(bar, index);
    b.barSyncing = false;
}

// Sets the scroll; SceneLock held, record lock not held.
bool SetScroll(int32_t wanted) {
    Backlog& b = B();
    int32_t scroll, maxScroll;
    BacklogLayout layout;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        maxScroll = MaxScroll(b);
        scroll = std::clamp(wanted, 0, maxScroll);
        if (scroll == b.scroll) return false;
        b.scroll = scroll;
        for (BacklogRowVoice& r : b.rowVoices) r.iconState = 0;
        layout = b.layout;
    }
    MarkGridDirty(layout);
    SyncBar(b, scroll, maxScroll);
    return true;
}

// The row whose icon lies under (x, y), or -1. Record lock held.
int IconRowAt(const Backlog& b, int x, int y) {
    if (!b.shown || b.iconWidth <= 0 || b.iconHeight <= 0) return -1;
    const BacklogLayout& l = b.layout;
    if (x < l.iconX || x >= l.iconX + b.iconWidth) return -1;
    for (int row = 0; row < l.rowMax; ++row) {
        int top = l.positionY + l.iconShiftY + row * l.rowPitch;
        if (y >= top && y < top + b.iconHeight && b.rowVoices[row].hasVoice) return row;
    }
    return -1;
}

}  // namespace

int CreateBacklogObject(const scene::CreateContext& c, const scene::CreateArgs& a) {
    if (!a.at(0)) return 0;
    const int32_t priority = scene::LeadingInteger(a.at(1));
    const BacklogLayout layout = ReadLayout();
    scene::Creation k;
    if (!scene::BeginCreation(c, a.at(0), &k)) return 0;
    Backlog& b = B();
    if (b.object) {
        std::fprintf(stderr, "velmoor: CreateBacklog: a backlog is shown already\n");
        return scene::AbortCreation(&k);
    }
    scene::SceneObject* o = k.object;
    o->priority = priority;
    o->shown = 1;
    o->ops.draw = DrawBacklog;
    o->ops.textStep = StepBacklog;
    LoadBacklogIcons();
    {
        std::lock_guard<std::mutex> hold(b.lock);
        b.layout = layout;
        b.shown = true;
        b.object = o;
        b.scroll = std::clamp(b.scroll, 0, MaxScroll(b));
        b.dragX = b.dragY = -32768;
        for (BacklogRowVoice& r : b.rowVoices) r = BacklogRowVoice{};
    }
    MarkGridDirty(layout);
    return scene::EndCreation(&k);
}

int StepBacklog(scene::SceneObject* o) {
    Backlog& b = B();
    if (o != b.object) return -4;
    char file[kBacklogVoiceFileSize] = {}, voiceClass[kBacklogVoiceClassSize] = {};
    int row = -1;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        for (int i = 0; i < kBacklogMaxRows; ++i) {
            BacklogRowVoice& r = b.rowVoices[i];
            if (!r.clicked) continue;
            r.clicked = false;
            if (!r.hasVoice) continue;
            row = i;
            std::memcpy(file, r.file, sizeof file);
            std::memcpy(voiceClass, r.voiceClass, sizeof voiceClass);
        }
    }
    if (row < 0) return -4;
    TextHooks& h = State().hooks;
    // The same row's voice still playing is left alone; any other replay
    // gives way to the new one.
    if (b.replay && b.replayRow == row && h.voicePlaying && h.voicePlaying(b.replay)) return -4;
    if (b.replay && h.stopVoice) h.stopVoice(b.replay, 1);
    b.replay = nullptr;
    b.replayRow = -1;
    if (h.playVoice) {
        b.replay = h.playVoice(file, voiceClass);
        if (b.replay) b.replayRow = row;
    }
    return -4;
}

void ReleaseBacklogObject(scene::SceneObject* o) {
    Backlog& b = B();
    if (!o || o != b.object) return;
    BacklogLayout layout;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        b.object = nullptr;
        b.shown = false;
        layout = b.layout;
        for (BacklogRowVoice& r : b.rowVoices) r = BacklogRowVoice{};
    }
    if (b.bar && b.bar->scrollbar) b.bar->scrollbar->backlog = nullptr;
    b.bar = nullptr;
    // A replayed voice ends with the screen, before the game's own voices
    // resume.
    TextHooks& h = State().hooks;
    if (b.replay && h.stopVoice) h.stopVoice(b.replay, 1);
    b.replay = nullptr;
    b.replayRow = -1;
    MarkGridDirty(layout);
    if (core::CursorShape() == core::kCursorIdHand && b.hoverRow >= 0)
        core::SetCursorShape(core::kCursorIdArrow);
    b.hoverRow = -1;
}

int LinkBacklogScrollbar(scene::SceneObject* bar, scene::SceneObject* target) {
    Backlog& b = B();
    if (!bar || !bar->scrollbar || !target || target != b.object) return 0;
    if (b.bar && b.bar != bar && b.bar->scrollbar) b.bar->scrollbar->backlog = nullptr;
    b.bar = bar;
    bar->scrollbar->backlog = target;
    int32_t scroll, maxScroll;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        scroll = b.scroll;
        maxScroll = MaxScroll(b);
    }
    SyncBar(b, scroll, maxScroll);
    return 1;
}

void BacklogThumbMoved(scene::SceneObject* bar) {
    Backlog& b = B();
    if (b.barSyncing || !bar || bar != b.bar || !bar->scrollbar) return;
    const int32_t last = bar->scrollbar->lastIndex;
    int32_t maxScroll;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        maxScroll = MaxScroll(b);
    }
    int64_t back = last > 0 ? (static_cast<int64_t>(last - bar->scrollbar->index) * maxScroll + last / 2) / last
                            : 0;
    b.barSyncing = true;
    SetScroll(static_cast<int32_t>(back));
    b.barSyncing = false;
}

void BacklogScrollbarGone(scene::SceneObject* bar) {
    Backlog& b = B();
    if (bar && bar == b.bar) b.bar = nullptr;
}

namespace {

// Whether a backlog object is shown (a quick look before the SceneLock).
bool Shown() {
    std::lock_guard<std::mutex> hold(B().lock);
    return B().shown;
}

}  // namespace

int BacklogMouse(int x, int y, int event) {
    if (!Shown()) return 0;
    core::SceneLockGuard scene;
    Backlog& b = B();
    // A press on the linked scrollbar drags it (the backlog screen has no
    // select of its own to hand the press to the bar).
    if (event == 1 && b.shown && b.bar && scene::ScrollbarTakesClick(b.bar, x, y, true)) return 1;
    int row;
    BacklogLayout layout;
    bool changed = false;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        if (!b.shown) return 0;
        layout = b.layout;
        row = IconRowAt(b, x, y);
        for (int i = 0; i < layout.rowMax; ++i) {
            BacklogRowVoice& r = b.rowVoices[i];
            int state = 0;
            if (i == row) {
                if (event == 1) state = 2;
                else if (event == 2) state = 1;
                else state = r.iconState == 2 && core::LeftButtonHeld() ? 2 : 1;
                // Released where it was pressed: replay at the next step.
                if (event == 2 && r.iconState == 2) r.clicked = true;
            }
            if (state != r.iconState) changed = true;
            r.iconState = state;
        }
    }
    if (row != b.hoverRow) {
        // Over an icon the cursor is the hand; leaving it gives the arrow back.
        if (row >= 0) core::SetCursorShape(core::kCursorIdHand);
        else if (b.hoverRow >= 0) core::SetCursorShape(core::kCursorIdArrow);
        b.hoverRow = row;
    }
    if (changed) MarkGridDirty(layout);
    return row >= 0 ? 1 : 0;
}

int BacklogScroll(int rows) {
    if (!Shown()) return 0;
    core::SceneLockGuard scene;
    Backlog& b = B();
    int32_t wanted;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        if (!b.shown) return 0;
        wanted = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(b.scroll) + rows, -1, 1 << 30));
    }
    SetScroll(wanted);
    return 1;
}

int BacklogPageRows() {
    Backlog& b = B();
    std::lock_guard<std::mutex> hold(b.lock);
    return b.layout.rowMax;
}

void ClearBacklogAll() {
    core::SceneLockGuard scene;
    BacklogClear();
    Backlog& b = B();
    TextHooks& h = State().hooks;
    if (b.replay && h.stopVoice) h.stopVoice(b.replay, 1);
    b.replay = nullptr;
    b.replayRow = -1;
    if (b.object) MarkGridDirty(b.layout);
    SyncBar(b, 0, 0);
}

}  // namespace text
