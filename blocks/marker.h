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

void tp_mrkr_init();
void tp_mrkr_push(const i32& kind, const i32& code);
void tp_mrkr_pop(i32& kind, i32& code);
void tp_mrkr_fin(const i32& quiet);

extern const char* const MRKMSG;  // the missing-marker warning
