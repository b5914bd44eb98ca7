// Pocket computation of one contour area: the main arrays sized, the offset
// driver run over the stored contours with its retries, every failing
// status turned into its message; the tries of the clean area.
#pragma once

#include "core/words.h"

// Status of a pocket that cannot be sized (no tool radius and no side value,
// or sizes beyond the arrays' range).
constexpr i32 CMT_NO_SIZE = 23;

// Runs the offset driver over the stored contours. Status 0 or 100 success,
// 17 nothing to clear, CMT_NO_SIZE, else the driver's failing status.
void cmtpk1(const i32& kind, i32& status);
// Clears one contour area (code 21 from the area-clearing driver). Status
// 0 or 100 success, 17 nothing to clear, 2 a loop start above the height
// limit, -1 failure.
void clr_clean_area(const i32& code, i32& status);
// The capacity the last sizing gave the main arrays (points).
i32 cmt_capacity();

