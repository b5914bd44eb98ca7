// Stack of open markers: {kind, code} pairs in a host dynamic array, kind 1
// a start marker, 2 an end marker without its start.
#pragma once

#include "core/words.h"

struct MarkerStack {
    i32 handle;
    i32 top;       // index of the top entry, -1 empty
    i32 capacity;  // entries, 0 when no array is open
};
extern MarkerStack MRKSTK;

void tp_mrkr_init();  // an empty stack (an array left open released)
void tp_mrkr_push(const i32& kind, const i32& code);  // pushes a marker, the array grown as needed
void tp_mrkr_pop(i32& kind, i32& code);  // pops the top marker; -1 and -1 when empty
// Releases the stack, warning (unless quiet) when markers are still open.
void tp_mrkr_fin(const i32& quiet);
// Writes the end marker of every start marker still open, innermost first
// (the end marker of code c is of kind 2c, as the module pairs them), so that
// a tool path cut short by a failure stays balanced. Status of the first
// failing write; the markers not closed then stay on the stack, and so do
// the entries below an end marker that had no start.
void tp_mrkr_close(i32& status);

extern const char* const MRKMSG;  // the missing-marker warning
