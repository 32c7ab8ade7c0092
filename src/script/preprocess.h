// The preprocessor: one pass over a loaded script that finds its blocks,
// their nested blocks, text blocks, text entries and inline blocks, blanks
// the white space the text layer must not see (as LF), and registers the
// file's read marks. Includes are handled by the loader afterwards.
//
// Runs under the script-loading lock (loader.h); writes into the loaded text.
#pragma once

namespace script {

struct ScriptProcess;

// Preprocesses the file in slot `scriptIndex`. Returns 1, or 0 when a block
// or an inline block has no matching brace, a text block no "</PRE>", a
// block more than 512 nested ranges, or an allocation failed (the caller
// frees the slot's blocks). Problems are reported on stderr.
int PreprocessScript(ScriptProcess* process, int scriptIndex);

// Unique names of inline blocks: the decimal text of a counter.
unsigned NextInlineBlockNumber();

}  // namespace script
