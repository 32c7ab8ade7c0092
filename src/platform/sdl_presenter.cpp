#include "platform/sdl_presenter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/gpu_probe.h"
#include "platform/stretch.h"

namespace platform::sdl {

namespace {

constexpr size_t kFramePixels = static_cast<size_t>(kFrameWidth) * kFrameHeight;

struct Presenter {
    // Main thread only.
    SDL_Window* window = nullptr;
    bool surfacePath = false;              // the window surface, no renderer
    SDL_Surface* surface = nullptr;        // the window's surface (surface path)
    SDL_Renderer* renderer = nullptr;      // renderer path
    SDL_Texture* frameTexture = nullptr;   // kFrameWidth x kFrameHeight
    SDL_Texture* scaledTexture = nullptr;  // the software-stretched picture, drawn 1:1
    int scaledTextureWidth = 0, scaledTextureHeight = 0;
    std::string rendererName = "none";
    bool accelerated = false;
    ScaleFilter filter = kScaleAuto;

    // Guarded by `mutex`.
    std::mutex mutex;
    std::vector<uint32_t> frame;   // the last presented picture
    std::vector<uint32_t> scaled;  // stretch target (software-stretch modes of the renderer)
    Rect pending{-1, -1, -1, -1};  // empty when right <= left
    bool wakeOutstanding = false;
    bool presented = false;
    DisplayMode mode = kWindowed;
    bool crisp = true;                                 // nearest sampling when scaled
    Rect outputArea{0, 0, kFrameWidth, kFrameHeight};  // output pixels
    Rect clientArea{0, 0, kFrameWidth, kFrameHeight};  // window coordinates
};

Presenter& P() {
    static Presenter p;
    return p;
}

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

Rect Union(const Rect& a, const Rect& b) {
    if (Empty(a)) return b;
    if (Empty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool SoftwareStretch(DisplayMode mode) { return mode == kFullNearest || mode == kFullFiltered; }

// Whether the surface's pixels are 32-bit 0x??RRGGBB words, written directly.
bool DirectFormat(const SDL_Surface* s) {
    return s && s->format &&
           (s->format->format == SDL_PIXELFORMAT_RGB888 || s->format->format == SDL_PIXELFORMAT_ARGB8888);
}

// Writes `area` (pixels of the scaled picture, which is dstWidth x dstHeight
// at `dst`) from the frame. Caller holds the mutex.
void StretchInto(const Presenter& p, uint32_t* dst, int dstPitch, int dstWidth, int dstHeight, Rect area) {
    if (dstWidth == kFrameWidth && dstHeight == kFrameHeight) {
        for (int y = area.top; y < area.bottom; ++y)
            std::memcpy(dst + static_cast<size_t>(y) * dstPitch + area.left,
                        p.frame.data() + static_cast<size_t>(y) * kFrameWidth + area.left,
                        static_cast<size_t>(area.right - area.left) * 4);
        return;
    }
    auto stretch = p.crisp ? StretchNearest : StretchFiltered;
    stretch(p.frame.data(), kFrameWidth, kFrameWidth, kFrameHeight, dst, dstPitch, dstWidth, dstHeight, area);
}

// Caller holds the mutex; main thread. Returns the output rectangle that
// changed (surface path), empty otherwise.
Rect Upload(Presenter& p, const Rect& dirty) {
    if (Empty(dirty)) return Rect{};
    int w = p.outputArea.right - p.outputArea.left, h = p.outputArea.bottom - p.outputArea.top;
    if (p.surfacePath) {
        if (!p.surface || w <= 0 || h <= 0) return Rect{};
        Rect area = StretchedDirtyRect(dirty, kFrameWidth, kFrameHeight, w, h);
        if (Empty(area)) return Rect{};
        bool lock = SDL_MUSTLOCK(p.surface);
        if (lock && SDL_LockSurface(p.surface) != 0) return Rect{};
        int pitch = p.surface->pitch / 4;
        uint32_t* base = static_cast<uint32_t*>(p.surface->pixels) + static_cast<size_t>(p.outputArea.top) * pitch +
                         p.outputArea.left;
        StretchInto(p, base, pitch, w, h, area);
        if (lock) SDL_UnlockSurface(p.surface);
        return Rect{area.left + p.outputArea.left, area.top + p.outputArea.top, area.right + p.outputArea.left,
                    area.bottom + p.outputArea.top};
    }
    if (SoftwareStretch(p.mode) && p.scaledTexture) {
        w = p.scaledTextureWidth;
        h = p.scaledTextureHeight;
        Rect area = StretchedDirtyRect(dirty, kFrameWidth, kFrameHeight, w, h);
        if (Empty(area)) return Rect{};
        StretchInto(p, p.scaled.data(), w, w, h, area);
        SDL_Rect r{area.left, area.top, area.right - area.left, area.bottom - area.top};
        SDL_UpdateTexture(p.scaledTexture, &r, p.scaled.data() + static_cast<size_t>(area.top) * w + area.left,
                          w * 4);
        return Rect{};
    }
    SDL_Rect r{dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top};
    SDL_UpdateTexture(p.frameTexture, &r,
                      p.frame.data() + static_cast<size_t>(dirty.top) * kFrameWidth + dirty.left,
                      kFrameWidth * 4);
    return Rect{};
}

// Main thread, mutex not held (draws only with main-thread state and the
// values passed in). `changed` is the output rectangle the upload wrote
// (surface path); `whole` sends the whole window.
void Draw(Presenter& p, DisplayMode mode, const Rect& area, const Rect& changed, bool whole) {
    if (p.surfacePath) {
        if (!p.surface) return;
        if (whole) {
            SDL_UpdateWindowSurface(p.window);
        } else if (!Empty(changed)) {
            SDL_Rect r{changed.left, changed.top, changed.right - changed.left, changed.bottom - changed.top};
            SDL_UpdateWindowSurfaceRects(p.window, &r, 1);
        } else {
            return;
        }
        return;
    }
    SDL_SetRenderDrawColor(p.renderer, 0, 0, 0, 255);
    SDL_RenderClear(p.renderer);
    SDL_Rect dst{area.left, area.top, area.right - area.left, area.bottom - area.top};
    SDL_Texture* texture = SoftwareStretch(mode) && p.scaledTexture ? p.scaledTexture : p.frameTexture;
    SDL_RenderCopy(p.renderer, texture, nullptr, &dst);
    SDL_RenderPresent(p.renderer);
}

SDL_Renderer* MakeRenderer(SDL_Window* window, uint32_t flags) {
    SDL_Renderer* r = SDL_CreateRenderer(window, -1, flags);
    if (r && (flags & SDL_RENDERER_ACCELERATED) && RendererIsSoftwareGl()) {
        // Scaling a software-composed frame through a software GPU costs
        // memory and time and gains nothing over the window surface.
        SDL_DestroyRenderer(r);
        return nullptr;
    }
    return r;
}

bool UseSurface(Presenter& p) {
    // SDL would otherwise back the window surface with an OpenGL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* s = SDL_GetWindowSurface(p.window);
    if (!DirectFormat(s)) return false;
    p.surfacePath = true;
    p.surface = s;
    p.rendererName = "window surface";
    p.accelerated = false;
    return true;
}

bool UseRenderer(Presenter& p, SDL_Renderer* renderer) {
    p.renderer = renderer;
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(p.renderer, &info) == 0) {
        p.rendererName = info.name ? info.name : "unknown";
        p.accelerated = (info.flags & SDL_RENDERER_ACCELERATED) != 0;
    }
    p.frameTexture = SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                       kFrameWidth, kFrameHeight);
    if (!p.frameTexture) {
        std::fprintf(stderr, "velmoor: cannot create the frame texture: %s\n", SDL_GetError());
        SDL_DestroyRenderer(p.renderer);
        p.renderer = nullptr;
        return false;
    }
    SDL_SetTextureBlendMode(p.frameTexture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(p.frameTexture, SDL_ScaleModeLinear);
    return true;
}

// The output's size in pixels (the window's size on a high-density display
// is smaller).
void OutputSize(const Presenter& p, int* w, int* h) {
    *w = *h = 0;
    if (p.surfacePath && p.surface) {
        *w = p.surface->w;
        *h = p.surface->h;
    } else if (p.renderer) {
        SDL_GetRendererOutputSize(p.renderer, w, h);
    }
}

}  // namespace

bool PresenterCreate(SDL_Window* window) {
    Presenter& p = P();
    p.window = window;
    p.surfacePath = false;
    p.surface = nullptr;
    SDL_Renderer* gpu = GpuLikely(window) ? MakeRenderer(window, SDL_RENDERER_ACCELERATED) : nullptr;
    bool ok = false;
    if (gpu) ok = UseRenderer(p, gpu);
    if (!ok) ok = UseSurface(p);
    if (!ok) {
        SDL_Renderer* software = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        if (software) ok = UseRenderer(p, software);
    }
    if (!ok) {
        std::fprintf(stderr, "velmoor: cannot present to the window: %s\n", SDL_GetError());
        p.window = nullptr;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.frame.assign(kFramePixels, 0xFF000000u);
        p.pending = Rect{0, 0, kFrameWidth, kFrameHeight};
        p.presented = false;
        p.wakeOutstanding = false;
        p.mode = kWindowed;
    }
    int w = 0, h = 0, ww = 0, wh = 0;
    OutputSize(p, &w, &h);
    SDL_GetWindowSize(window, &ww, &wh);
    PresenterConfigure(kWindowed, w, h, ww, wh);
    return true;
}

void PresenterDestroy() {
    Presenter& p = P();
    if (p.scaledTexture) SDL_DestroyTexture(p.scaledTexture);
    if (p.frameTexture) SDL_DestroyTexture(p.frameTexture);
    if (p.renderer) SDL_DestroyRenderer(p.renderer);
    p.scaledTexture = nullptr;
    p.frameTexture = nullptr;
    p.renderer = nullptr;
    p.surface = nullptr;  // owned by the window
    p.surfacePath = false;
    p.window = nullptr;
    std::lock_guard<std::mutex> lock(p.mutex);
    p.scaled.clear();
    p.wakeOutstanding = false;
}

bool PresenterSubmit(const uint32_t* frame, int pitch, Rect dirty) {
    Presenter& p = P();
    dirty.left = std::max(dirty.left, 0);
    dirty.top = std::max(dirty.top, 0);
    dirty.right = std::min(dirty.right, kFrameWidth);
    dirty.bottom = std::min(dirty.bottom, kFrameHeight);
    if (Empty(dirty) || !frame) return false;
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.frame.empty()) p.frame.assign(kFramePixels, 0xFF000000u);
    size_t width = static_cast<size_t>(dirty.right - dirty.left);
    for (int y = dirty.top; y < dirty.bottom; ++y) {
        const uint32_t* s = frame + static_cast<size_t>(y) * pitch + dirty.left;
        uint32_t* d = p.frame.data() + static_cast<size_t>(y) * kFrameWidth + dirty.left;
        for (size_t x = 0; x < width; ++x) d[x] = s[x] | 0xFF000000u;
    }
    p.pending = Union(p.pending, dirty);
    p.presented = true;
    if (p.wakeOutstanding || !p.window) return false;
    p.wakeOutstanding = true;
    return true;
}

void PresenterWakeLost() {
    std::lock_guard<std::mutex> lock(P().mutex);
    P().wakeOutstanding = false;
}

void PresenterFlush(bool redraw) {
    Presenter& p = P();
    if (!p.window) return;
    DisplayMode mode;
    Rect area, changed;
    bool pending;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.wakeOutstanding = false;
        pending = !Empty(p.pending);
        changed = Upload(p, p.pending);
        p.pending = Rect{-1, -1, -1, -1};
        mode = p.mode;
        area = p.outputArea;
    }
    if (pending || redraw) Draw(p, mode, area, changed, redraw);
}

