// Block printers of the listings: each writes the lines of one block type
// in the listing mode given (lstate.h) and sets the last kind. The block
// dispatcher PRTBLK reads the blocks and hands their values on. A printer
// takes only the values its lines use: a block's size or type, the listing
// scale, a name's length, a matrix, a depth or a pointer that its lines do
// not depend on is not passed (the setting and cycle printers print values
// that are not scaled, one layout per type; the parameter names are
// written whole; the header prints its names and heights only).
#pragma once

#include "core/words.h"

// Lines (2, 22, 222): the heading when the last kind differs, then the point.
void PRBT02(const i32& mode, const i32& unit, const i32& number, const i32& type, const f32& scale, f32* point,
            f32* vector);
// The heading of a string of lines (7, 27, 227) with its number of points.
void PRBT07(const i32& mode, const i32& unit, const i32& type, const i32& points);
// One point line, and the vector line for the types that carry a vector.
void PRTPNT(const i32& unit, const i32& type, const i32& number, const f32& scale, f32* point, f32* vector);
// Arcs (3, 23, 223): heading, plane, angle, centre, end and the vector of 23 and 223.
void PRBT03(const i32& mode, const i32& unit, const i32& type, const i32& number, const i32& plane,
            const f32& angle, f32* centre, const f32& scale, f32* end, f32* vector);
// Markers (99): one line with the state word and the kind's name; status -1
// for a kind outside 1 to 66.
void PRBT99(const i32& mode, const i32& unit, const i32& number, const i32& kind, const f32& scale,
            const f32& rvalue, const i32& ivalue, i32& status);

// The setting and cycle printers below take no block size or type and,
// but for the transformation, drill location and cycles with points, no
// scale: one layout per type, and values that are not lengths.
// Transformation (40): the matrix rows and the translation.
void PRBT40(const i32& mode, const i32& unit, const i32& number, const f32* matrix, f32* translation,
            const f32& scale);
// Depth setting (36): old and new Z.
void PRBT36(const i32& mode, const i32& unit, const i32& number, const f32& znew, const f32& zold);
// Cycle cancel (35): the cycle's name when it has one.
void PRBT35(const i32& mode, const i32& unit, const i32& number, const i32& code);
// Retract mode (34): old and new mode.
void PRBT34(const i32& mode, const i32& unit, const i32& number, const i32& oldmode, const i32& newmode);
// Del-Z surface setting (33): the distance.
void PRBT33(const i32& mode, const i32& unit, const i32& number, const f32& distance);
// Drill location (31): the heading of a run of them, point and direction.
void PRBT31(const i32& mode, const i32& unit, const i32& number, f32* point, f32* direction, const f32& scale);
// Cycle activation (30): name, del-Z surface, depth, clearance, initial
// distance and the retract plane.
void PRBT30(const i32& mode, const i32& unit, const i32& number, const i32& code, const f32& delz, const f32& depth,
            const f32& clear, const i32& retract, const f32& initial);
// Groove cycle (14): type, start and end, and the six cycle values; status 0.
void PRBT14(const i32& mode, const i32& unit, const i32& number, const i32& gtype, f32* start, f32* end,
            const f32* six, const f32& scale, i32& status);
// Thread cycle (13): start and end, the number of starts and the current one.
void PRBT13(const i32& mode, const i32& unit, const i32& number, f32* start, f32* end, const i32& total,
            const i32& current, const f32& scale);

// Lathe drill cycle (11).
void PRBT11(const i32& mode, const i32& unit, const i32& number, const i32& dtype, const f32& depth,
            const f32* start, const i32& steps, const f32& feed);
// Rotation axes definition (10): lines in mode 1, one table row otherwise.
void PRBT10(const i32& mode, const i32& unit, const i32& number, const i32& axes, const f32& scale, f32* xpivot,
            f32* ypivot);
// MACSYS rotation (9): axes, angle, arc centre and end.
void PRBT09(const i32& mode, const i32& unit, const i32& number, const i32& axes, f32* centre, const f32& angle,
            f32* end, const f32& scale);
// Home definition (6): one title for a run of them, then the point.
void PRBT06(const i32& mode, const i32& unit, const i32& number, const f32& scale, f32* home);
// NURBS (5, 25, 225) read from the medium after its header (size words in
// all, type word included): its entries with their values and points, in
// the listing's unit and shifted to the listing origin in mode 1.
void PRBT05(const i32& mode, const i32& unit, const i32& medium, const i32& size, const i32& type,
            const f32& scale, i32& status);
// Text message (4): labelled by its kind, a line in mode 1, a table row otherwise.
void PRBT04(const i32& mode, const i32& unit, const i32& number, const i32& length, char* text);
// The item details of a technology block (procedure lists); status 0.
void PRTPRM(const i32& unit, const i32& size, const i32& type, const i32& code, const i32& deftype,
            const i32& valtype, const i32& ivalue, const f32& rvalue, i32& status);

// The 10-character name of a technology parameter ("UN KNOWN  " and an
// internal error for a code without one).
void DEFPNM(const i32& code, char* name);
// Technology block (1): one line with the parameter's name and value.
void PRTBT1(const i32& mode, const i32& unit, const i32& number, const i32& code, const i32& ivalue,
            const f32& rvalue, i32& status);
// Header block (0): name, level, MACSYS, machine type, origin, home and UCS
// by listing mode; tool path id -1 the current tool path, 0 none.
void PRTBT0(const i32& mode, const i32& tp, const i32& unit, const i32& number, const char* name,
            const i32& machine, f32* origin, f32* home, const f32& scale, const i32& ucs);
