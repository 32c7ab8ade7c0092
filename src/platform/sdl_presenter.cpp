#include "platform/sdl_presenter.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/stretch.h"

namespace platform::sdl {

namespace {

constexpr size_t kFramePixels = static_cast<size_t>(kFrameWidth) * kFrameHeight;

struct Presenter {
    // Main thread only.
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frameTexture = nullptr;   // kFrameWidth x kFrameHeight, linear filtering
    SDL_Texture* scaledTexture = nullptr;  // the software-stretched picture, drawn 1:1
    int scaledTextureWidth = 0, scaledTextureHeight = 0;
    std::string rendererName = "none";
    bool accelerated = false;
    SDL_Texture* movieTexture = nullptr;  // the movie picture at its own size
    int movieTextureWidth = 0, movieTextureHeight = 0;

    // Guarded by `mutex`.
    std::mutex mutex;
    std::vector<uint32_t> frame;   // the last presented picture
    std::vector<uint32_t> scaled;  // stretch target (software-stretch modes)
    Rect pending{-1, -1, -1, -1};  // empty when right <= left
    bool wakeOutstanding = false;
    bool presented = false;
    DisplayMode mode = kWindowed;
    Rect outputArea{0, 0, kFrameWidth, kFrameHeight};  // renderer pixels
    Rect clientArea{0, 0, kFrameWidth, kFrameHeight};  // window coordinates
    int outputWidth = kFrameWidth, outputHeight = kFrameHeight;  // renderer pixels
    int windowWidth = kFrameWidth, windowHeight = kFrameHeight;  // client coordinates
    // The movie shown over the frame.
    std::vector<uint32_t> movie;  // movieWidth x movieHeight
    int movieWidth = 0, movieHeight = 0;
    Rect movieArea;          // client coordinates
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

// Caller holds the mutex; main thread.
void Upload(Presenter& p, const Rect& dirty) {
    if (Empty(dirty)) return;
    if (SoftwareStretch(p.mode) && p.scaledTexture) {
        int w = p.scaledTextureWidth, h = p.scaledTextureHeight;
        Rect area = StretchedDirtyRect(dirty, kFrameWidth, kFrameHeight, w, h);
        if (Empty(area)) return;
        auto stretch = p.mode == kFullNearest ? StretchNearest : StretchFiltered;
        stretch(p.frame.data(), kFrameWidth, kFrameWidth, kFrameHeight, p.scaled.data(), w, w, h, area);
        SDL_Rect r{area.left, area.top, area.right - area.left, area.bottom - area.top};
        SDL_UpdateTexture(p.scaledTexture, &r, p.scaled.data() + static_cast<size_t>(area.top) * w + area.left,
                          w * 4);
        return;
    }
    SDL_Rect r{dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top};
    SDL_UpdateTexture(p.frameTexture, &r,
                      p.frame.data() + static_cast<size_t>(dirty.top) * kFrameWidth + dirty.left,
                      kFrameWidth * 4);
}

// Caller holds the mutex; main thread. Puts the movie's pixels into its
// texture (made again when the movie's size changed).
void UploadMovie(Presenter& p) {
    if (!p.movieChanged) return;
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

// The movie's area in renderer pixels (a high-density output has more
// pixels than the window has client coordinates). Caller holds the mutex.
SDL_Rect MovieOutputRect(const Presenter& p) {
    auto scale = [](int v, int out, int window) {
        return window > 0 ? static_cast<int>(static_cast<int64_t>(v) * out / window) : v;
    };
    int left = scale(p.movieArea.left, p.outputWidth, p.windowWidth);
    int top = scale(p.movieArea.top, p.outputHeight, p.windowHeight);
    int right = scale(p.movieArea.right, p.outputWidth, p.windowWidth);
    int bottom = scale(p.movieArea.bottom, p.outputHeight, p.windowHeight);
    return SDL_Rect{left, top, right - left, bottom - top};
}

// Main thread, mutex not held (draws only with main-thread state and the
// areas, passed in). `movie` is null when no movie is shown.
void Draw(Presenter& p, DisplayMode mode, const Rect& area, const SDL_Rect* movie) {
    SDL_SetRenderDrawColor(p.renderer, 0, 0, 0, 255);
    SDL_RenderClear(p.renderer);
    SDL_Rect dst{area.left, area.top, area.right - area.left, area.bottom - area.top};
    SDL_Texture* texture = SoftwareStretch(mode) && p.scaledTexture ? p.scaledTexture : p.frameTexture;
    SDL_RenderCopy(p.renderer, texture, nullptr, &dst);
    if (movie && p.movieTexture) SDL_RenderCopy(p.renderer, p.movieTexture, nullptr, movie);
    SDL_RenderPresent(p.renderer);
}

}  // namespace

bool PresenterCreate(SDL_Window* window) {
    Presenter& p = P();
    // Linear filtering for the renderer's own scaling (full screen mode 1 and
    // a window that the window manager made another size).
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    p.renderer = SDL_CreateRenderer(window, -1, 0);
    if (!p.renderer) {
        std::fprintf(stderr, "velmoor: no accelerated renderer (%s); using the software renderer\n",
                     SDL_GetError());
        p.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!p.renderer) {
        std::fprintf(stderr, "velmoor: cannot create a renderer: %s\n", SDL_GetError());
        return false;
    }
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
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.frame.assign(kFramePixels, 0xFF000000u);
        p.pending = Rect{0, 0, kFrameWidth, kFrameHeight};
        p.presented = false;
        p.wakeOutstanding = false;
        p.mode = kWindowed;
    }
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(p.renderer, &w, &h);
    int ww = 0, wh = 0;
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
    if (p.wakeOutstanding || !p.renderer) return false;
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
    if (p.wakeOutstanding || !p.renderer) return false;
    p.wakeOutstanding = true;
    return true;
}

void PresenterWakeLost() {
    std::lock_guard<std::mutex> lock(P().mutex);
    P().wakeOutstanding = false;
}

void PresenterFlush(bool redraw) {
    Presenter& p = P();
    if (!p.renderer) return;
    DisplayMode mode;
    Rect area;
    bool changed;
    bool movieShown;
    SDL_Rect movie{};
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.wakeOutstanding = false;
        changed = !Empty(p.pending) || p.redrawPending;
        p.redrawPending = false;
        Upload(p, p.pending);
        p.pending = Rect{-1, -1, -1, -1};
        UploadMovie(p);
        mode = p.mode;
        area = p.outputArea;
        movieShown = p.movieShown;
        if (movieShown) movie = MovieOutputRect(p);
    }
    if (changed || redraw) Draw(p, mode, area, movieShown ? &movie : nullptr);
}

void PresenterConfigure(DisplayMode mode, int outputWidth, int outputHeight, int windowWidth,
                        int windowHeight) {
    Presenter& p = P();
    if (!p.renderer) return;
    Rect out = FrameAreaFor(outputWidth, outputHeight);
    if (mode == kWindowed && outputWidth == kFrameWidth && outputHeight == kFrameHeight)
        out = Rect{0, 0, kFrameWidth, kFrameHeight};
    Rect client = FrameAreaFor(windowWidth, windowHeight);
    if (mode == kWindowed && windowWidth == kFrameWidth && windowHeight == kFrameHeight)
        client = Rect{0, 0, kFrameWidth, kFrameHeight};
    int w = out.right - out.left, h = out.bottom - out.top;
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
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.mode = mode;
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
        // The new texture (or the other one) must be filled again.
        p.pending = Rect{0, 0, kFrameWidth, kFrameHeight};
    }
    PresenterFlush(true);
}

void PresenterClientSize(int* width, int* height) {
    std::lock_guard<std::mutex> lock(P().mutex);
    *width = P().windowWidth;
    *height = P().windowHeight;
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
