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
    SDL_Texture* movieTexture = nullptr;  // the movie picture at its own size (renderer path)
    int movieTextureWidth = 0, movieTextureHeight = 0;

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
    int outputWidth = kFrameWidth, outputHeight = kFrameHeight;  // output pixels
    int windowWidth = kFrameWidth, windowHeight = kFrameHeight;  // client coordinates
    // The movie shown over the frame.
    std::vector<uint32_t> movie;  // movieWidth x movieHeight
    int movieWidth = 0, movieHeight = 0;
    Rect movieArea;             // frame coordinates in a window, client coordinates in full screen
    bool movieShown = false;
    bool movieChanged = false;  // the pixels wait for their upload
    bool redrawPending = false; // the picture must be drawn again without a frame change
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

// The movie's area in output pixels. In a window the area is given in frame
// coordinates and follows the frame wherever the window puts it; in full
// screen it is given in client coordinates (a high-density output has more
// pixels than the window has client coordinates). Caller holds the mutex.
Rect MovieOutputRect(const Presenter& p) {
    const Rect& a = p.movieArea;
    if (p.mode == kWindowed) {
        const Rect& o = p.outputArea;
        int w = o.right - o.left, h = o.bottom - o.top;
        auto x = [&](int v) { return o.left + static_cast<int>(static_cast<int64_t>(v) * w / kFrameWidth); };
        auto y = [&](int v) { return o.top + static_cast<int>(static_cast<int64_t>(v) * h / kFrameHeight); };
        return Rect{x(a.left), y(a.top), x(a.right), y(a.bottom)};
    }
    auto scale = [](int v, int out, int window) {
        return window > 0 ? static_cast<int>(static_cast<int64_t>(v) * out / window) : v;
    };
    return Rect{scale(a.left, p.outputWidth, p.windowWidth), scale(a.top, p.outputHeight, p.windowHeight),
                scale(a.right, p.outputWidth, p.windowWidth), scale(a.bottom, p.outputHeight, p.windowHeight)};
}

// Caller holds the mutex; main thread, renderer path. Puts the movie's pixels
// into its texture (made again when the movie's size changed).
void UploadMovieTexture(Presenter& p) {
    if (!p.movieChanged || !p.renderer) return;
    p.movieChanged = false;
    if (!p.movieTexture || p.movieTextureWidth != p.movieWidth || p.movieTextureHeight != p.movieHeight) {
        if (p.movieTexture) SDL_DestroyTexture(p.movieTexture);
        p.movieTexture = SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                           p.movieWidth, p.movieHeight);
        p.movieTextureWidth = p.movieTexture ? p.movieWidth : 0;
        p.movieTextureHeight = p.movieTexture ? p.movieHeight : 0;
        if (!p.movieTexture) {
            std::fprintf(stderr, "velmoor: cannot create the movie texture: %s\n", SDL_GetError());
            return;
        }
        SDL_SetTextureBlendMode(p.movieTexture, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(p.movieTexture, SDL_ScaleModeLinear);
    }
    SDL_UpdateTexture(p.movieTexture, nullptr, p.movie.data(), p.movieWidth * 4);
}

// Caller holds the mutex; main thread, surface path. Stretches the movie into
// the window surface over its area (clipped to the surface) and returns the
// output rectangle written.
Rect DrawMovieIntoSurface(Presenter& p) {
    p.movieChanged = false;
    if (!p.surface || p.movie.empty()) return Rect{};
    Rect m = MovieOutputRect(p);
    int mw = m.right - m.left, mh = m.bottom - m.top;
    if (mw <= 0 || mh <= 0) return Rect{};
    // The part of the movie's area inside the surface, in the area's own
    // coordinates.
    Rect local{std::max(0, -m.left), std::max(0, -m.top), std::min(mw, p.surface->w - m.left),
               std::min(mh, p.surface->h - m.top)};
    if (Empty(local)) return Rect{};
    bool lock = SDL_MUSTLOCK(p.surface);
    if (lock && SDL_LockSurface(p.surface) != 0) return Rect{};
    int pitch = p.surface->pitch / 4;
    uint32_t* corner = static_cast<uint32_t*>(p.surface->pixels) +
                       static_cast<size_t>(m.top + local.top) * pitch + (m.left + local.left);
    // One output row at a time through a scratch line (a pitch of 0 makes
    // every row land in it), so the area may reach outside the surface.
    std::vector<uint32_t> line(static_cast<size_t>(mw));
    for (int y = local.top; y < local.bottom; ++y) {
        StretchFiltered(p.movie.data(), p.movieWidth, p.movieWidth, p.movieHeight, line.data(), 0, mw, mh,
                        Rect{local.left, y, local.right, y + 1});
        std::memcpy(corner + static_cast<size_t>(y - local.top) * pitch, line.data() + local.left,
                    static_cast<size_t>(local.right - local.left) * 4);
    }
    if (lock) SDL_UnlockSurface(p.surface);
    return Rect{m.left + local.left, m.top + local.top, m.left + local.right, m.top + local.bottom};
}

