// The two undoable picture filters that scripts apply to a texture object:
// shade (box blur) and tone (colour tone), chosen by name codes.
//
// The filters work in place on one Image and keep an unfiltered saved copy
// until a restore. The caller (the object command) holds the SceneLock, makes
// the object's image private first when it belongs to another object
// (CopyImageForFilter), and adds the object's area to the redraw afterwards.
#pragma once
#include <cstdint>

#include "render/image.h"

namespace render {

// Code of a filter name: the sum over its bytes of (b if b < 0x5A, else
// b - 0x20), so letters count as capitals whatever their case.
int32_t FilterNameCode(const char* name);

// Shade codes: 764 1 pass, 376 2, 449 4, 683 8, 381 16, 769 24, 464 32 passes;
// 315 and 592 restore.
// Tone codes: 759 monochrome, 598 negative, 370 sepia (warm: red and green
// above blue), 750 blue tone (the codes of the names "Monochrome",
// "NegaPosi", "Sepia" and "KitanoBlue"); 315 restore (e.g. "Null").
// What a code asks of a filter, so that callers can refuse a call before
// they make a picture private for it.
enum FilterCodeKind : int { kFilterUnknown = 0, kFilterApply = 1, kFilterRestore = 2 };
FilterCodeKind ShadeCodeKind(int32_t code);
FilterCodeKind ToneCodeKind(int32_t code);
// Each returns 1, or 0 for an unknown code, a restore without a saved copy,
// or memory running out.
int ApplyShade(Image* image, int32_t code);
int ApplyTone(Image* image, int32_t code);

// Fills the three weight tables of the monochrome tones (i * 77 >> 8,
// i * 151 >> 8, i * 28 >> 8). Called once at start-up; returns true.
bool BuildGreyTables();

// One box-blur pass and one tone over the image's rows (exposed for tests).
void ShadePass(Image* image);
void ToneFilter(Image* image, int32_t code);

}  // namespace render
