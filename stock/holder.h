// The tool with its holder as the optimizer sees it: the holder sections as
// cones above the tool's clear length with their images on the stock grid,
// the widened tool, lengthened copies of a tool, numbered new tools, the
// switch of the output to another tool, and the search of the library for
// a tool that cuts alike and whose holder stays clear.
#pragma once

#include "core/words.h"
#include "tools/toolcache.h"

// The section table: N sections (0 when the tool has no holder) and the
// height above the tool tip where each begins. Section i has its image in
// stock slot i + 1; the widened tool is in slot N + 1.
struct HolderSteps {
    i32 n;
    f32 z[HD_MAXS];
};
extern HolderSteps holder_steps;

// Builds the section images and the widened tool's image for the tool, and
// the section table; lengths and upper (HD_MAXS floats each) receive each
// section's image length and widened upper diameter, flag the holder's
// drop-first-step integer. Status of the image build on failure.
void optim_holder_images(const i32& tool, f32* lengths, f32* upper, i32& flag, i32& status);
// Copies of the current tool's 12 MILL values and its holder record with
// the required lengths applied (required[0] for the tool's clear length,
// then one per section in use, as the section table counts them: N + 1
// values, read as far as each way needs): lengthened in place (mode 1, or
// mode 2 with the first two zero; sections 0 to N - 2), with a new first
// section, or with the tool lengthened and the sections moved up.
void optim_extend_tool(const f32* required, const i32& mode, f32* mill, i32* holder);
// The block-number bases of holder pass `pass` (from 0): the first number
// of the pass and the base of the next, by the holder mode (word 3) and, in
// mode 5, the tool rows in use (word 68).
void optim_pass_blocks(const i32& pass, const i32& base, i32& first, i32& next);
// Creates a tool from the current one with the given MILL values and
// holder under the first free name "<name>_nnn"; new_id -1 on failure.
void optim_new_tool(const f32* mill, const i32* holder, i32& new_id, i32& status);
// 1 when the two tools have exactly equal diameter, corner radius and taper.
i32 optim_same_tool(const i32& a, const i32& b);
// Switches the output to the tool: the tool and the spindle value ("PRM9"
// word 7) are written as a tool change in the machine state.
void optim_tool_change(const i32& tool, const i32& value, i32& status);

// The tool's name for the messages of the run: 20 characters and a zero,
// trailing blanks and zeros made zeros.
void optim_tool_name(const i32& id, char* text);
// Searches the milling tools of the library for one other than the current
// that cuts alike (equal diameter, corner radius and taper) and whose side
// profile of cutter and holder lies within the current tool's profile with
// the extension lengths; the one with the smallest clear length wins.
// Answers 1 with its id in best, else 0 (also for a library that cannot
// be listed or read to its end; status stays 0).
i32 optim_find_tool(const i32& current, const f32* extension, i32& best, i32& status);