// Main thread, mutex not held (draws only with main-thread state and the
// values passed in). `changed` is the output rectangle the upload wrote
// (surface path); `whole` sends the whole window. `movie` (renderer path) is
// the movie's output rectangle, null when no movie is shown.
void Draw(Presenter& p, DisplayMode mode, const Rect& area, const Rect& changed, bool whole,
          const SDL_Rect* movie) {
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
    if (movie && p.movieTexture) SDL_RenderCopy(p.renderer, p.movieTexture, nullptr, movie);
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
    if (p.movieTexture) SDL_DestroyTexture(p.movieTexture);
    p.movieTexture = nullptr;
    p.movieTextureWidth = p.movieTextureHeight = 0;
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
    p.movieShown = false;
    p.movieChanged = false;
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

bool PresenterSubmitMovie(const uint32_t* pixels, int width, int height, int pitch, Rect area) {
    Presenter& p = P();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (!pixels || width <= 0 || height <= 0 || pitch < width) {
        if (!p.movieShown) return false;
        p.movieShown = false;
        p.movieChanged = false;
        p.redrawPending = true;
    } else {
        p.movie.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            std::copy(pixels + static_cast<size_t>(y) * pitch, pixels + static_cast<size_t>(y) * pitch + width,
                      p.movie.begin() + static_cast<ptrdiff_t>(y) * width);
        p.movieWidth = width;
        p.movieHeight = height;
        p.movieArea = area;
        p.movieShown = true;
        p.movieChanged = true;
        p.redrawPending = true;
    }
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
    bool movieShown;
    SDL_Rect movie{};
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.wakeOutstanding = false;
        if (p.surfacePath && p.redrawPending && !p.movieShown) {
            // The movie left: the frame under it goes back into the surface.
            p.pending = Rect{0, 0, kFrameWidth, kFrameHeight};
            if (p.surface) SDL_FillRect(p.surface, nullptr, 0);
            redraw = true;
        }
        pending = !Empty(p.pending) || p.redrawPending;
        p.redrawPending = false;
        changed = Upload(p, p.pending);
        p.pending = Rect{-1, -1, -1, -1};
        movieShown = p.movieShown;
        if (movieShown && p.surfacePath && (pending || redraw)) {
            // The frame written under the movie is covered again.
            changed = Union(changed, DrawMovieIntoSurface(p));
        } else if (movieShown) {
            UploadMovieTexture(p);
            Rect m = MovieOutputRect(p);
            movie = SDL_Rect{m.left, m.top, m.right - m.left, m.bottom - m.top};
        }
        mode = p.mode;
        area = p.outputArea;
    }
    if (pending || redraw) Draw(p, mode, area, changed, redraw, movieShown ? &movie : nullptr);
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
        p.outputWidth = outputWidth;
        p.outputHeight = outputHeight;
        p.windowWidth = windowWidth;
        p.windowHeight = windowHeight;
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

void PresenterClientSize(int* width, int* height) {
    std::lock_guard<std::mutex> lock(P().mutex);
    // A window shows the frame at its own size as far as the game can tell;
    // full screen gives the whole client area.
    if (P().mode == kWindowed) {
        *width = kFrameWidth;
        *height = kFrameHeight;
    } else {
        *width = P().windowWidth;
        *height = P().windowHeight;
    }
}

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
