// The window's size, place and scaling as remembered in the save folder.
#include <gtest/gtest.h>

#include <string>

#include "shell/window_memory.h"

namespace {

TEST(WindowMemory, ReadsWhatItWritesAndSkipsWhatItCannotRead) {
    platform::WindowPlacement p;
    p.placed = true;
    p.x = -1200;  // a monitor left of the main one
    p.y = 40;
    p.width = 1600;
    p.height = 1000;
    p.maximized = true;
    p.filter = platform::kScaleSmooth;
    std::string text = shell::FormatWindowMemory(p);
    EXPECT_NE(text.find("width=1600\r\n"), std::string::npos) << "CR LF lines";
    platform::WindowPlacement back;
    shell::ParseWindowMemory(text, "window.ini", &back);
    EXPECT_TRUE(back.placed);
    EXPECT_EQ(back.x, -1200);
    EXPECT_EQ(back.y, 40);
    EXPECT_EQ(back.width, 1600);
    EXPECT_EQ(back.height, 1000);
    EXPECT_TRUE(back.maximized);
    EXPECT_EQ(back.filter, platform::kScaleSmooth);

    const struct {
        const char* name;
        const char* text;
        bool placed;
        int width, height;
        platform::ScaleFilter filter;
    } cases[] = {
        {"empty file: defaults", "", false, 1024, 768, platform::kScaleAuto},
        {"x without y is no place", "x=10\r\nwidth=2048\r\n", false, 2048, 768, platform::kScaleAuto},
        {"bad numbers are skipped", "width=wide\r\nheight=-5\r\nx=1\r\ny=2\r\n", true, 1024, 768,
         platform::kScaleAuto},
        {"unknown keys and scaling names are skipped", "colour=7\r\nscaling=blurry\r\nheight=900\r\n", false, 1024,
         900, platform::kScaleAuto},
        {"LF alone, spaces and a comment", "; mine\nscaling = crisp\n width=1280\n", false, 1280, 768,
         platform::kScaleCrisp},
        {"a huge number is refused, not wrapped", "width=99999999999999\r\n", false, 1024, 768,
         platform::kScaleAuto},
    };
    for (const auto& c : cases) {
        platform::WindowPlacement w;
        shell::ParseWindowMemory(c.text, "window.ini", &w);
        EXPECT_EQ(w.placed, c.placed) << c.name;
        EXPECT_EQ(w.width, c.width) << c.name;
        EXPECT_EQ(w.height, c.height) << c.name;
        EXPECT_EQ(w.filter, c.filter) << c.name;
    }
}

}  // namespace
