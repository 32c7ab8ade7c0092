// The backlog stream: appending with the wrapping rules, voice markers,
// clearing, the save record and the walks the grid drawing needs.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/engine.h"
#include "text/backlog.h"
#include "text/state.h"

namespace text {

namespace {

constexpr uint32_t kRecordMagic = 0x42535643;  // "CVSB" read as a little-endian word
constexpr uint32_t kRecordCheck = 0xF1F1FAC4;
constexpr size_t kRecordHeader = 20;

bool IsLineUnit(uint16_t u) {
    return u == kUnitSoftBreak || u == kUnitLineBreak || u == kUnitRowBreak;
}

bool InList(const std::vector<uint16_t>& list, uint16_t code) {
    return std::find(list.begin(), list.end(), code) != list.end();
}

// The character codes of a Shift-JIS text.
std::vector<uint16_t> CodesOf(const std::string& text) {
    std::vector<uint16_t> out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint8_t b = static_cast<uint8_t>(text[i]);
        if (b >= 0x80 && i + 1 < text.size() && !(b >= 0xA0 && b <= 0xDF)) {
            out.push_back(static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(text[i + 1])));
            ++i;
        } else {
            out.push_back(b);
        }
    }
    return out;
}

void ReadSettingsLocked(Backlog& b) {
    const core::Settings& s = core::Current().settings;
    // A row holds at least one character; the settings bound it above.
    b.wordInRow = std::clamp(s.wordInRow, 1, kBacklogMaxWordInRow);
    b.badStart = CodesOf(s.badStart);
    b.badEnd = CodesOf(s.badEnd);
    b.settingsRead = true;
}

// The stream on first use; false when memory runs out.
bool EnsureStream(Backlog& b) {
    if (!b.settingsRead) ReadSettingsLocked(b);
    if (b.stream) return true;
    b.stream.reset(new (std::nothrow) uint16_t[kBacklogUnits]);
    if (!b.stream) return false;
    b.ready = true;
    return true;
}

bool Appending() {
    return core::Current().state.load(std::memory_order_relaxed) != core::StateSystemScript;
}

// One character or a line break by the wrapping rules. Lock held.
void AppendLocked(Backlog& b, uint16_t k) {
    if (!EnsureStream(b)) return;
    // Room for the character and the break that may follow it.
    if (b.end + 2 > kBacklogUnits) return;
    uint16_t* s = b.stream.get();
    const uint16_t last = b.end ? s[b.end - 1] : 0;
    if (k != kUnitLineBreak && (last == kUnitLineBreak || last == kUnitRowBreak) &&
        InList(b.badStart, k)) {
        // The character hangs at the end of the row before.
        s[b.end - 1] = k;
        s[b.end++] = kUnitSoftBreak;
        b.column = 0;
        b.changed = true;
        return;
    }
    if (k == kUnitLineBreak) {
        // An explicit break right after an automatic one gives one break.
        if (last == kUnitRowBreak || last == kUnitSoftBreak) {
            --b.end;
            --b.rows;
        }
        s[b.end++] = kUnitLineBreak;
        ++b.rows;
        b.column = 0;
        b.changed = true;
        return;
    }
    s[b.end++] = k;
    ++b.column;
    if (b.column >= b.wordInRow) {
        if (InList(b.badEnd, k)) {
            // Pushed to the next row, which then already holds it.
            s[b.end - 1] = kUnitSoftBreak;
            s[b.end++] = k;
            b.column = 1;
        } else {
            s[b.end++] = kUnitRowBreak;
            b.column = 0;
        }
        ++b.rows;
    }
    b.changed = true;
}

// A name's bytes for a marker: none below 0x20 (they would end the marker).
bool MarkerName(const char* name, size_t limit, size_t* length) {
    size_t n = name ? std::strlen(name) : 0;
    if (n >= limit) return false;
    for (size_t i = 0; i < n; ++i)
        if (static_cast<uint8_t>(name[i]) < 0x20) return false;
    *length = n;
    return true;
}

