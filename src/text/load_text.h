// LoadText(process, box, text, width, height, margin_line, margin_row):
// one text object per text block of the named block whose box is `box` and
// whose label is `text` ("@" before it ignored; a "*" makes the part before
// it a prefix), in file order. Each is measured, laid out at the given width
// (1024) and height (768) with the margins (NULL: the settings'), and
// registered under the box name in the caller's tree, erased until Request
// "Enter". A block ending in "<?" places the next block's object where its
// text stopped. The object keeps its block's text name (TextPayload::
// textName) and the caller's object prefix, with which the block's inline
// code runs.
//
// While a saved game is restored (engine state 514) only the block whose
// text name is the one being restored (SetRestoringTextName) is made, and
// only when no object of its name exists yet; with no name set, every
// matching block whose object is missing is made.
#pragma once

#include "scene/create_support.h"

namespace text {

// Returns 1 when at least one object was made.
int LoadTextObjects(const scene::CreateContext& c, const char* const* args, int count);

// The text name of the LoadText object a restore is about to re-create
// (null or "" forgets it). Set and read on the thread that restores a saved
// game, while the script threads stand still.
void SetRestoringTextName(const char* name);

}  // namespace text
