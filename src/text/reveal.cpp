// The reveal step of text objects.
#include "text/reveal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/input.h"
#include "render/dirty_rect.h"
#include "render/compose.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene/action.h"
#include "scene/scene_object.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/system_variables.h"
#include "text/state.h"
#include "text/text_icons.h"
#include "text/reveal_services.h"
#include "text/text_object.h"
#include "core/game_watch.h"

namespace text {

namespace {

constexpr int32_t kWaiting = -4;

bool Skipping() {
    return script::GetSystemValues().skip != 0;
}
bool Automatic() {
    return script::GetSystemValues().textAuto != 0;
}

// The clock factor of the reveal: the play-speed table, 32 in skip mode, 1
// while a system script runs.
double RevealSpeed() {
    if (Skipping()) return 32.0;
    if (core::Current().state.load() == core::StateSystemScript) return 1.0;
    return PlaySpeedFactor(script::GetSystemValues().playSpeedStep);
}

bool Restoring() {
    return core::Current().state.load() == core::StateLoading;
}

// Characters the automatic wait and the voice pacing do not count.
bool Uncounted(int32_t code) {
    return code == 0x8141 || code == 0x8142 || code == 0x8175 || code == 0x8176;  // 、。「」
}

// The slot stops the run of characters revealed in one step.
bool Stops(const CharAttributes& at) {
    return at.stopState != 0 || at.inlineCode || at.voice >= 0 || at.extraWait > 0 ||
           at.interval >= 0;
}

// A click, key or wheel event since the stop began.
bool InputCame() {
    return core::IsInputRaised(core::kInputLButton) || core::IsInputRaised(core::kInputEnter) ||
           core::IsInputRaised(core::kInputSpace) || core::IsInputRaised(core::kInputWheelDown);
}

void ResetInput() {
    core::ResetInputEvents(core::CurrentInputWorld());
}

// The object's picture changed over its whole area.
void MarkChanged(scene::SceneObject* o) {
    if (o->image) render::AddDirtyDrawable(o->image);
}

void ClearImages(scene::SceneObject* o, TextPayload* t) {
    render::Image* main = o->image ? o->image->image : nullptr;
    for (render::Image* img : {main, t->outline}) {
        if (!img) continue;
        for (int32_t r = 0; r < img->height; ++r)
            std::memset(img->rows[r], 0, static_cast<size_t>(img->width) * 4);
    }
    MarkChanged(o);
}

// A line break of the script text is read as a whole: both bytes of a
// CR LF (the script walker marks every break byte it passes, so a block is
// wholly read only when the text it shows marked its breaks the same way).
int MarkBreakRead(const script::ScriptFile* file, const char* at) {
    int changed = script::MarkRead(file, at);
    if (at[0] == '\r' && at[1] == '\n') changed |= script::MarkRead(file, at + 1);
    return changed;
}

bool BreakIsRead(const script::ScriptFile* file, const char* at) {
    if (!script::IsRead(file, at)) return false;
    return !(at[0] == '\r' && at[1] == '\n') || script::IsRead(file, at + 1);
}

// Marks the text positions up to the next stop read; the page counts as
// read when they all were before.
void LookUpRead(TextPayload* t) {
    if (!t->script) return;
    const auto* file = static_cast<const script::ScriptFile*>(t->script);
    int read = 1, any = 0;
    for (int i = t->cursor; i < t->count; ++i) {
        const CharAttributes& at = t->attributes[i];
        if (i > t->cursor && at.stopState) break;
        for (const char* position : {at.textPosition, at.readAlso}) {
            if (!position) continue;
            any = 1;
            if (!BreakIsRead(file, position)) read = 0;
        }
        if (!read) break;
    }
    if (any) t->read = read;
}

// Records the page's text up to the next stop as the last text.
void RecordLastText(TextPayload* t) {
    char* out = script::GetSystemValues().lastText;
    size_t n = 0;
    for (int i = t->cursor; i < t->count && n + 2 < 505; ++i) {
        if (i > t->cursor && t->attributes[i].stopState) break;
        int32_t code = t->characters[i].record.code;
        if (!t->characters[i].glyph || code <= 0) continue;
        if (code > 0xFF) out[n++] = static_cast<char>(code >> 8);
        out[n++] = static_cast<char>(code & 0xFF);
    }
    out[n] = 0;
}

// Draws the due ruby characters of groups the base text has reached.
void DrawRuby(scene::SceneObject* o, TextPayload* t, int index) {
    render::Image* main = o->image ? o->image->image : nullptr;
    const CharAttributes& at = t->attributes[index];
    if (at.rubyFirst < 0 || !main) return;
    int baseEnd = std::min(t->count, index + at.rubyBase);
    int lastBase = index;
    for (int i = index; i < baseEnd; ++i)
        if (t->characters[i].glyph) lastBase = i;
    const CharEntry& first = t->characters[index];
    const CharEntry& last = t->characters[lastBase];
    if (!first.glyph) return;
    int n = at.rubyCount;
    uint32_t fill = t->read && script::GetSystemValues().readTextColorChange ? kReadFill : at.fill;
    if (n == at.rubyBase) {
        for (int i = 0; i < n; ++i) {
            const CharEntry& base = t->characters[index + i];
            const CharEntry& ruby = t->ruby[at.rubyFirst + i];
            if (!base.glyph || !ruby.glyph || !base.glyph->image || !ruby.glyph->image) continue;
            int32_t x = base.glyph->x + base.glyph->image->width / 2 - ruby.glyph->image->width / 2;
            int32_t y = base.glyph->y + ruby.record.topOffset - base.record.topOffset - t->rubyBand;
            StampGlyph(main, ruby.glyph->image, x, y, true, fill);
        }
    } else {
        int32_t start = first.glyph->x;
        int32_t span = last.glyph->x + last.record.advance - start;
        int32_t u = std::max(span / (n + 1), t->rubyBand);
        int32_t offset = (span - u * n) / 2;
        int32_t left = std::clamp(start + offset, 0, std::max(0, main->width - u * n));
        for (int i = 0; i < n; ++i) {
            const CharEntry& ruby = t->ruby[at.rubyFirst + i];
            if (!ruby.glyph || !ruby.glyph->image) continue;
            int32_t x = left + u / 2 + i * u - (ruby.glyph->image->width - ruby.record.boxWidth) / 2 -
                        ruby.glyph->image->width / 2;
            int32_t y = first.glyph->y - first.record.topOffset + ruby.record.topOffset - t->rubyBand;
            StampGlyph(main, ruby.glyph->image, x, y, true, fill);
        }
    }
}

// Reveals the character at the cursor and moves on.
void RevealOne(scene::SceneObject* o, TextPayload* t) {
    int i = t->cursor;
    const CharEntry& c = t->characters[i];
    const CharAttributes& at = t->attributes[i];
    render::Image* main = o->image ? o->image->image : nullptr;
    if (c.glyph && c.glyph->image && main) {
        bool read = t->read && script::GetSystemValues().readTextColorChange;
        StampGlyph(main, c.glyph->image, c.glyph->x, c.glyph->y, true, read ? kReadFill : at.fill);
        if (t->outline && at.direction)
            StampGlyph(t->outline, c.glyph->image, c.glyph->x, c.glyph->y, true,
                       read ? kReadOutline : at.outline);
        if (at.rubyFirst >= 0) DrawRuby(o, t, i);
        t->iconX = o->position[0] + c.glyph->x + c.glyph->image->width;
        t->iconY = o->position[1] + c.glyph->y - c.record.topOffset;
        if (!Uncounted(c.record.code)) ++t->revealed;
        if (t->backlog) BacklogAppend(static_cast<uint32_t>(c.record.code));
    }
    if (at.backlogLineEnd && t->backlog) BacklogAppend(10);
    if (t->script) {
        const auto* file = static_cast<const script::ScriptFile*>(t->script);
        if (at.textPosition) MarkBreakRead(file, at.textPosition);
        if (at.readAlso) MarkBreakRead(file, at.readAlso);
    }
    ++t->cursor;
}

// Marks the slot's text position read; reaching unread text ends skipping
// unless skipping is absolute.
void MarkSlotRead(TextPayload* t) {
    if (!t->script || t->cursor >= t->count) return;
    const CharAttributes& at = t->attributes[t->cursor];
    const auto* file = static_cast<const script::ScriptFile*>(t->script);
    bool unread = false;
    for (const char* position : {at.textPosition, at.readAlso})
        if (position && MarkBreakRead(file, position)) unread = true;
    if (unread && Skipping() && !script::GetSystemValues().skipAbsolute)
        script::GetSystemValues().skip = 0;
}

// Step 6: a click stop begins.
int BeginStop(TextPayload* t, CharAttributes& at) {
    if (Skipping() || Restoring()) {
        at.stopState = 0;
        return 1;
    }
    if (Automatic()) {
        int per = script::GetSystemValues().autoWaitPerCharacter;
        t->autoWait = per;
        at.extraWait = (per == 0 ? 1 : per) * std::max(t->revealed, 1);
        at.stopState = 3;
        ShowTextIcon(t, kIconAuto);
        return kWaiting;
    }
    ResetInput();
    at.stopState = 2;
    core::NoteTextStop();
    if (t->icon) ShowTextIcon(t, at.iconKind == 1 ? kIconPage : kIconLine);
    return kWaiting;
}

// A stop is over (clicked, or its automatic wait ran out): the page is
// cleared when it ends here, and counting starts again.
void EndStop(scene::SceneObject* o, TextPayload* t, CharAttributes& at) {
    at.stopState = 0;
    HideTextIcon(t);
    if (at.pageClear || t->pendingClear >= 0) {
        ClearImages(o, t);
        t->pendingClear = -1;
    }
    t->revealed = 0;
    t->finishNow = 0;
    t->voiceInterval = 0;
    t->pageStarted = 0;
    t->lastStep = core::NowMs();
}

// Step 7: waiting for the click.
int WaitForClick(scene::SceneObject* o, TextPayload* t, CharAttributes& at) {
    const script::SystemValues& v = script::GetSystemValues();
    bool ended = Skipping();
    if (!ended) {
        bool blocked = core::CursorShape() == core::kCursorIdHand || v.textErase || !v.textWaitKey;
        ended = !blocked && InputCame();
    }
    if (!ended) {
        if (Automatic()) {
            at.stopState = 1;
            return BeginStop(t, at);
        }
        return kWaiting;
    }
    ResetInput();
    StopTextVoice(t, v.clickBreakVoice != 0);
    EndStop(o, t, at);
    return 1;
}

// Step 5: the extra wait before the slot; true while it holds.
bool ExtraWaitHolds(scene::SceneObject* o, TextPayload* t, CharAttributes& at, uint32_t now) {
    const script::SystemValues& v = script::GetSystemValues();
    bool paced = Skipping() || Automatic();
    if (at.stopState == 3 && !Automatic() && !Skipping()) {
        at.stopState = 1;
        at.extraWait = 0;
        return true;
    }
    if (at.extraWait <= 0) return false;
    double elapsed = RevealSpeed() * static_cast<double>(now - t->lastStep);
    bool changed = at.stopState == 3 && v.autoWaitPerCharacter != t->autoWait;
    if (elapsed < at.extraWait && !(paced && changed)) return true;
    if (TextVoicePlaying(t)) {
        if (v.autoTextBreakVoice) StopTextVoice(t, true);
        else if (paced) return true;
    }
    at.extraWait = 0;
    t->voiceInterval = 0;
    t->lastStep = now;
    if (at.stopState == 3) EndStop(o, t, at);
    HideTextIcon(t);
    return false;
}

}  // namespace

double PlaySpeedFactor(int step) { return render::PlaySpeedOfStep(step); }

int TextRunning(scene::SceneObject* o) {
    TextPayload* t = o ? o->text : nullptr;
    return t && t->cursor < t->count ? 1 : 0;
}

int RevealStep(scene::SceneObject* o) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    TextPayload* t = o ? o->text : nullptr;
    if (!t) return 0;
    if (t->cursor >= t->count) {
        HideTextIcon(t);
        return 0;
    }
    const uint32_t now = core::NowMs();
    const script::SystemValues& v = script::GetSystemValues();
    MarkSlotRead(t);
    // Inline code that runs holds the text; once it has ended the clock
    // starts afresh and the whole frame is drawn again (the code may have
    // changed anything).
    if (t->inlineRunning) {
        if (InlineCodeRunning(t)) return Restoring() ? 1 : kWaiting;
        t->lastStep = now;
        render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
    }
    CharAttributes& at = t->attributes[t->cursor];
    if (at.interval >= 0) t->interval = at.interval;

