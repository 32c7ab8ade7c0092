#include "shell/window_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/video.h"

namespace shell {

namespace {

bool ParseInt(std::string_view text, int* out) {
    if (text.empty() || text.size() > 9) return false;
    std::string s(text);
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (!end || *end) return false;
    *out = static_cast<int>(v);
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string FilePath(const std::string& folder) { return folder + "/" + kWindowMemoryFile; }

}  // namespace

void ParseWindowMemory(const std::string& text, const char* source, platform::WindowPlacement* out) {
    int x = 0, y = 0;
    bool haveX = false, haveY = false;
    size_t start = 0;
    int lineNo = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++lineNo;
        if (line.empty() || line.front() == ';' || line.front() == '[') continue;
        size_t eq = line.find('=');
        std::string_view key = eq == std::string_view::npos ? line : Trim(line.substr(0, eq));
        std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        int n = 0;
        bool ok = true;
        if (key == "x") {
            ok = haveX = ParseInt(value, &x);
        } else if (key == "y") {
            ok = haveY = ParseInt(value, &y);
        } else if (key == "width") {
            ok = ParseInt(value, &n) && n > 0;
            if (ok) out->width = n;
        } else if (key == "height") {
            ok = ParseInt(value, &n) && n > 0;
            if (ok) out->height = n;
        } else if (key == "maximized") {
            ok = ParseInt(value, &n) && (n == 0 || n == 1);
            if (ok) out->maximized = n == 1;
        } else if (key == "scaling") {
            ok = platform::ParseScaleFilter(std::string(value).c_str(), &out->filter);
        } else {
            ok = false;
        }
        if (!ok)
            std::fprintf(stderr, "velmoor: %s line %d: \"%.*s\" is not understood and is skipped\n", source,
                         lineNo, static_cast<int>(line.size() > 80 ? 80 : line.size()), line.data());
    }
    if (haveX && haveY) {
        out->placed = true;
        out->x = x;
        out->y = y;
    }
}

std::string FormatWindowMemory(const platform::WindowPlacement& p) {
    char text[256];
    int n = std::snprintf(text, sizeof(text), "[window]\r\n");
    if (p.placed) n += std::snprintf(text + n, sizeof(text) - n, "x=%d\r\ny=%d\r\n", p.x, p.y);
    std::snprintf(text + n, sizeof(text) - n, "width=%d\r\nheight=%d\r\nmaximized=%d\r\nscaling=%s\r\n", p.width,
                  p.height, p.maximized ? 1 : 0, platform::ScaleFilterName(p.filter));
    return text;
}

void RestoreWindowPlacement(const std::string& saveFolder) {
    if (platform::IsHeadless() || saveFolder.empty()) return;
    std::string path = FilePath(saveFolder);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::string text;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), f)) > 0 && text.size() < 8192) text.append(buffer, got);
    std::fclose(f);
    platform::WindowPlacement placement;
    ParseWindowMemory(text, path.c_str(), &placement);
    platform::SetWindowPlacement(placement);
}

void RememberWindowPlacement(const std::string& saveFolder) {
    if (platform::IsHeadless() || saveFolder.empty()) return;
    platform::WindowPlacement placement;
    if (!platform::GetWindowPlacement(&placement)) return;
    std::string path = FilePath(saveFolder);
    std::string tmp = path + ".new";
    std::string text = FormatWindowMemory(placement);
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) ok = false;
    // Written aside and renamed: a crash never leaves half a file.
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "velmoor: cannot remember the window's place in %s\n", path.c_str());
        std::remove(tmp.c_str());
    }
}

}  // namespace shell
