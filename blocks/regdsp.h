// Registered display blocks of the tool path display: one per displayed tool
// path block, with its points, arcs, drill moves and line attributes; on the
// recording road (display sources 8 to 11) the positions and technology
// changes go to the host's simulation recording instead. Also the tool
// figure's motion along lines, arcs and NURBS curves, and the "MXF1"
// parameter.
#pragma once

#include "core/words.h"

// Display state of one walk over the blocks, set by DSPINI.
struct DisplayState {
    i32 font, colour, pen;  // what a negative attribute request stands for
    i32 blank;              // the current block is drawn hidden
    i32 fastblank;          // the current block is a rapid move
    i32 moveto;             // the next point starts a new line
    i32 keep;               // 1: a move-to keeps the host's font, colour and pen
    i32 procblank;          // the procedure being shown is blanked
};
extern DisplayState DSPST;

// Rapid and feed attributes of drill moves (font, colour, pen; the feed's
// colour and pen are the defaults).
constexpr i32 RAPID_FONT = 5, RAPID_COLOUR = 2, RAPID_PEN = 3, FEED_FONT = 4;

// The tool figure shown (the host's tool instance), 0 none.
i32 TOLFIG();
// A point through the tool path transformation of "TRS1" when it is active.
void TRS1PT(const f32* in, f32* out);

// Starts the display of one block: mode 0 deletes its display blocks,
// mode 1 registers it.
void DSPBEG(const i32& source, const i32& mode, const i32& number);
// Adds the current position of "DSP8" to the registered block.
void DSPMOV(const i32& source, const i32& mode, const i32& number, i32& status);
// Adds the current position as a drill move: kind 0 feed, other rapid.
void DSPDRL(const i32& source, const i32& mode, const i32& kind, const i32& number, i32& status);
// Sets the line attributes; a negative value takes the remembered default.
void DSPATT(const i32& source, const i32& mode, const i32& font, const i32& colour, const i32& pen);
// Back to the default attributes of the display record (font 4).
void DSPRST(const i32& source, const i32& mode);
// Draws an arc: start angle, sweep, step, centre (2), height, radius; plane.
void DSPARC(const i32& source, const i32& mode, const f32* arc, const i32& plane);
// Hands one technology change to the recording road.
void RECPRM(const i32& source, const i32& mode, const i32& code, i32& status);

// Tool figure along count straight moves from the start point and axis, in
// steps of at most the step length.
void TOLLIN(const i32& count, const f32* points, const f32* axes, const f32* start, const f32* startaxis,
            const f32& step);
// Tool figure along an arc about the centre (u, v) at a height.
void TOLARC(const f32* centre, const f32& height, const f32* axis, const f32& u, const f32& v, const f32& angle,
            const f32& step);
// Tool figure along a NURBS curve of order k with n control points.
void TOLSPL(const i32& k, const i32& n, const f64* points, const f64* knots, const f32& step);

// "MXF1": mode 1 reads it (-15000.0 when the host has none), mode 2 stores it.
void GTMXF1(const i32& mode, f32& value);
