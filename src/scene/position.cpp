// Position arguments: numbers, "@" and "#" forms, placement keywords.
#include "scene/position.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/drawable.h"
#include "render/image_load.h"
#include "render/surface.h"
#include "script/variables.h"

namespace scene {

namespace {

// Frame size along an axis.
int FrameExtent(Axis axis) { return axis == kAxisX ? render::kFrameWidth : render::kFrameHeight; }

bool HasPicture(const SceneObject* o) { return o && o->image && o->image->image; }

// A keyword must be followed by the end, a tab or a space.
bool KeywordAt(const char* text, const char* keyword) {
    size_t n = std::strlen(keyword);
    if (std::strncmp(text, keyword, n) != 0) return false;
    char next = text[n];
    return next == 0 || next == '\t' || next == ' ';
}

// A number followed by exactly one of the unit letters in `units` (or by
// nothing when `bare` allows it). *unit receives the unit byte or 0.
bool ReadNumber(const char* text, bool bare, double* value, char* unit) {
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text) return false;
    if (*end == 0) {
        if (!bare) return false;
        *unit = 0;
    } else if ((*end == '%' || *end == 'P') && end[1] == 0) {
        *unit = *end;
    } else {
        return false;
    }
    *value = v;
    return true;
}

struct KeywordRow {
    const char* x;
    const char* y;
    int form;
};

enum Form { kCentre, kIn, kInFar, kInherit, kOutNear, kOutFar, kOnNear, kOnFar };

const KeywordRow kKeywords[] = {
    {"CENTER", "MIDDLE", kCentre}, {"INLEFT", "INTOP", kIn},          {"INRIGHT", "INBOTTOM", kInFar},
    {"INHERIT", "INHERIT", kInherit}, {"OUTLEFT", "OUTTOP", kOutNear}, {"OUTRIGHT", "OUTBOTTOM", kOutFar},
    {"ONLEFT", "ONTOP", kOnNear},  {"ONRIGHT", "ONBOTTOM", kOnFar},
};

}  // namespace

void ObjectSize(const SceneObject* o, int* width, int* height) {
    if (HasPicture(o)) {
        *width = o->image->image->displayWidth;
        *height = o->image->image->displayHeight;
        return;
    }
    const render::Surface* s = o && o->surface ? o->surface : render::ScreenSurface();
    *width = s->boundsRight - s->boundsLeft;
    *height = s->boundsBottom - s->boundsTop;
}

void ReferenceArea(const SceneObject* o, int32_t area[4]) {
    const SceneObject* parent = o ? o->parent : nullptr;
    if (parent && HasPicture(parent)) {
        area[0] = parent->position[0];
        area[1] = parent->position[1];
        area[2] = parent->image->image->displayWidth;
        area[3] = parent->image->image->displayHeight;
    } else if (parent && parent->groupFlag) {
        const render::Surface* s = parent->surface ? parent->surface : render::ScreenSurface();
        area[0] = s->boundsLeft;
        area[1] = s->boundsTop;
        area[2] = s->boundsRight - s->boundsLeft;
        area[3] = s->boundsBottom - s->boundsTop;
    } else {
        area[0] = 0;
        area[1] = 0;
        area[2] = render::kFrameWidth;
        area[3] = render::kFrameHeight;
    }
}

int ResolvePosition(const SceneObject* o, const char* argument, Axis axis, int32_t* out) {
    if (!o || !argument) return 0;
    size_t length = std::strlen(argument);
    if (length >= static_cast<size_t>(kPositionArgumentSize)) return 0;
    char text[kPositionArgumentSize];
    for (size_t i = 0; i <= length; ++i) {
        char c = argument[i];
        text[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    int a = axis;
    int extent = FrameExtent(axis);

    if (script::IsNumericText(text)) {
        *out = o->position[a] + static_cast<int32_t>(std::strtol(text, nullptr, 10));
        return 1;
    }
    if (text[0] == '@') {
        double v = 0;
        char unit = 0;
        if (!ReadNumber(text + 1, true, &v, &unit)) return 0;
        int32_t base = o->parent ? o->parent->position[a] : 0;
        double add = unit == '%' ? v / 100.0 * extent : v;
        *out = base + static_cast<int32_t>(add);
        return 1;
    }
    if (text[0] == '#') {
        double v = 0;
        char unit = 0;
        if (!HasPicture(o) || !ReadNumber(text + 1, false, &v, &unit)) return 0;
        int size = axis == kAxisX ? o->image->image->displayWidth : o->image->image->displayHeight;
        double shift = unit == '%' ? std::floor(v / 100.0 * extent) : std::trunc(v);
        *out = static_cast<int32_t>(shift) - size / 2 + extent / 2;
        return 1;
    }

    int w = 0, h = 0;
    ObjectSize(o, &w, &h);
    int size = axis == kAxisX ? w : h;
    int32_t area[4];
    ReferenceArea(o, area);
    int32_t start = area[a], span = area[2 + a];
    for (const KeywordRow& row : kKeywords) {
        if (!KeywordAt(text, axis == kAxisX ? row.x : row.y)) continue;
        switch (row.form) {
            case kCentre: *out = extent / 2 - size / 2; break;
            case kIn: *out = start; break;
            case kInFar: *out = start + span - size; break;
            case kInherit: {
                int32_t parentStart = o->parent ? o->parent->position[a] : 0;
                *out = parentStart + span / 2 - size / 2;
                break;
            }
            case kOutNear: *out = start - size; break;
            case kOutFar: *out = start + span; break;
            case kOnNear: *out = start - size / 2; break;
            default: *out = start + span - size / 2; break;
        }
        return 1;
    }
    return 0;
}

int ApplyPosition(SceneObject* o, const char* x, const char* y) {
    int32_t nx = 0, ny = 0;
    if (!ResolvePosition(o, x, kAxisX, &nx) || !ResolvePosition(o, y, kAxisY, &ny)) return 0;
    o->position[0] = nx;
    o->position[1] = ny;
    const SceneObject* parent = o->parent;
    if (parent && parent->groupFlag) {
        std::memcpy(o->groupOffset, parent->position, sizeof o->groupOffset);
    } else {
        std::memset(o->groupOffset, 0, sizeof o->groupOffset);
    }
    return 1;
}

}  // namespace scene