void PutWord(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

void BacklogReadSettings() {
    Backlog& b = State().backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    ReadSettingsLocked(b);
}

void BacklogAppendCode(uint32_t code) {
    if (!Appending()) return;
    Backlog& b = State().backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    if (code > 0xFFFF) {
        // A pair glyph: its two characters, the first one first.
        uint16_t first = static_cast<uint16_t>(code >> 16), second = static_cast<uint16_t>(code);
        if (first >= 0x20) AppendLocked(b, first);
        if (second >= 0x20) AppendLocked(b, second);
        return;
    }
    // Line units other than the explicit break and other control codes
    // would be read as row ends or voice markers.
    if (code < 0x20 && code != kUnitLineBreak) return;
    AppendLocked(b, static_cast<uint16_t>(code));
}

void BacklogAppendVoice(const char* voiceClass, const char* file) {
    if (!Appending()) return;
    size_t classLength = 0, fileLength = 0;
    if (!MarkerName(voiceClass, kBacklogVoiceClassSize, &classLength) ||
        !MarkerName(file, kBacklogVoiceFileSize, &fileLength) || fileLength == 0) {
        std::fprintf(stderr, "velmoor: backlog: voice name not recorded: %s\n", file ? file : "");
        return;
    }
    Backlog& b = State().backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    if (!EnsureStream(b)) return;
    const size_t need = 4 + classLength + fileLength;
    // Whole or not at all: a marker cut short would swallow what follows.
    if (b.end + need > kBacklogUnits) return;
    uint16_t* s = b.stream.get();
    s[b.end++] = kUnitVoiceEdge;
    s[b.end++] = kUnitVoiceSplit;
    for (size_t i = 0; i < classLength; ++i) s[b.end++] = static_cast<uint8_t>(voiceClass[i]);
    s[b.end++] = kUnitVoiceSplit;
    for (size_t i = 0; i < fileLength; ++i) s[b.end++] = static_cast<uint8_t>(file[i]);
    s[b.end++] = kUnitVoiceEdge;
    b.changed = true;
}

void BacklogAppendText(const char* text) {
    for (const char* p = text ? text : ""; *p;) {
        uint8_t lead = static_cast<uint8_t>(*p);
        if (lead >= 0x80 && !(lead >= 0xA0 && lead <= 0xDF) && p[1]) {
            BacklogAppendCode(static_cast<uint32_t>(lead) << 8 | static_cast<uint8_t>(p[1]));
            p += 2;
        } else {
            // A CR LF inside the text is one line break.
            if (lead == '\r' && p[1] == '\n') ++p;
            BacklogAppendCode(*p == '\r' ? static_cast<uint32_t>(kUnitLineBreak) : static_cast<uint8_t>(*p));
            ++p;
        }
    }
    BacklogAppendCode(kUnitLineBreak);
}

void BacklogClear() {
    Backlog& b = State().backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    b.end = 0;
    b.rows = 0;
    b.column = 0;
    b.scroll = 0;
    b.dragX = b.dragY = -32768;
    b.changed = true;
    for (BacklogRowVoice& r : b.rowVoices) r = BacklogRowVoice{};
}

bool BacklogCheckUnits(const uint16_t* units, size_t count, int32_t* rows, int32_t* column) {
    int32_t r = 0, c = 0;
    for (size_t i = 0; i < count; ++i) {
        uint16_t u = units[i];
        if (u == kUnitVoiceEdge) {
            size_t next = BacklogSkipVoice(units, count, i);
            if (next == i) return false;
            i = next - 1;
        } else if (IsLineUnit(u)) {
            ++r;
            c = 0;
        } else if (u < 0x20) {
            return false;
        } else {
            ++c;
        }
    }
    if (rows) *rows = r;
    if (column) *column = c;
    return true;
}

size_t BacklogSkipVoice(const uint16_t* units, size_t end, size_t at) {
    if (at + 1 >= end || units[at] != kUnitVoiceEdge || units[at + 1] != kUnitVoiceSplit) return at;
    size_t i = at + 2;
    size_t part = 0;
    for (int field = 0; field < 2; ++field) {
        const uint16_t close = field == 0 ? kUnitVoiceSplit : kUnitVoiceEdge;
        const size_t limit = field == 0 ? kBacklogVoiceClassSize : kBacklogVoiceFileSize;
        part = 0;
        for (;; ++i, ++part) {
            if (i >= end || part >= limit) return at;
            uint16_t u = units[i];
            if (u == close) break;
            if (u < 0x20 || u > 0xFF) return at;
        }
        ++i;
    }
    // A marker always names a file.
    return part == 0 ? at : i;
}

size_t BacklogFirstShownUnit(const uint16_t* units, size_t end, int32_t rowMax, int32_t scroll) {
    size_t i = end;
    // A line unit at the very end closes the newest row; it opens no new one.
    if (i > 0 && IsLineUnit(units[i - 1])) --i;
    int64_t wanted = static_cast<int64_t>(rowMax) + std::max(0, scroll);
    int64_t seen = 0;
    while (i > 0) {
        uint16_t u = units[i - 1];
        if (u == kUnitVoiceEdge) {
            // Back over a whole marker: its opening edge is the next 16.
            size_t j = i - 1;
            while (j > 0 && units[j - 1] != kUnitVoiceEdge) --j;
            i = j > 0 ? j - 1 : 0;
            continue;
        }
        if (IsLineUnit(u) && ++seen >= wanted) return i;
        --i;
    }
    return 0;
}

std::vector<uint8_t> BacklogSerialize(core::Engine& engine) {
    Backlog& b = engine.text->backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    const size_t units = b.stream ? b.end : 0;
    std::vector<uint8_t> out(kRecordHeader + units * 2);
    PutWord(out, 0, kRecordMagic);
    PutWord(out, 4, kRecordCheck);
    PutWord(out, 8, static_cast<uint32_t>(out.size()));
    PutWord(out, 12, static_cast<uint32_t>(b.rows));
    PutWord(out, 16, static_cast<uint32_t>(b.scroll));
    for (size_t i = 0; i < units; ++i) {
        out[kRecordHeader + 2 * i] = static_cast<uint8_t>(b.stream[i]);
        out[kRecordHeader + 2 * i + 1] = static_cast<uint8_t>(b.stream[i] >> 8);
    }
    return out;
}

namespace {

struct ParsedRecord {
    std::vector<uint16_t> units;
    int32_t rows = 0, column = 0, scroll = 0;
};

// Reads and checks a record made by BacklogSerialize; false on any fault.
bool ParseRecord(const uint8_t* data, size_t size, ParsedRecord* out) {
    if (!data || size < kRecordHeader) return false;
    if (GetWord(data) != kRecordMagic || GetWord(data + 4) != kRecordCheck) return false;
    const uint32_t recorded = GetWord(data + 8);
    if (recorded < kRecordHeader || recorded > size) return false;
    size_t count = (recorded - kRecordHeader) / 2;
    if (count > kBacklogUnits) return false;
    std::vector<uint16_t>& units = out->units;
    units.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        units[i] = static_cast<uint16_t>(data[kRecordHeader + 2 * i] |
                                         data[kRecordHeader + 2 * i + 1] << 8);
        // The stream ends at its first 0 unit.
        if (units[i] == 0) {
            units.resize(i);
            break;
        }
    }
    if (!BacklogCheckUnits(units.data(), units.size(), &out->rows, &out->column)) return false;
    out->scroll = static_cast<int32_t>(GetWord(data + 16));
    return true;
}

}  // namespace

bool BacklogRecordValid(const uint8_t* data, size_t size) {
    ParsedRecord parsed;
    return ParseRecord(data, size, &parsed);
}

bool BacklogRestore(core::Engine& engine, const uint8_t* data, size_t size) {
    ParsedRecord parsed;
    if (!ParseRecord(data, size, &parsed)) return false;
    const std::vector<uint16_t>& units = parsed.units;
    const int32_t rows = parsed.rows, column = parsed.column, scroll = parsed.scroll;

    Backlog& b = engine.text->backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    if (!b.stream) {
        b.stream.reset(new (std::nothrow) uint16_t[kBacklogUnits]);
        if (!b.stream) return false;
        b.ready = true;
    }
    std::copy(units.begin(), units.end(), b.stream.get());
    b.end = units.size();
    // The counts follow the units; a saved count that disagrees is not used.
    b.rows = rows;
    b.column = column;
    b.scroll = std::clamp(scroll, 0, rows);
    b.dragX = b.dragY = -32768;
    b.changed = true;
    return true;
}

}  // namespace text
