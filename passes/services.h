// What the procedure frame uses of the surface-milling passes: the pass
// loops, the geometry definition dialogs, the up/down options, the link
// parameters and the small state words kept between procedures.
#pragma once

#include "core/words.h"
#include "passes/pastab.h"
#include "passes/srfbox.h"

// Spiral-entry mode of the passes (2 at the start of every procedure).
extern i32 SPIMOD;
// The link value kept between procedures: mode 1 get, 2 set.
void LNKVAL(const i32& mode, i32& value);
// Up/down motion state: start (the five option words take their defaults:
// mode 1, angle 0, options 1, 1, 1), release, forget the buffered points.
void UDINIT(i32& w429, i32* item431, i32& w455, i32& w456, i32& w457);
// Writes the buffered motions out, closes the up/down arrays and empties the buffer.
void UDRELS(i32& status);
// Forgets the buffered up/down points.
void UDRSTN();
// Hands the up/down options to the passes for one execution.
void UDSETP(const i32& w429, const i32* item431, const i32& w455, const i32& w456, const i32& w457, const i32& work);
// Writes the buffered up/down motions out.
void UDFLSH(i32& status);
// Writes the up/down items 274 to 278 as coded segments.
void UDWPAR(const i32& medium, const i32& w429, const i32* item431, const i32& w455, const i32& w456,
            const i32& w457, i32& position, i32& status);
// Registers the translation rows of the up/down items.
void UDTRNS(i32& status);
// The output Z shift: a real added to the Z of the GO points, 0 unless the
// up/down set-up sets it; starting the up/down state (UDINIT) clears it.
extern f32 OUTZSH;
// Sets the output Z shift.
void SETZSH(const f32& shift);

// Passes made so far (item 112), and the two values kept with them (113, 114).
extern i32 NPASS;
extern f32 LSTEND, LSTPAR;
// Engines' copy of the axis mode.
extern i32 AXSCPY;

// When set, the pass loops hand their run to it with 1 (SURM1), 2 (SURMP1)
// or 3 (SURM1T) and their status, so that their runs can be followed.
extern void (*SRMHOOK)(i32 loop, i32& status);

// Pass loops: over the picked surfaces, stepping their parameter lines, and
// over one trimmed surface. Each takes the procedure's clean-up value for
// the run (word 405, 0.001 in place of 0) and hands it to the clean-up.
void SURM1(const f32& cleanup, i32& status);
// The loop over the picked surfaces one after the other, each stepped from its start to its end pass.
void SURMP1(const f32& cleanup, i32& status);
// The loop over one trimmed surface: its trim polygons hatched along the stepped parameter, the hatch milled.
void SURM1T(const f32& cleanup, i32& status);
// Closes the store of hatch-segment records.
void CLSLNS(i32& status);
// Starts the spline fit afresh with tolerance tol (0.01 when not positive); the mode is not read.
void FITINI(const i32& mode, const f32& tol);

// The geometry definition (picking, cut direction, limits, start corner,
// width point, markers) is declared in passes/geodef.h.
#include "passes/geodef.h"

// The tool at one surface point (the movement-direction routine with the
// module's work areas): tool point, tool axis, surface normal into result.
void NCEVSW(const f64* buf, const f32& u, const f32& v, const f32& wu, const f32& wv, const i32& side,
            const i32& axsmod, i32& flag3, const f32& lead, const f32& tilt, f32* result, i32& status);

// Link-parameter block, the values stored as given: link kind, approach
// length, arc radius, the two link distances, safety distance, tolerance,
// part and check offsets, gouge-check flag, surface count, a count of the
// caller's, the heights record's height mode (an integer word) and
// incremental height (a real word). The clearance-move flags are cleared.
void SETMOC(const i32& w4, const f32& w39, const f32& w63, const f32* w87, const f32& w89, const f32& w15,
            const f32& w283, const f32& w307, const i32& flag, const i32& nsrf, const i32& npart2, const i32* hmode,
            const i32* hinc);
// The items of the up/down option menu: the mode, and the slope angle for
// modes 2 and 3, padded with blank rows to four; item advances by four and
// numbers receives the item numbers shown (0 for a blank).
void UDOPTM(i32& w429, i32* item431, i32& w455, i32& item, i32* numbers);
