// Which voices of text play, by voice class. The settings list every voice
// class the game knows (voice section, all_name); a listed class plays only
// while SYSTEM_voice_enable_list names it, and any other class (a voice
// without a class included) plays while SYSTEM_voice_enable_another is not 0.
// A voice that does not play is not heard and does not pace its text.
//
// Lists are Shift-JIS class names separated by commas or blanks (space, tab,
// full-width space); names compare byte for byte.
#pragma once

namespace text {

// Whether `list` names `voiceClass` (an empty class is never named).
bool ListNamesClass(const char* list, const char* voiceClass);

// The rule above over the given values.
bool VoiceClassEnabled(const char* voiceClass, const char* allClasses, const char* enabledList,
                       int enableAnother);

// The rule over the engine's settings and system values (read without a
// lock: a value one frame old is fine).
bool VoiceClassEnabled(const char* voiceClass);

}  // namespace text
