// LoadText(process, box, text, width, height, margin_line, margin_row):
// one text object per text block of the named block whose box is `box` and
// whose label is `text` ("@" before it ignored; a "*" makes the part before
// it a prefix), in file order. Each is measured, laid out at the given width
// (1024) and height (768) with the margins (NULL: the settings'), and
// registered under the box name in the caller's tree, erased until Request
// "Enter". A block ending in "<?" places the next block's object where its
// text stopped. While a saved game is restored only blocks whose object does
// not exist yet are made.
#pragma once

#include "scene/create_support.h"

namespace text {

// Returns 1 when at least one object was made.
int LoadTextObjects(const scene::CreateContext& c, const char* const* args, int count);

}  // namespace text
