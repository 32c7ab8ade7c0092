// The reveal's services: text icon state, the backlog seam, voices of text
// and inline code.
#include "text/reveal_services.h"

#include <cstdio>

#include "core/clock.h"
#include "render/dirty_rect.h"
#include "script/interp.h"
#include "script/system_variables.h"
#include "text/state.h"
#include "text/text_icons.h"
#include "text/text_object.h"
#include "text/voice_class.h"

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
    s.iconDrawnFrame = -1;
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
    // A voice of a class the player turned off is not heard; without a
    // playing voice the text is not paced by it either.
    if (!voice.enabled || !h.playVoice || !VoiceClassEnabled(voice.voiceClass)) return;
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

bool RunInlineCode(TextPayload* t, const CharAttributes& at) {
    auto* block = static_cast<script::ScriptBlock*>(at.inlineBlock);
    if (block && script::StartInlineBlock(block, t->inlinePrefix)) {
        t->inlineRunning = block;
        return true;
    }
    std::fprintf(stderr, "velmoor: inline code of text \"%s\" %s; the text goes on without it\n",
                 t->textName, block ? "could not start" : "was not found among the script's blocks");
    return false;
}

bool InlineCodeRunning(TextPayload* t) {
    if (!t->inlineRunning) return false;
    if (script::InlineBlockRunning(static_cast<script::ScriptBlock*>(t->inlineRunning))) return true;
    t->inlineRunning = nullptr;
    return false;
}

}  // namespace text
