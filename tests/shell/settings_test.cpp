// The settings reader: key search, value rules, defaults and broken files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/settings.h"
#include "support/support.h"

using testing_support::Sjis;
using testing_support::SjisRaw;

namespace {

struct KeyCase {
    const char* what;
    const char* file;     // UTF-8; LF becomes CR LF unless rawLineEnds
    const char* section;  // UTF-8
    const char* key;
    bool found;
    const char* value;  // expected string (UTF-8) when found
    bool rawLineEnds = false;
};

const KeyCase kStringCases[] = {
    {"plain value", "[ウィンドウ]\ntitle=Demo\n", "ウィンドウ", "title", true, "Demo"},
    {"two words keep their single space", "[フォント]\nface=IPA Gothic\n", "フォント", "face", true,
     "IPA Gothic"},
    {"double space ends the value", "[フォント]\nface=IPA  Gothic\n", "フォント", "face", true, "IPA"},
    {"blank before = and after", "[フォント]\nface =  Mincho \n", "フォント", "face", true, "Mincho"},
    {"full-width space after = is skipped", "[フォント]\nface=\u3000Mincho\n", "フォント", "face",
     true, "Mincho"},
    {"comment after value", "[フォント]\nface=Mincho ; the face\n", "フォント", "face", true, "Mincho"},
    {"commented key is skipped", "[フォント]\n;face=Bad\nface=Good\n", "フォント", "face", true,
     "Good"},
    {"commented section header is skipped", ";[フォント]\n[フォント]\nface=A\n", "フォント", "face",
     true, "A"},
    {"key only in a later section is not found", "[フォント]\nsize=3\n[ウィンドウ]\ntitle=T\n",
     "フォント", "title", false, nullptr},
    {"missing section", "[フォント]\nface=A\n", "ウィンドウ", "title", false, nullptr},
    {"empty value is not found", "[ウィンドウ]\ntitle=\nbgcolor=#000000\n", "ウィンドウ", "title",
     false, nullptr},
    {"LF-only line ends run on into later sections", "[フォント]\nsize=3\n[ウィンドウ]\ntitle=T\n",
     "フォント", "title", true, "T", true},
    {"key without = on its line", "[ウィンドウ]\ntitle\nx=1\n", "ウィンドウ", "title", false, nullptr},
    {"Shift-JIS value with trail byte 0x5C", "[ウィンドウ]\ntitle=ソフト表示\n", "ウィンドウ", "title",
     true, "ソフト表示"},
    {"file ends inside the value", "[ウィンドウ]\ntitle=End", "ウィンドウ", "title", true, "End"},
};

TEST(SettingsReader, StringKeys) {
    for (const KeyCase& c : kStringCases) {
        std::string text = c.rawLineEnds ? SjisRaw(c.file) : Sjis(c.file);
        char value[256];
        int found = shell::ReadSettingKey(text.c_str(), SjisRaw(c.section).c_str(), c.key, value,
                                          sizeof(value), shell::kSettingString);
        EXPECT_EQ(found != 0, c.found) << c.what;
        if (c.found && found) {
            EXPECT_EQ(std::string(value), SjisRaw(c.value)) << c.what;
        }
        if (!found) {
            EXPECT_EQ(value[0], '\0') << c.what << ": destination zeroed";
        }
    }
}

TEST(SettingsReader, IntegerKeysAndSizes) {
    struct {
        const char* value;
        int expected;
    } cases[] = {{"24", 24}, {"-5", -5}, {"+7", 7}, {"12px", 12}, {"abc", 0}, {"99999999999", 0x7FFFFFFF}};
    for (const auto& c : cases) {
        std::string text = Sjis(std::string("[フォント]\nsize=") + c.value + "\n");
        int32_t v = -1;
        ASSERT_TRUE(shell::ReadSettingKey(text.c_str(), SjisRaw("フォント").c_str(), "size", &v, 4,
                                          shell::kSettingInteger))
            << c.value;
        EXPECT_EQ(v, c.expected) << c.value;
    }
    // An integer goes only into a 4-byte destination; a string must fit with its NUL.
    std::string text = Sjis("[フォント]\nsize=24\nface=ABCDEFGH\n");
    int64_t wide = 0;
    EXPECT_FALSE(shell::ReadSettingKey(text.c_str(), SjisRaw("フォント").c_str(), "size", &wide, 8,
                                       shell::kSettingInteger));
    char small[8];
    EXPECT_FALSE(shell::ReadSettingKey(text.c_str(), SjisRaw("フォント").c_str(), "face", small,
                                       sizeof(small), shell::kSettingString));
    char fits[9];
    EXPECT_TRUE(shell::ReadSettingKey(text.c_str(), SjisRaw("フォント").c_str(), "face", fits,
                                      sizeof(fits), shell::kSettingString));
}

TEST(SettingsReader, WholeFileEffects) {
    struct {
        const char* what;
        const char* file;
        bool saveEnabled;
        int wordInRow;
    } cases[] = {
        {"defaults", "", true, 32},
        {"lower-case true enables saving", "[セーブ]\nenable=true\n", true, 32},
        {"yes disables saving", "[セーブ]\nenable=yes\n", false, 32},
        {"TRUE with more letters disables saving", "[セーブ]\nenable=TRUEX\n", false, 32},
        {"word_in_row above 32 becomes 32", "[バックログ]\nword_in_row=40\n", true, 32},
        {"word_in_row below 32 is kept", "[バックログ]\nword_in_row=20\n", true, 20},
    };
    for (const auto& c : cases) {
        std::string text = Sjis(c.file);
        shell::Settings st = shell::ParseSettings(text.c_str(), nullptr);
        EXPECT_EQ(st.saveEnabled, c.saveEnabled) << c.what;
        EXPECT_EQ(st.wordInRow, c.wordInRow) << c.what;
    }
}

TEST(SettingsReader, DefaultsWithoutFile) {
    shell::Settings st = shell::ParseSettings(nullptr, nullptr);
    EXPECT_FALSE(st.fileFound);
    EXPECT_EQ(st.fontFace, SjisRaw("ＭＳ Ｐゴシック"));
    EXPECT_EQ(st.fontSize, 16);
    EXPECT_EQ(st.fontWeight, 400);
    EXPECT_EQ(st.fontInline, 0xFFFFFFu);
    EXPECT_EQ(st.marginRow, 16);
    EXPECT_EQ(st.windowTitle, "Velmoor");
    EXPECT_EQ(st.savePath, ".\\save");
    EXPECT_TRUE(st.startScript.empty());
    EXPECT_FALSE(st.menuBarEnabled);
}

TEST(SettingsReader, ColoursIconsAndOptionalScripts) {
    std::string text = Sjis(
        "[フォント]\ninline=#FF8000\noutline=RED\n"
        "[アイコン]\nicon_line=sys/line%02d.png#8\nicon_page=sys/page.png\nicon_auto=a%d.png#x\n"
        "[スクリプト]\nstart=s.txt\nmenu=menu.txt\nsave=nosuch.txt\n");
    shell::Settings st = shell::ParseSettings(
        text.c_str(), [](const char* name) { return std::strcmp(name, "menu.txt") == 0; });
    EXPECT_EQ(st.fontInline, 0xFF8000u);
    EXPECT_EQ(st.fontOutline, 0xFF0000u);
    EXPECT_EQ(st.iconLine.pattern, "sys/line%02d.png");
    EXPECT_EQ(st.iconLine.frames, 8);
    EXPECT_EQ(st.iconPage.frames, 0);
    EXPECT_EQ(st.iconAuto.frames, 0);
    EXPECT_EQ(st.startScript, "s.txt");
    EXPECT_EQ(st.menuScript, "menu.txt");
    EXPECT_TRUE(st.saveScript.empty()) << "a script key whose file does not open is dropped";
}

TEST(SettingsReader, BinaryJunkAndHugeLinesAreSafe) {
    // Random bytes, NULs cut the text; a very long line with no line end.
    std::string junk;
    uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk += static_cast<char>((seed >> 16) & 0xFF);
    }
    std::string huge = Sjis("[ウィンドウ]\ntitle=") + std::string(100000, 'x') + "\r\n";
    for (const std::string* text : {&junk, &huge}) {
        std::string copy = *text + std::string(64, '\0');
        shell::Settings st = shell::ParseSettings(copy.c_str(), nullptr);
        EXPECT_LE(st.windowTitle.size(), 255u);
    }
    // A file ending in the middle of a two-byte character.
    std::string cut = Sjis("[ウィンドウ]\ntitle=") + "\x83";
    cut += std::string(64, '\0');
    shell::Settings st = shell::ParseSettings(cut.c_str(), nullptr);
    EXPECT_EQ(st.windowTitle, "\x83");
}

}  // namespace
