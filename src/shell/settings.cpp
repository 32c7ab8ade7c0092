#include "shell/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/file_handle.h"
#include "platform/encoding.h"
#include "platform/folder.h"
#include "script/colour.h"
#include "shell/strings.h"

namespace shell {

namespace {

inline bool IsLead(unsigned char c) { return c > 128; }

// Steps to the next character, over both bytes of a two-byte character.
inline const char* Next(const char* p) {
    if (IsLead(static_cast<unsigned char>(*p)) && p[1]) return p + 2;
    return p + 1;
}

inline bool IsFullWidthSpace(const char* p) {
    return static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;
}

// A blank inside a value: space, tab or full-width space. Returns its length.
inline int BlankLength(const char* p) {
    if (*p == ' ' || *p == '\t') return 1;
    if (IsFullWidthSpace(p)) return 2;
    return 0;
}

const char* SkipToLineEnd(const char* p) {
    while (*p && *p != '\r' && *p != '\n') p = Next(p);
    return p;
}

}  // namespace

int ReadSettingKey(const char* text, const char* section, const char* key, void* dest,
                   size_t destSize, int type) {
    if (dest && destSize) std::memset(dest, 0, destSize);
    if (!text || !section || !key || !*key || !dest) return 0;

    // 1. The bracketed section name, searched from the start; ';' skips its line.
    char header[300];
    int headerLength = std::snprintf(header, sizeof(header), "[%s]", section);
    if (headerLength <= 0 || headerLength >= static_cast<int>(sizeof(header))) return 0;
    const char* p = text;
    while (*p) {
        if (*p == ';') {
            p = SkipToLineEnd(p);
            continue;
        }
        if (std::strncmp(p, header, static_cast<size_t>(headerLength)) == 0) break;
        p = Next(p);
    }
    if (!*p) return 0;
    p += headerLength;

    // 2. The key, at any following character, up to the next section.
    size_t keyLength = std::strlen(key);
    for (;;) {
        if (!*p) return 0;
        if (p[0] == '\r' && p[1] == '\n' && p[2] == '[') return 0;
        if (*p == ';') {
            p = SkipToLineEnd(p);
            continue;
        }
        if (std::strncmp(p, key, keyLength) == 0) break;
        p = Next(p);
    }
    p += keyLength;

    // 3. The '=' on the same line, then blanks. The value must stand on the
    // key's own line: an empty value never takes the next line's text.
    while (*p && *p != '=') {
        if (*p == '\r' || *p == '\n') return 0;
        p = Next(p);
    }
    if (!*p) return 0;
    ++p;
    while (int n = BlankLength(p)) p += n;

    // 4. The value up to the line end; a blank ends it only when followed by
    // another blank, a line end or a comment. A ';' starts a comment.
    const char* start = p;
    const char* end = p;
    while (*p && *p != '\r' && *p != '\n' && *p != ';') {
        if (int n = BlankLength(p)) {
            const char* after = p + n;
            if (BlankLength(after) || *after == '\r' || *after == '\n' || *after == ';' || !*after)
                break;
        }
        p = Next(p);
        end = p;
    }
    while (end > start && (end[-1] == ' ' || end[-1] == '\t')) --end;
    size_t length = static_cast<size_t>(end - start);

    // 5. Empty values are not found; strings must fit.
    if (length == 0) return 0;
    if (type == kSettingString) {
        if (length >= destSize) return 0;
        std::memcpy(dest, start, length);
        static_cast<char*>(dest)[length] = '\0';
        return 1;
    }
    if (type == kSettingInteger) {
        if (destSize != 4) return 0;
        char number[32] = {};
        std::memcpy(number, start, length < sizeof(number) - 1 ? length : sizeof(number) - 1);
        long long v = 0;
        const char* q = number;
        bool negative = false;
        if (*q == '+' || *q == '-') negative = *q++ == '-';
        while (*q >= '0' && *q <= '9') {
            v = v * 10 + (*q++ - '0');
            if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
        }
        int32_t value = static_cast<int32_t>(negative ? -v : v);
        std::memcpy(dest, &value, 4);
        return 1;
    }
    return 0;
}

IconPattern ParseIconPattern(const char* value) {
    IconPattern icon;
    if (!value) return icon;
    const char* hash = std::strrchr(value, '#');
    if (!hash || hash[1] < '0' || hash[1] > '9') return icon;
    char* endp = nullptr;
    long count = std::strtol(hash + 1, &endp, 10);
    if (*endp != '\0' || count <= 0) return icon;
    icon.pattern.assign(value, static_cast<size_t>(hash - value));
    icon.frames = static_cast<int>(count > 999 ? 999 : count);
    return icon;
}

bool ParseSettingsColour(const char* text, uint32_t* rgb) {
    script::Colour colour;
    if (!script::ParseColour(text, &colour)) return false;
    *rgb = colour.rgb;
    return true;
}

namespace {

struct SectionNames {
    std::string product, save, script, font, sound, voice, text, icon, backlog, menu, window;
};

const SectionNames& Sections() {
    static const SectionNames names = {
        platform::Utf8ToSjis("プロダクト"), platform::Utf8ToSjis("セーブ"),
        platform::Utf8ToSjis("スクリプト"), platform::Utf8ToSjis("フォント"),
        platform::Utf8ToSjis("サウンド"),   platform::Utf8ToSjis("ボイス"),
        platform::Utf8ToSjis("テキスト"),   platform::Utf8ToSjis("アイコン"),
        platform::Utf8ToSjis("バックログ"), platform::Utf8ToSjis("メニュー"),
        platform::Utf8ToSjis("ウィンドウ"),
    };
    return names;
}

bool ReadString(const char* text, const std::string& section, const char* key, size_t size,
                std::string* out) {
    std::vector<char> buffer(size);
    if (!ReadSettingKey(text, section.c_str(), key, buffer.data(), size, kSettingString))
        return false;
    *out = buffer.data();
    return true;
}

void ReadInt(const char* text, const std::string& section, const char* key, int* out) {
    int32_t v = 0;
    if (ReadSettingKey(text, section.c_str(), key, &v, 4, kSettingInteger)) *out = v;
}

void ReadColour(const char* text, const std::string& section, const char* key, uint32_t* out) {
    std::string value;
    uint32_t rgb = 0;
    if (ReadString(text, section, key, 1024, &value) && ParseSettingsColour(value.c_str(), &rgb))
        *out = rgb;
}

bool IsTrueWord(const std::string& value) {
    return value.size() == 4 && (value[0] | 0x20) == 't' && (value[1] | 0x20) == 'r' &&
           (value[2] | 0x20) == 'u' && (value[3] | 0x20) == 'e';
}

}  // namespace

Settings ParseSettings(const char* text, bool (*fileExists)(const char* name)) {
    const SectionNames& s = Sections();
    Settings st;
    st.fontFace = platform::Utf8ToSjis("ＭＳ Ｐゴシック");
    st.windowTitle = LoadResourceString(kStrTitle);
    if (!text) return st;
    st.fileFound = true;

    ReadString(text, s.product, "bland", 1024, &st.bland);
    ReadString(text, s.product, "name", 1024, &st.name);
    ReadString(text, s.product, "version", 1024, &st.version);

    std::string value;
    if (ReadString(text, s.save, "enable", 1024, &value)) st.saveEnabled = IsTrueWord(value);
    ReadString(text, s.save, "path", 260, &st.savePath);

    ReadString(text, s.script, "start", 260, &st.startScript);
    struct {
        const char* key;
        std::string* out;
    } scripts[] = {{"menu", &st.menuScript},     {"save", &st.saveScript},
                   {"load", &st.loadScript},     {"config", &st.configScript},
                   {"back", &st.backScript},     {"close", &st.closeScript},
                   {"reset", &st.resetScript}};
    for (auto& entry : scripts) {
        std::string name;
        if (ReadString(text, s.script, entry.key, 260, &name) &&
            (!fileExists || fileExists(name.c_str())))
            *entry.out = name;
    }

    ReadString(text, s.font, "face", 256, &st.fontFace);
    ReadInt(text, s.font, "size", &st.fontSize);
    ReadInt(text, s.font, "weight", &st.fontWeight);
    ReadColour(text, s.font, "inline", &st.fontInline);
    ReadColour(text, s.font, "outline", &st.fontOutline);

    ReadInt(text, s.sound, "bgm_volume", &st.bgmVolume);
    ReadInt(text, s.sound, "se_volume", &st.seVolume);
    ReadInt(text, s.sound, "voice_volume", &st.voiceVolume);

    ReadString(text, s.voice, "all_name", 512, &st.voiceAllName);

    ReadInt(text, s.text, "margin_line", &st.marginLine);
    ReadInt(text, s.text, "margin_row", &st.marginRow);
    ReadString(text, s.text, "bad_start", 256, &st.badStart);
    ReadString(text, s.text, "bad_end", 256, &st.badEnd);
    ReadInt(text, s.text, "ruby_rate", &st.rubyRate);

    if (ReadString(text, s.icon, "icon_line", 260, &value)) st.iconLine = ParseIconPattern(value.c_str());
    if (ReadString(text, s.icon, "icon_page", 260, &value)) st.iconPage = ParseIconPattern(value.c_str());
    if (ReadString(text, s.icon, "icon_auto", 260, &value)) st.iconAuto = ParseIconPattern(value.c_str());

    ReadString(text, s.backlog, "script", 260, &st.backlogScript);
    if (ReadString(text, s.backlog, "icon_voice", 260, &value))
        st.backlogIconVoice = ParseIconPattern(value.c_str());
    ReadInt(text, s.backlog, "word_in_row", &st.wordInRow);
    if (st.wordInRow > 32) st.wordInRow = 32;

    if (ReadString(text, s.menu, "enable", 1024, &value)) st.menuBarEnabled = IsTrueWord(value);

    ReadColour(text, s.window, "bgcolor", &st.windowBgColor);
    ReadString(text, s.window, "title", 256, &st.windowTitle);
    return st;
}

namespace {
bool FileOpens(const char* name) {
    files::FileHandle h;
    if (!files::BindFile(&h, name)) return false;
    int ok = h.ops.open(&h);
    h.ops.release(&h);
    return ok != 0;
}
}  // namespace

Settings LoadSettings() {
    files::FileHandle h;
    if (!files::LoadWholeFile(&h, kSettingsFile)) return ParseSettings(nullptr, nullptr);
    Settings st = ParseSettings(reinterpret_cast<const char*>(h.buffer), FileOpens);
    h.ops.release(&h);
    return st;
}

std::string DescribeMissingStartScript() {
    const std::string where = std::string(kSettingsFile) + " (in the game folder " +
                              platform::AbsolutePath(".") + ")";
    files::FileHandle h;
    if (!files::LoadWholeFile(&h, kSettingsFile))
        return "the settings file " + where +
               " is missing or empty; it names the start script under [スクリプト] as start=";
    std::string text(reinterpret_cast<const char*>(h.buffer), static_cast<size_t>(h.size));
    h.ops.release(&h);
    std::string utf8;
    size_t bad = 0;
    bool utf8Text = platform::LooksLikeUtf8(text);
    bool sjis = platform::SjisToUtf8Strict(text, &utf8, &bad);
    bool bom = text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (bom || utf8Text || !sjis) {
        if (utf8Text) {
            bad = 0;
            while (bad < text.size() && static_cast<unsigned char>(text[bad]) < 0x80) ++bad;
        }
        int line = 1;
        for (size_t i = 0; i < bad && i < text.size(); ++i)
            if (text[i] == '\n') ++line;
        std::string problem = bom        ? " starts with a UTF-8 byte-order mark"
                              : utf8Text ? " is not Shift-JIS (it looks like UTF-8 from line " +
                                               std::to_string(line) + ")"
                                         : " is not Shift-JIS (first invalid byte at line " +
                                               std::to_string(line) + ")";
        return "the settings file " + where + problem +
               ": save it as Shift-JIS (CP932), or its Japanese section names are not found";
    }
    const std::string section = "[" + Sections().script + "]";
    if (text.find(section) == std::string::npos)
        return "the settings file " + where + " has no [スクリプト] section naming the start script (start=)";
    return "the settings file " + where + " has no start= key in its [スクリプト] section";
}

std::vector<MenuPicture> MenuBarPictures() {
    std::vector<MenuPicture> list;
    const std::string dir = "./Data/ctrl/";
    auto add = [&](const std::string& file, int x, int y) { list.push_back({dir + file, x, y}); };
    char name[32];
    add("br.png", 0, 0);
    add("slbr.png", 178, 6);
    add("sltb.png", 178 + 43, 2);
    for (int i = 1; i <= 15; ++i) { std::snprintf(name, sizeof(name), "at%02d.png", i); add(name, 72, 6); }
    add("nr01.png", 72, 6);
    add("nr02.png", 72, 6);
    for (int i = 1; i <= 12; ++i) { std::snprintf(name, sizeof(name), "ct%02d.png", i); add(name, 157, 6); }
    for (int i = 1; i <= 3; ++i) {
        std::snprintf(name, sizeof(name), "sv%02d.png", i);
        add(name, 338, 6);
        std::snprintf(name, sizeof(name), "ld%02d.png", i);
        add(name, 388, 6);
    }
    add("bt01.png", 438, 7);
    add("bt02.png", 178, 7);
    for (int i = 1; i <= 7; ++i) { std::snprintf(name, sizeof(name), "mv%02d.jpg", i); add(name, 39, 1); }
    for (int i = 1; i <= 3; ++i) { std::snprintf(name, sizeof(name), "wt%02d.jpg", i); add(name, 39, 1); }
    for (int i = 1; i <= 18; ++i) { std::snprintf(name, sizeof(name), "cs%02d.png", i); add(name, 0, 0); }
    return list;
}

}  // namespace shell
