// The reveal's services: text icon state, the backlog seam, voices of text
// and inline code.
#include "text/reveal_services.h"

#include <cstdio>

#include "core/clock.h"
#include "render/dirty_rect.h"
#include "script/system_variables.h"
#include "text/state.h"
#include "text/text_icons.h"
#include "text/text_object.h"

namespace text {

void ShowTextIcon(TextPayload* t, int32_t kind) {
    TextContext& s = State();
    const script::SystemValues& v = script::GetSystemValues();
    if (v.textIconDisable) return;
    s.iconKind = kind;
    if (v.textIconX > 0 && v.textIconY > 0) {
        s.iconX = v.textIconX;
        s.iconY = v.textIconY;
    } else {
        s.iconX = t->iconX;
        s.iconY = t->iconY;
    }
    s.iconStart = core::NowMs();
    t->iconShown = kind;
    LoadTextIcons(kind);
    MarkTextIconDirty();
}

void HideTextIcon(TextPayload* t) {
    if (!t->iconShown) return;
    MarkTextIconDirty();
    t->iconShown = 0;
    State().iconKind = 0;
}

void BacklogAppend(uint32_t code) {
    if (auto append = State().hooks.backlogAppend) append(code);
}

void BacklogVoice(const VoiceRecord& voice) {
    if (!voice.source[0]) return;
    if (auto record = State().hooks.backlogVoice) record(voice.voiceClass, voice.source);
}

void PlayTextVoice(TextPayload* t, const VoiceRecord& voice) {
    TextHooks& h = State().hooks;
    StopTextVoice(t, true);
    if (!voice.enabled || !h.playVoice) return;
    t->playingVoice = h.playVoice(voice.source, voice.voiceClass);
}

bool TextVoicePlaying(TextPayload* t) {
    TextHooks& h = State().hooks;
    return t->playingVoice && h.voicePlaying && h.voicePlaying(t->playingVoice);
}

int32_t TextVoiceLength(TextPayload* t) {
    TextHooks& h = State().hooks;
    return t->playingVoice && h.voiceLength ? h.voiceLength(t->playingVoice) : 0;
}

void StopTextVoice(TextPayload* t, bool stop) {
    TextContext& s = State();
    TextHooks& h = s.hooks;
    // A forgotten voice plays on until the next voice of text replaces it.
    if (stop && s.lingeringVoice) {
        if (h.stopVoice) h.stopVoice(s.lingeringVoice, 1);
        s.lingeringVoice = nullptr;
    }
    if (!t->playingVoice) return;
    if (stop) {
        if (h.stopVoice) h.stopVoice(t->playingVoice, 1);
    } else {
        if (s.lingeringVoice && h.stopVoice) h.stopVoice(s.lingeringVoice, 1);
        s.lingeringVoice = t->playingVoice;
    }
    t->playingVoice = nullptr;
}

void RunInlineCode(TextPayload*, const char*) {
    // Inline code of text is not run yet: the reveal goes on past it, and
    // says so once rather than ending the text.
    TextContext& s = State();
    if (s.inlineWarned) return;
    s.inlineWarned = true;
    std::fprintf(stderr, "velmoor: inline code in text is skipped\n");
}

}  // namespace text
