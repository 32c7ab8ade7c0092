#include "platform/window_icon.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Distance from point p to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    double cx = ax + t * dx - px, cy = ay + t * dy - py;
    return std::sqrt(cx * cx + cy * cy);
}

// Coverage of an edge at distance d inside (negative) or outside (positive).
double Coverage(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

}  // namespace

std::vector<uint32_t> MakeWindowIcon(int size) {
    size = std::max(size, 8);
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0);
    double s = size, centre = s / 2, radius = s / 2 - 0.5;
    double stroke = s / 11;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double disc = Coverage(std::hypot(px - centre, py - centre) - radius);
            if (disc <= 0) continue;
            // Violet, lighter towards the top.
            double shade = 1.0 - 0.35 * py / s;
            double r = 0x7A * shade, g = 0x3C * shade, b = 0xB0 * shade;
            double v = std::max(
                Coverage(SegmentDistance(px, py, s * 0.28, s * 0.27, s * 0.5, s * 0.76) - stroke),
                Coverage(SegmentDistance(px, py, s * 0.72, s * 0.27, s * 0.5, s * 0.76) - stroke));
            r += (255 - r) * v;
            g += (255 - g) * v;
            b += (255 - b) * v;
            auto channel = [](double c) { return static_cast<uint32_t>(std::clamp(c + 0.5, 0.0, 255.0)); };
            pixels[static_cast<size_t>(y) * size + x] = channel(disc * 255) << 24 | channel(r) << 16 |
                                                        channel(g) << 8 | channel(b);
        }
    }
    return pixels;
}

}  // namespace platform
