// The holder clearance stage of the optimizer: while the tool path is cut
// into the stock, every move is checked for each holder section, which
// must stay the safety distance above the stock; the stage reports the
// sections that come closer (mode 2) or also cuts the lines at the borders
// of the contact and rebuilds the contact stretches as links over the
// stock (mode 3), machining them with a longer tool (modes 4 and 5).
#pragma once

#include <vector>

#include "core/words.h"

constexpr i32 HOLDER_SECTIONS_MAX = 15;  // holder sections the stage keeps state for

// One line Q to P checked for every holder section (slots 1 to N, each
// lifted by its start Z less the safety distance; widths: the sections'
// enlarged upper diameters). mask (the line's samples, 0 at Q and `steps`
// at P) receives the contact of all sections, borders refined by bisection
// and gaps closed that are shorter than 1.5 tool diameters along the move
// (the free length before the move counted with a leading gap); required
// is raised to each section's deepest reach below its clearance. Answers 1
// when any section comes too close.
i32 optim_holder_line_check(const f32* Q, const f32* P, const f32* widths, const f32& free_before, f32* required,
                            std::vector<char>& mask, i32& steps, i32& status);
// out = A + (B - A) t, per coordinate.
void optim_lerp3(const f32* A, const f32* B, const f32& t, f32* out);
// The holder stage over the tool path list. Mode 2 reports; 3 links over
// the contact stretches; 4 machines them at the path's end with a library
// tool that stays clear or a lengthened copy of the tool (word 4 % of the
// feeds, word 5 % of the spindle value), 5 with the tools of the tool rows,
// pass by pass, each taking what the holder of the one before reaches.
// Status 1000 when the user stopped, -1 for a holder whose record counts
// more sections than it holds (with a message) or a failure.
void optim_holder_stage(i32& status);
