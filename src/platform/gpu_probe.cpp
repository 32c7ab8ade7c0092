#include "platform/gpu_probe.h"

#include <SDL_syswm.h>
#include <dirent.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace platform::sdl {

namespace {

// A render node of a kernel graphics driver (/dev/dri/renderD128...).
bool RenderNodeExists() {
    DIR* dir = opendir("/dev/dri");
    if (!dir) return false;
    bool found = false;
    while (dirent* e = readdir(dir))
        if (std::strncmp(e->d_name, "renderD", 7) == 0) found = true;
    closedir(dir);
    return found;
}

// Whether the X server offers direct rendering (DRI3 or DRI2): a virtual
// framebuffer server (Xvfb, a VNC server) offers neither, and OpenGL on it
// is a software rasteriser. libX11 is the one SDL itself loaded.
bool XServerHasDirectRendering(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    void* x11 = SDL_LoadObject("libX11.so.6");
    if (!x11) return false;
    using Query = int (*)(void*, const char*, int*, int*, int*);
    auto query = reinterpret_cast<Query>(SDL_LoadFunction(x11, "XQueryExtension"));
    bool direct = false;
    if (query) {
        int opcode = 0, event = 0, error = 0;
        void* display = info.info.x11.display;
        direct = query(display, "DRI3", &opcode, &event, &error) || query(display, "DRI2", &opcode, &event, &error);
    }
    SDL_UnloadObject(x11);
    return direct;
#else
    (void)window;
    return false;
#endif
}

bool EnvSays(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

}  // namespace

bool GpuLikely(SDL_Window* window) {
    if (EnvSays("VELMOOR_PRESENT", "surface")) return false;
    if (EnvSays("VELMOOR_PRESENT", "renderer")) return true;
    const char* software = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (software && *software && std::strcmp(software, "0") != 0) return false;
    if (!RenderNodeExists()) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    if (std::strcmp(driver, "wayland") == 0 || std::strcmp(driver, "kmsdrm") == 0) return true;
    if (std::strcmp(driver, "x11") == 0) return XServerHasDirectRendering(window);
    return false;
}

bool RendererIsSoftwareGl() {
    if (EnvSays("VELMOOR_PRESENT", "renderer")) return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    const char* name = reinterpret_cast<const char*>(getString(0x1F01));  // GL_RENDERER
    if (!name) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (std::strstr(name, soft)) return true;
    return false;
}

}  // namespace platform::sdl
