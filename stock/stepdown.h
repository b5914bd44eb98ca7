// A run of moves that removes too much for one pass, repeated in front of
// itself at rising depths.
#pragma once

#include "core/words.h"

// In front of the moves after block j2 up to block j3 inserts n - 1 copies
// raised by (n - k) x d / n for pass k, skipping what lies in the air above
// the stock top plus the tool's diameter, each piece joined by a rapid link
// the safety distance above the stock and a plunge; with j1 < j2 the lines
// after j1 up to j2 are replaced by one rapid above the end of j2. The run
// stays as the deepest pass. A failed write leaves the tool path as it was.
void step_down_passes(const i32& j1, const i32& j2, const i32& j3, const i32& n, const f32& d, const f32& top,
                      i32& status);