    if (at.stopState == 0 || at.stopState == 3) {
        if (t->iconShown) MarkTextIconDirty(true);
        if (ExtraWaitHolds(o, t, at, now)) return kWaiting;
    }
    if (at.stopState == 1) return BeginStop(t, at);
    if (at.stopState == 2) {
        if (t->iconShown) MarkTextIconDirty(true);
        return WaitForClick(o, t, at);
    }

    // Voice and inline code at the slot (the voice goes to the backlog in
    // skip mode as well, ahead of the characters it speaks).
    if (at.voice >= 0 && t->backlog) BacklogVoice(t->voices[at.voice]);
    if (at.voice >= 0 && !Skipping()) {
        PlayTextVoice(t, t->voices[at.voice]);
        at.voice = -1;
        if (v.syncVoiceAndText && !v.ignoreVoiceSyncText) {
            int counted = 0;
            for (int i = t->cursor; i < t->count; ++i) {
                if (i > t->cursor && t->attributes[i].stopState) break;
                int32_t code = t->characters[i].record.code;
                if (t->characters[i].glyph && !Uncounted(code) && code != 0x8148 && code != 0x8149)
                    ++counted;
            }
            int32_t length = TextVoiceLength(t);
            if (length > 200) length -= 200;
            // No countable character: no pacing by the voice.
            t->voiceInterval = counted > 0 ? length / counted : 0;
        }
    } else if (at.voice >= 0) {
        at.voice = -1;
    }
    // Inline code at the slot runs before the text goes on (not while a
    // saved game is restored); code that cannot start is passed over.
    if (at.inlineCode) {
        bool started = !Restoring() && RunInlineCode(t, at);
        at.inlineCode = nullptr;
        at.inlineBlock = nullptr;
        if (started) return 1;
    }

