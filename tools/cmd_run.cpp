// velmoor-tool run: runs a game through the player's own code path.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "platform/audio.h"
#include "shell/run.h"

namespace tool {

int RunCommand(int argc, char** argv) {
    shell::RunOptions options;
    std::string game;
    bool audioReport = false;
    auto usage = [] {
        std::fprintf(stderr,
                     "usage: velmoor-tool run [--headless] [--input FILE] [--screenshot FILE.png] "
                     "[--exit-after MS] [--save-dir DIR] [--audio-report] [--warnings] GAME_DIR\n");
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "velmoor-tool run: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--headless") {
            options.headless = true;
        } else if (a == "--input") {
            const char* v = value("--input");
            if (!v) return usage();
            options.inputFile = v;
        } else if (a == "--screenshot") {
            const char* v = value("--screenshot");
            if (!v) return usage();
            options.screenshotPath = v;
        } else if (a == "--exit-after") {
            const char* v = value("--exit-after");
            if (!v) return usage();
            char* end = nullptr;
            long ms = std::strtol(v, &end, 10);
            if (*end || ms < 0 || ms > 0x7FFFFFFF) {
                std::fprintf(stderr, "velmoor-tool run: --exit-after wants milliseconds, got '%s'\n", v);
                return usage();
            }
            options.exitAfterMs = static_cast<int>(ms);
        } else if (a == "--save-dir") {
            const char* v = value("--save-dir");
            if (!v) return usage();
            options.saveDir = v;
        } else if (a == "--help" || a == "-h") {
            std::printf("usage: velmoor-tool run [--headless] [--input FILE] [--screenshot FILE.png] "
                        "[--exit-after MS] [--save-dir DIR] [--audio-report] [--warnings] GAME_DIR\n");
            return 0;
        } else if (a == "--warnings") {
            // Silent failures (a missing picture, an unknown command...) are
            // printed once each as "file:line: command: reason".
            options.warnings = true;
        } else if (a == "--audio-report") {
            // After the run, one line per voice of the headless audio device.
            audioReport = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "velmoor-tool run: unknown option %s\n", a.c_str());
            return usage();
        } else if (game.empty()) {
            game = a;
        } else {
            std::fprintf(stderr, "velmoor-tool run: more than one game folder given\n");
            return usage();
        }
    }
    if (game.empty()) {
        std::fprintf(stderr, "velmoor-tool run: no game folder given (the folder holding system/System.ini)\n");
        return usage();
    }
    // Paths given relative to where the tool was started stay valid after the
    // change into the game folder.
    auto absolute = [](std::string& path) {
        if (path.empty() || path[0] == '/') return;
        char* cwd = getcwd(nullptr, 0);
        if (cwd) {
            path = std::string(cwd) + "/" + path;
            std::free(cwd);
        }
    };
    absolute(options.inputFile);
    absolute(options.screenshotPath);
    absolute(options.saveDir);
    if (chdir(game.c_str()) != 0) {
        std::fprintf(stderr, "velmoor-tool run: cannot enter the game folder %s: %s\n", game.c_str(),
                     std::strerror(errno));
        return 1;
    }
    int status = shell::RunEngine(options);
    if (audioReport && platform::AudioIsHeadless()) {
        for (int i = 0; i < platform::HeadlessVoiceCount(); ++i) {
            platform::HeadlessVoiceReport r = platform::HeadlessVoice(i);
            // A voice with an effect names it after its figures.
            static const char* const kEffects[] = {"", ", chorus", ", echo", ", reverb"};
            int kind = r.effect.kind >= 0 && r.effect.kind <= 3 ? r.effect.kind : 0;
            std::printf("audio voice %d: %llu bytes played%s\n", i, static_cast<unsigned long long>(r.bytesPlayed),
                        kEffects[kind]);
        }
    }
    return status;
}

}  // namespace tool
