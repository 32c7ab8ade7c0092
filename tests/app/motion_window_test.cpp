// A choice clicked in the real SDL window: the test runs itself again under
// xvfb-run (skipped when it is not installed), the engine runs on the main
// thread with the SDL driver, and a helper thread injects SDL mouse events
// once the script is waiting in its select. The screenshot shows the
// branch's picture.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/sync.h"
#include "shell/input.h"
#include "render/image.h"
#include "render/image_decoders.h"
#include "shell/run.h"
#include "support/support.h"

using testing_support::RunProgram;
using testing_support::Sjis;
using testing_support::TempDir;

namespace {

constexpr const char* kChildGame = "VELMOOR_WINDOW_TEST_GAME";

using testing_support::ReadAll;

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string SelfPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    return buf;
}

void Push(SDL_Event e) {
    e.motion.windowID = 0;
    SDL_PushEvent(&e);
}

void Motion(int x, int y) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
}

void Button(uint32_t type, int x, int y) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.clicks = 1;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    Push(e);
}

// Waits (bounded) until `path` exists.
bool WaitForFile(const std::string& path, uint32_t boundMs) {
    uint32_t start = platform::TimeMs();
    while (!FileExists(path)) {
        if (platform::TimeMs() - start > boundMs) return false;
        platform::SleepMs(20);
    }
    return true;
}

// Waits (bounded) until `done` holds.
template <typename F>
bool WaitFor(F done) {
    uint32_t start = platform::TimeMs();
    while (!done()) {
        if (platform::TimeMs() - start > 60000) return false;
        platform::SleepMs(10);
    }
    return true;
}

// The child: runs the game in a real window and clicks "go".
TEST(MotionWindow, Child) {
    const char* game = std::getenv(kChildGame);
    if (!game) GTEST_SKIP() << "runs only inside the window test";
    std::string dir = game;
    std::thread injector([dir] {
        if (!WaitForFile(dir + "/ready.txt", 60000)) return;
        // Over the button (it fills the window, so that the real pointer of
        // the X server, wherever it enters, agrees): the select hovers it.
        Motion(300, 300);
        if (!WaitFor([] { return core::CursorShape() == core::kCursorIdHand; })) return;
        Button(SDL_MOUSEBUTTONDOWN, 300, 300);
        Button(SDL_MOUSEBUTTONUP, 300, 300);
    });
    shell::RunOptions options;
    options.screenshotPath = dir + "/shot.png";
    options.exitAfterMs = 60000;
    ASSERT_EQ(chdir(game), 0);
    int result = shell::RunEngine(options);
    injector.join();
    EXPECT_EQ(result, shell::kRunNormal);
}

TEST(MotionWindow, ChoiceClickedWithSdlEventsUnderXvfb) {
    if (std::getenv(kChildGame)) GTEST_SKIP();
    if (!FileExists("/usr/bin/xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
#if defined(__SANITIZE_THREAD__)
    // The window stack (SDL, X11, GLX, Mesa) is not built for the thread
    // checker, which then reports its internal locking.
    GTEST_SKIP() << "a real window is not checked under ThreadSanitizer";
#endif
    TempDir game;
    game.Write("system/System.ini",
               Sjis("[プロダクト]\nbland=Velmoor\nname=Test\nversion=1.0\n\n[スクリプト]\n"
                    "start=script/start.txt\n"));
    game.Write("script/start.txt",
               Sjis("\nchapter main {\n"
                    "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#202020\");\n"
                    "\tCreateChoice(\"go\");\n"
                    "\tCreateColor(\"go/MouseUsual/p\", 5, 0, 0, 1024, 768, \"#0000FF\");\n"
                    "\tCreateColor(\"go/MouseOver/p\", 5, 0, 0, 1024, 768, \"#00FF00\");\n"
                    "\tWriteFile(\"ready.txt\", \"1\", FALSE);\n"
                    "\tselect {\n"
                    "\t\tcase \"go\": {\n"
                    "\t\t\tCreateColor(\"done\", 10, 600, 100, 100, 100, \"#FF0000\");\n"
                    "\t\t\tDelete(\"go\");\n"
                    "\t\t\tFade(\"done\", 300, 500, NULL, TRUE);\n"
                    "\t\t}\n"
                    "\t}\n"
                    "\tWriteFile(\"out.txt\", \"chosen\", FALSE);\n"
                    "\tWait(200);\n"
                    "\tExit();\n"
                    "}\n"));
    TempDir runtime;
    std::string output;
    int status =
        RunProgram({"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", SelfPath(),
                    "--gtest_filter=MotionWindow.Child"},
                   &output,
                   {std::string(kChildGame) + "=" + game.path, "XDG_RUNTIME_DIR=" + runtime.path,
                    "XDG_DATA_HOME=" + runtime.path, "SDL_VIDEODRIVER=x11"},
                   120);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "chosen") << output;
    std::string bytes = ReadAll(game.path + "/shot.png");
    render::Image* shot =
        render::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_NE(shot, nullptr) << output;
    // The branch's plate faded to half over the background.
    uint32_t p = shot->rows[150][650];
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x20 / 2 + 0xFF / 2, 8) << std::hex << p;
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x20 / 2, 4) << std::hex << p;
    EXPECT_EQ(shot->rows[10][10] & 0xFFFFFF, 0x202020u) << std::hex << shot->rows[10][10];
    render::DestroyImage(&shot);
}

}  // namespace