    if (!t->pageStarted) {
        t->pageStarted = 1;
        if (t->backlog) RecordLastText(t);
    }
    LookUpRead(t);

    // A click or Enter while characters are still coming shows the rest of
    // the page at once (the click is used up: it does not also end the
    // stop that follows).
    if (!Skipping() && !t->finishNow && InputCame() && core::CursorShape() != core::kCursorIdHand) {
        t->finishNow = 1;
        ResetInput();
    }
    int revealedBefore = t->cursor;
    bool all = t->finishNow || t->push || (v.textSpeed == 0 && t->interval <= 0);
    int budget = 0;
    if (all || Skipping()) {
        budget = kTextCharacters;
    } else {
        int32_t p = t->interval > 0
                        ? t->interval
                        : static_cast<int32_t>((v.ignoreTextSpeed ? 1.0 : v.textSpeed) * v.textInterval);
        if (v.syncVoiceAndText && !v.ignoreVoiceSyncText && t->voiceInterval > 0) p = t->voiceInterval;
        double e = RevealSpeed() * static_cast<double>(now - t->lastStep);
        if (e < p) return kWaiting;
        budget = p <= 0 ? 1 : static_cast<int>(std::min<double>(e / p, kTextCharacters));
    }
    while (budget > 0 && t->cursor < t->count) {
        if (t->cursor > revealedBefore) {
            CharAttributes& next = t->attributes[t->cursor];
            if (Skipping() && next.stopState == 1) next.stopState = 0;
            if (Skipping() && next.voice >= 0) next.voice = -1;
            if (Stops(next) || (all && (next.textPosition || next.readAlso))) break;
        }
        RevealOne(o, t);
        --budget;
    }
    t->push = 0;
    t->lastStep = Restoring() ? 0 : now;
    MarkChanged(o);
    if (t->cursor >= t->count) return 0;
    return 1;
}

}  // namespace text
