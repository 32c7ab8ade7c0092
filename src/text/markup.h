// The tag parser of text markup: reads one tag of a text (after its "<")
// and reports what it asks for in a TagEffect record. Parsing changes
// nothing else; the layout walk applies placement effects (click stops,
// waits, intervals, fixed advance, centring, pre mode, ruby groups, value
// substitution) and hands font and voice effects to its owner.
//
// Tags and attribute names match in any letter case. Names are tried at each
// character, in a fixed order (FONT, I, U, S, K, CENTER, MIDDLE, PRE, SPAN,
// WAIT, INTERVAL, RUBY, VALUE, VOICE), a "/" before the name making it the
// closing form; any other text is passed over one character at a time until
// ">" (so a tag name met on the way, as in "<xK>", acts as that tag).
//
// Every copy goes into a fixed buffer of the record and is cut there: the
// attribute text at 511 bytes, a FACE at 63, a VALUE name at 127, a voice
// name at 31, its class at 63, its file name at 259, always at a whole
// Shift-JIS character.
#pragma once
#include <cstddef>
#include <cstdint>

namespace text {

constexpr size_t kTagAttributeSize = 512;
constexpr size_t kTagFaceSize = 64;
constexpr size_t kTagValueNameSize = 128;
constexpr size_t kVoiceNameSize = 32;
constexpr size_t kVoiceClassSize = 64;
constexpr size_t kVoiceSourceSize = 260;

enum TagKind : int32_t {
    kTagNone = 0,      // no tag recognised: passed over to ">"
    kTagFont,          // attributes below, any subset (none: changes nothing)
    kTagFontEnd,       // back to the default font
    kTagItalic, kTagItalicEnd,
    kTagUnderline, kTagUnderlineEnd,
    kTagStrike, kTagStrikeEnd,
    kTagClick,         // click stop before the next character (line icon)
    kTagCenter, kTagCenterEnd,
    kTagMiddle, kTagMiddleEnd,
    kTagPre, kTagPreEnd,
    kTagSpan,          // number: fixed advance (< 1: each glyph's own)
    kTagSpanEnd,
    kTagWait,          // number: extra wait before the next character
    kTagInterval,      // number: reveal interval from the next character
    kTagIntervalEnd,
    kTagRuby,          // ruby text over the base text up to </RUBY>
    kTagRubyEnd,
    kTagValue,         // valueName: a variable's text in place of the tag
    kTagVoice,         // voice record for the next character
};

struct TagEffect {
    int32_t kind;
    int32_t hasNumber;  // SPAN, WAIT, INTERVAL: a numeric value was given
    int32_t number;
    // FONT
    int32_t hasFill, hasOutline, hasFace, hasSize;
    uint32_t fill, outline;  // 0xRRGGBB
    char face[kTagFaceSize];
    int32_t size;
    // RUBY: the reading, in the source text (not copied), and the number of
    // base characters up to the next </RUBY>.
    const char* rubyText;
    int32_t rubyLength;
    int32_t rubyBase;
    // VALUE
    char valueName[kTagValueNameSize];
    // VOICE
    char voiceName[kVoiceNameSize];
    char voiceClass[kVoiceClassSize];
    char voiceSource[kVoiceSourceSize];
    int32_t voiceEnabled;  // 0 for MODE=OFF
    int32_t skipBreak;     // a line break right after the tag belongs to it
    const char* breakAt;   // where that line break is in the text (null: none)
};

// Parses the tag whose "<" is just before `p`, in [p, end). `*next`
// receives where the text goes on: after the closing ">", or `end` when the
// tag runs to the end of the text. Returns 1 when the closing ">" was
// reached or the text ended, 0 otherwise (never: kept for callers that test).
int ParseTag(const char* p, const char* end, TagEffect* out, const char** next);

// Copies [from, to) into out (size bytes, NUL-terminated), cut at a whole
// Shift-JIS character. Returns the bytes copied.
size_t CopyBounded(const char* from, const char* to, char* out, size_t size);

}  // namespace text
