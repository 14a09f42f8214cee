#pragma once

namespace zalvert {

// Marks the upper halves of the AVX registers as unused (vzeroupper), where the
// processor has them; does nothing elsewhere.
//
// Parts of the toolkit (its platform start, some of its painting) return with those
// halves in use. While they are, every SSE instruction of ours, of SQLite and of the
// C library has to merge with them; nothing in the import clears them again, since
// on a processor with AVX-512 the C library's string functions use registers that
// need no clearing. Measured: the same import ran a third slower after the
// toolkit's start until this was called. Call it before long work that follows
// the toolkit's code.
void ClearUpperVectorState();

}  // namespace zalvert
