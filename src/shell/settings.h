// The settings file "system/System.ini": an INI-style Shift-JIS text read by
// several subsystems, each for its own section. Nothing is ever written back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace shell {

constexpr const char* kSettingsFile = "system/System.ini";

enum SettingType : int { kSettingString = 1, kSettingInteger = 2 };

// Reads one key from the settings text (NUL-terminated Shift-JIS). `section`
// is the section name without brackets (Shift-JIS). The destination is zeroed
// first; a string is copied only when it fits (with its NUL), an integer is
// stored only when destSize is 4. Returns 1 when the key was found.
int ReadSettingKey(const char* text, const char* section, const char* key, void* dest,
                   size_t destSize, int type);

// An icon animation: a printf pattern with one integer field, and the frame count.
struct IconPattern {
    std::string pattern;
    int frames = 0;  // 0: no animation
};
// Splits "pattern#n"; a value without '#' or with a non-numeric count gives 0 frames.
IconPattern ParseIconPattern(const char* value);

// Every section and key, with the defaults in place for what the file lacks.
// Texts are Shift-JIS.
struct Settings {
    // プロダクト
    std::string bland, name, version;
    // セーブ
    bool saveEnabled = true;
    std::string savePath = ".\\save";
    // スクリプト
    std::string startScript, menuScript, saveScript, loadScript, configScript, backScript,
        closeScript, resetScript;
    // フォント
    std::string fontFace;  // default "ＭＳ Ｐゴシック" in Shift-JIS
    int fontSize = 16;
    int fontWeight = 400;
    uint32_t fontInline = 0xFFFFFF;
    uint32_t fontOutline = 0x000000;
    // サウンド
    int bgmVolume = 1000, seVolume = 1000, voiceVolume = 1000;
    // ボイス
    std::string voiceAllName;
    // テキスト
    int marginLine = 0;
    int marginRow = 16;
    std::string badStart, badEnd;
    int rubyRate = 0;
    // アイコン
    IconPattern iconLine, iconPage, iconAuto;
    // バックログ
    std::string backlogScript;
    IconPattern backlogIconVoice;
    int wordInRow = 32;
    // メニュー
    bool menuBarEnabled = false;
    // ウィンドウ
    uint32_t windowBgColor = 0x000000;
    std::string windowTitle;  // default: string 103
    // Whether the file itself was found.
    bool fileFound = false;
};

// Parses a whole settings text. `fileExists` decides whether the optional
// script keys are kept (they are kept only when the named file opens); null
// keeps them all.
Settings ParseSettings(const char* text, bool (*fileExists)(const char* name));
// Reads kSettingsFile through the file layer; a missing file gives defaults.
Settings LoadSettings();

// The settings as last loaded by the start sequence.
extern Settings g_settings;

// Colour values of the settings file: "#RRGGBB" and the other colour forms.
// Returns false when the text is not a colour.
bool ParseSettingsColour(const char* text, uint32_t* rgb);

// The built-in menu bar's pictures, in load order, with their positions.
struct MenuPicture {
    std::string file;
    int x = 0, y = 0;
};
std::vector<MenuPicture> MenuBarPictures();

}  // namespace shell
