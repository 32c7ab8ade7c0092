// The settings record: every section and key of the settings file
// ("system/System.ini") with the defaults in place for what the file lacks,
// as the start sequence last loaded it. Subsystems of every layer read it;
// the shell parses the file (shell/settings.h) and replaces the record.
//
// Threading: written only by the start sequence on the main thread; other
// threads read it. One per engine: core::Current().settings.
#pragma once
#include <cstdint>
#include <string>

namespace core {

// An icon animation: a printf pattern with one integer field, and the frame count.
struct IconPattern {
    std::string pattern;
    int frames = 0;  // 0: no animation
};

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

}  // namespace core
