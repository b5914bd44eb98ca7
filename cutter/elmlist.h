// The gathering's working lists, for the gatherings themselves: the list
// handles' addresses, their opening and growth, the index array.
#pragma once

#include "core/words.h"

// Element address of a list handle (handle, check word); null while closed
// or when the check word is wrong (said).
void* elmbase(const i32* h);
// The lists could not be had: said once, status -1, nothing listed.
void list_memory_error(i32& count, i32& status);
// Opens the list (and, with copies, the turned entries' list) or grows
// them by one step and raises the capacity; false (said once, status -1,
// count 0) when they cannot be had.
bool grow_lists(bool copies, i32& capacity, i32& count, i32& status);
// False (said under the routine's name, status -1) when the model's surface
// records or nodes are released while its tree still holds entries.
bool arrays_open(const char* routine, i32& status);
// Makes the turned copies' list hold `capacity` entries, as the list does;
// false (said once, status -1, count 0) when it cannot be had.
bool copies_fit(i32 capacity, i32& count, i32& status);
// Makes the index array as large as the list and fills it with 0..count-1;
// false (status -1, count 0) when the array cannot be had.
bool identity_index(i32 capacity, i32& count, i32& status);
// Says that the index array was written other than by identity_index (the
// sort): the next identity_index fills it whole again.
void elm_index_changed();
// Forgets the side notes of the last point gathering (the lists went away).
void elm_side_drop();
