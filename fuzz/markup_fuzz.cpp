// Fuzz target for text markup: the first byte chooses the tag parser alone
// (0), the string layout (1) or the text-block layout (2); the rest is the
// text. Layout runs over fixed metrics with hooks that substitute a long
// value and collect tag effects; every placed slot must lie in the output
// and every position inside the text.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text/markup.h"
#include "text/text_layout.h"

namespace {

int Measure(void*, text::CharRecord* r) {
    bool wide = r->code > 0xFF;
    r->leftBearing = 1;
    r->topOffset = 2;
    r->boxWidth = wide ? 20 : 8;
    r->boxRows = 16;
    r->advance = wide ? 20 : 10;
    r->lineHeight = 20;
    return 1;
}

void Tag(void*, int next, const text::TagEffect& e) {
    if (next < 0 || next > text::kTextCharacters) __builtin_trap();
    if (std::strlen(e.face) >= sizeof(e.face) || std::strlen(e.voiceName) >= sizeof(e.voiceName) ||
        std::strlen(e.voiceClass) >= sizeof(e.voiceClass) ||
        std::strlen(e.voiceSource) >= sizeof(e.voiceSource) ||
        std::strlen(e.valueName) >= sizeof(e.valueName))
        __builtin_trap();
}

void Value(void*, const char*, char* out, size_t size) {
    // Longer than the buffer, with tags of its own: cut, never expanded again.
    std::string v;
    while (v.size() < 3000) v += "<VALUE NAME=x>ab<K>";
    std::strncpy(out, v.c_str(), size - 1);
    out[size - 1] = 0;
}

const text::LayoutHooks kHooks = {Tag, Value, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* begin = input.c_str();
    const char* end = begin + input.size();
    switch (data[0] % 3) {
        case 0: {
            text::TagEffect e;
            const char* next = nullptr;
            text::ParseTag(begin, end, &e, &next);
            if (next < begin || next > end) __builtin_trap();
            if (e.kind == text::kTagRuby && (e.rubyText < begin || e.rubyText + e.rubyLength > end))
                __builtin_trap();
            break;
        }
        case 1:
        case 2: {
            text::LayoutRules rules;
            rules.width = 300;
            rules.height = 200;
            rules.hooks = &kHooks;
            std::vector<text::PlacedChar> out(text::kTextCharacters);
            int count = -1;
            text::BlockEnd blockEnd{};
            if (data[0] % 3 == 1)
                text::LayOutText(begin, rules, Measure, nullptr, out.data(), text::kTextCharacters, &count);
            else
                text::LayOutTextBlock(begin, end, rules, Measure, nullptr, out.data(),
                                      text::kTextCharacters, &count, &blockEnd);
            if (count < 0 || count > text::kTextCharacters) __builtin_trap();
            break;
        }
    }
    return 0;
}
