// Voice classes: which voices of text play.
#include "text/voice_class.h"

#include <cstring>

#include "core/engine.h"
#include "script/sjis.h"
#include "script/system_variables.h"

namespace text {

namespace {

// Length of the separator at p (comma, space, tab, full-width space), or 0.
int SeparatorLength(const char* p) {
    if (*p == ',' || *p == ' ' || *p == '\t') return 1;
    if (static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40) return 2;
    return 0;
}

}  // namespace

bool ListNamesClass(const char* list, const char* voiceClass) {
    if (!list || !voiceClass || !*voiceClass) return false;
    const size_t length = std::strlen(voiceClass);
    const char* p = list;
    while (*p) {
        int gap = SeparatorLength(p);
        if (gap) {
            p += gap;
            continue;
        }
        const char* start = p;
        while (*p && !SeparatorLength(p)) p = script::IsLeadByte(*p) && p[1] ? p + 2 : p + 1;
        if (static_cast<size_t>(p - start) == length && std::memcmp(start, voiceClass, length) == 0)
            return true;
    }
    return false;
}

bool VoiceClassEnabled(const char* voiceClass, const char* allClasses, const char* enabledList,
                       int enableAnother) {
    if (ListNamesClass(allClasses, voiceClass)) return ListNamesClass(enabledList, voiceClass);
    return enableAnother != 0;
}

bool VoiceClassEnabled(const char* voiceClass) {
    const script::SystemValues& v = script::GetSystemValues();
    return VoiceClassEnabled(voiceClass, core::Current().settings.voiceAllName.c_str(),
                             v.voiceEnableList, v.voiceEnableAnother);
}

}  // namespace text