void PresenterConfigure(DisplayMode mode, int outputWidth, int outputHeight, int windowWidth,
                        int windowHeight) {
    Presenter& p = P();
    if (!p.window) return;
    if (p.surfacePath) {
        // A resized window has a new surface (SDL makes it on request).
        p.surface = SDL_GetWindowSurface(p.window);
        if (!DirectFormat(p.surface)) p.surface = nullptr;
        OutputSize(p, &outputWidth, &outputHeight);
        if (p.surface) SDL_FillRect(p.surface, nullptr, 0);  // the bars
    }
    Rect out = FrameAreaFor(outputWidth, outputHeight);
    Rect client = FrameAreaFor(windowWidth, windowHeight);
    int w = out.right - out.left, h = out.bottom - out.top;
    bool crisp = mode == kFullNearest || (mode == kWindowed && ScaleIsCrisp(p.filter, w, h));
    if (p.renderer) {
        SDL_SetTextureScaleMode(p.frameTexture, crisp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        if (SoftwareStretch(mode) && w > 0 && h > 0 &&
            (!p.scaledTexture || w != p.scaledTextureWidth || h != p.scaledTextureHeight)) {
            if (p.scaledTexture) SDL_DestroyTexture(p.scaledTexture);
            p.scaledTexture =
                SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
            if (p.scaledTexture) {
                SDL_SetTextureBlendMode(p.scaledTexture, SDL_BLENDMODE_NONE);
                SDL_SetTextureScaleMode(p.scaledTexture, SDL_ScaleModeNearest);
                p.scaledTextureWidth = w;
                p.scaledTextureHeight = h;
            } else {
                std::fprintf(stderr, "velmoor: cannot create the stretch texture: %s\n", SDL_GetError());
            }
        }
        if (!SoftwareStretch(mode) && p.scaledTexture) {
            SDL_DestroyTexture(p.scaledTexture);
            p.scaledTexture = nullptr;
            p.scaledTextureWidth = p.scaledTextureHeight = 0;
        }
    }
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.mode = mode;
        p.crisp = crisp;
        p.outputArea = out;
        p.clientArea = client;
        if (p.scaledTexture)
            p.scaled.assign(static_cast<size_t>(p.scaledTextureWidth) * p.scaledTextureHeight, 0xFF000000u);
        else
            p.scaled.clear();
        // The new texture, surface or area must be filled again.
        p.pending = Rect{0, 0, kFrameWidth, kFrameHeight};
    }
    PresenterFlush(true);
}

void PresenterSetScaleFilter(ScaleFilter filter) { P().filter = filter; }
ScaleFilter PresenterScaleFilter() { return P().filter; }

DisplayMode PresenterMode() {
    std::lock_guard<std::mutex> lock(P().mutex);
    return P().mode;
}

void PresenterFrameArea(int* x, int* y, int* width, int* height) {
    std::lock_guard<std::mutex> lock(P().mutex);
    const Rect& a = P().clientArea;
    *x = a.left;
    *y = a.top;
    *width = a.right - a.left;
    *height = a.bottom - a.top;
}

bool PresenterLastFrame(uint32_t* out) {
    Presenter& p = P();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (!p.presented || p.frame.size() != kFramePixels) return false;
    std::copy(p.frame.begin(), p.frame.end(), out);
    return true;
}

const char* PresenterRendererName() { return P().rendererName.c_str(); }
bool PresenterAccelerated() { return P().accelerated; }

}  // namespace platform::sdl
