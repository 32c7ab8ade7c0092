// The settings file's keys with their types and ranges, line by line.
#include "shell/settings_check.h"

#include <cstdint>
#include <cstdlib>

#include "platform/encoding.h"
#include "shell/settings.h"

namespace shell {

namespace {

enum class Kind { kText, kInteger, kColour, kSwitch, kIcon };

struct KeyRule {
    const char* section;  // UTF-8
    const char* key;
    Kind kind;
    long low = 0, high = 0;  // integers: the range; texts: the longest value (bytes)
};

const KeyRule kRules[] = {
    {"プロダクト", "bland", Kind::kText, 0, 1023},
    {"プロダクト", "name", Kind::kText, 0, 1023},
    {"プロダクト", "version", Kind::kText, 0, 1023},
    {"セーブ", "enable", Kind::kSwitch},
    {"セーブ", "path", Kind::kText, 0, 259},
    {"スクリプト", "start", Kind::kText, 0, 259},
    {"スクリプト", "menu", Kind::kText, 0, 259},
    {"スクリプト", "save", Kind::kText, 0, 259},
    {"スクリプト", "load", Kind::kText, 0, 259},
    {"スクリプト", "config", Kind::kText, 0, 259},
    {"スクリプト", "back", Kind::kText, 0, 259},
    {"スクリプト", "close", Kind::kText, 0, 259},
    {"スクリプト", "reset", Kind::kText, 0, 259},
    {"フォント", "face", Kind::kText, 0, 255},
    {"フォント", "size", Kind::kInteger, 1, 1000},
    {"フォント", "weight", Kind::kInteger, 0, 1000},
    {"フォント", "inline", Kind::kColour},
    {"フォント", "outline", Kind::kColour},
    {"サウンド", "bgm_volume", Kind::kInteger, 0, 1000},
    {"サウンド", "se_volume", Kind::kInteger, 0, 1000},
    {"サウンド", "voice_volume", Kind::kInteger, 0, 1000},
    {"ボイス", "all_name", Kind::kText, 0, 511},
    {"テキスト", "margin_line", Kind::kInteger, -1000, 1000},
    {"テキスト", "margin_row", Kind::kInteger, 0, 1000},
    {"テキスト", "bad_start", Kind::kText, 0, 255},
    {"テキスト", "bad_end", Kind::kText, 0, 255},
    {"テキスト", "ruby_rate", Kind::kInteger, 0, 100},
    {"アイコン", "icon_line", Kind::kIcon},
    {"アイコン", "icon_page", Kind::kIcon},
    {"アイコン", "icon_auto", Kind::kIcon},
    {"バックログ", "script", Kind::kText, 0, 259},
    {"バックログ", "icon_voice", Kind::kIcon},
    {"バックログ", "word_in_row", Kind::kInteger, 1, 32},
    {"メニュー", "enable", Kind::kSwitch},
    {"ウィンドウ", "bgcolor", Kind::kColour},
    {"ウィンドウ", "title", Kind::kText, 0, 255},
};

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// Splits into lines without their CR LF; `lfOnly` is set when a line ends in LF alone.
std::vector<std::string> Lines(const std::string& text, bool* lfOnly) {
    std::vector<std::string> lines;
    size_t start = 0;
    *lfOnly = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') continue;
        size_t end = i;
        if (i < text.size() && (end == start || text[end - 1] != '\r')) *lfOnly = true;
        if (end > start && text[end - 1] == '\r') --end;
        lines.push_back(text.substr(start, end - start));
        start = i + 1;
    }
    return lines;
}

bool IsInteger(const std::string& value, long* out) {
    if (value.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(value.c_str(), &end, 10);
    if (*end) return false;
    *out = v;
    return true;
}

std::string CheckValue(const KeyRule& rule, const std::string& value) {
    std::string key = rule.key;
    switch (rule.kind) {
        case Kind::kText:
            if (value.size() > static_cast<size_t>(rule.high))
                return key + ": the value is longer than " + std::to_string(rule.high) +
                       " bytes, so the key counts as missing";
            return {};
        case Kind::kInteger: {
            long v = 0;
            if (!IsInteger(value, &v)) return key + ": \"" + platform::SjisToUtf8(value) + "\" is not a whole number";
            if (v < rule.low || v > rule.high)
                return key + ": " + std::to_string(v) + " is out of range (" + std::to_string(rule.low) + " to " +
                       std::to_string(rule.high) + ")";
            return {};
        }
        case Kind::kColour: {
            uint32_t rgb = 0;
            if (!ParseSettingsColour(value.c_str(), &rgb))
                return key + ": \"" + platform::SjisToUtf8(value) + "\" is not a colour (such as #RRGGBB)";
            return {};
        }
        case Kind::kSwitch: {
            bool t = value.size() == 4 && (value[0] | 0x20) == 't' && (value[1] | 0x20) == 'r' &&
                     (value[2] | 0x20) == 'u' && (value[3] | 0x20) == 'e';
            bool f = value.size() == 5 && (value[0] | 0x20) == 'f' && (value[1] | 0x20) == 'a' &&
                     (value[2] | 0x20) == 'l' && (value[3] | 0x20) == 's' && (value[4] | 0x20) == 'e';
            if (!t && !f) return key + ": only TRUE switches this on; \"" + platform::SjisToUtf8(value) + "\" means off";
            return {};
        }
        case Kind::kIcon:
            if (ParseIconPattern(value.c_str()).frames <= 0)
                return key + ": expected a picture name pattern, '#' and a frame count (such as ui/icon%02d.png#4)";
            return {};
    }
    return {};
}

}  // namespace

std::vector<SettingsProblem> CheckSettingsText(const std::string& text) {
    std::vector<SettingsProblem> problems;
    std::string converted;
    size_t bad = 0;
    if (!platform::SjisToUtf8Strict(text, &converted, &bad)) {
        int line = 1;
        for (size_t i = 0; i < bad && i < text.size(); ++i)
            if (text[i] == '\n') ++line;
        bool utf8 = platform::LooksLikeUtf8(text);
        problems.push_back({line, utf8 ? "the settings file is saved as UTF-8; save it as Shift-JIS (CP932)"
                                       : "a byte that is not Shift-JIS (CP932)"});
        return problems;
    }
    bool lfOnly = false;
    std::vector<std::string> lines = Lines(text, &lfOnly);
    if (lfOnly)
        problems.push_back({0, "line ends are LF without CR: the reader then runs a key's search on into the "
                               "following sections; save with CR LF line ends"});
    std::string section;  // UTF-8
    bool knownSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        int number = static_cast<int>(i) + 1;
        std::string line = lines[i];
        size_t comment = line.find(';');
        if (comment != std::string::npos) line.resize(comment);
        line = Trim(line);
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = platform::SjisToUtf8(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            knownSection = false;
            for (const KeyRule& r : kRules)
                if (section == r.section) knownSection = true;
            if (!knownSection) problems.push_back({number, "unknown section [" + section + "]: the engine reads nothing from it"});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problems.push_back({number, "neither a [section] nor a key=value line"});
            continue;
        }
        std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        if (!knownSection) continue;
        const KeyRule* rule = nullptr;
        for (const KeyRule& r : kRules)
            if (section == r.section && key == r.key) rule = &r;
        if (!rule) {
            problems.push_back({number, "unknown key \"" + platform::SjisToUtf8(key) + "\" in [" + section + "]"});
            continue;
        }
        if (value.empty()) continue;  // counts as missing: the default applies
        std::string why = CheckValue(*rule, value);
        if (!why.empty()) problems.push_back({number, why});
    }
    return problems;
}

int SettingLine(const std::string& text, const std::string& section, const std::string& key) {
    bool lfOnly = false;
    std::vector<std::string> lines = Lines(text, &lfOnly);
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = Trim(lines[i]);
        if (!line.empty() && line[0] == '[') {
            inSection = line.compare(0, section.size() + 2, "[" + section + "]") == 0;
            continue;
        }
        size_t equals = line.find('=');
        if (inSection && equals != std::string::npos && Trim(line.substr(0, equals)) == key)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace shell
