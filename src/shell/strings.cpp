// The message texts. They are kept here in UTF-8 for readability and
// converted once to Shift-JIS, the encoding every engine text uses.
#include "shell/strings.h"

#include <mutex>
#include <string>

#include "platform/encoding.h"
#include "platform/msgbox.h"

namespace shell {

namespace {

struct Entry {
    int id;
    const char* utf8;
};

const Entry kStrings[] = {
    {103, "Velmoor"},
    {104, "DirectSoundの初期化に失敗しました。\r\n以下の理由が考えられます。\r\n\r\n"
          "・サウンドデバイスが正常に接続されていない\r\n"
          "・サウンドデバイスのドライバに異常がある"},
    {106, "Direct3Dデバイスを作成できません。\r\n以下の理由が考えられます。\r\n\r\n"
          "・ディスプレイモードがフルカラーに対応していない\r\n"
          "・ご使用のグラフィックボードがDirectX9.0cに対応していない.\r\n"
          "・グラフィックドライバが古い、または異常がある"},
    {109, "Q2System"},
    {111, "ゲームを終了しますか？"},
    {112, "ムービーの再生を中止しますか？"},
    {113, "セーブデータをロード中にエラーが発生しました。\r\nゲームを終了します。"},
    {122, "このプログラムを実行するために必要なCPU拡張機能についての対応状況を確認できませんでした。\r\n"
          "このプログラムはご使用になられている環境では正常に動作しない可能性があります。\r\n"
          "プログラムを停止しますか？"},
};
constexpr int kCount = sizeof(kStrings) / sizeof(kStrings[0]);

// The table above in Shift-JIS, converted once on first use. A constant (the
// same texts for every engine), so it stays a process-wide static.
std::once_flag g_once;
std::string g_sjis[kCount];

}  // namespace

const char* LoadResourceString(int id) {
    std::call_once(g_once, [] {
        for (int i = 0; i < kCount; ++i) g_sjis[i] = platform::Utf8ToSjis(kStrings[i].utf8);
    });
    for (int i = 0; i < kCount; ++i)
        if (kStrings[i].id == id) return g_sjis[i].c_str();
    return "";
}

int ShowResourceMessage(int id, uint32_t style) {
    // The text is cut at 512 bytes like the string table's load buffer.
    std::string text = LoadResourceString(id);
    if (text.size() > 511) text.resize(511);
    return platform::ShowMessageBox(text.c_str(), LoadResourceString(kStrTitle), style);
}

}  // namespace shell
