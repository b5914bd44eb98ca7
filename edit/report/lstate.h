// The listing state and the line model shared by every listing that prints
// tool path blocks: the tool path listing, the frame's procedure and header
// lists and the block list. One record holds what runs from block to block
// (procedure number, last kind, listing origin) and the fixed-width fields
// the printers put into their lines.
#pragma once

#include <initializer_list>

#include "core/host.h"
#include "core/words.h"

// Listing modes: how the dispatcher and the printers lay a block out.
constexpr i32 LM_TPLIST = 1;  // tool path listing and block list: points shifted to the listing origin
constexpr i32 LM_PROCS = 2;   // procedure list: points as stored
constexpr i32 LM_HEADS = 3;   // procedure-header list: one table row per block that has one

constexpr i32 LK_NONE = -1;  // last kind before the first block of a listing

struct ListingState {
    i32 proc;       // procedure number printed in the block-number fields, 0 before the first procedure block
    i32 last;       // kind of the last block printed: a block type, or 900 and more after a marker
    f32 origin[3];  // listing origin subtracted from the points in mode 1
    char num[6];    // number column: FMTPRC
    char blk[11];   // block-number field: FMTBLK
    char val[48];   // value field: FMTVAL modes 1 to 5
    char lval[80];  // long value field: FMTVAL mode 6 and the table rows
};
extern ListingState LSTST;

// Starts a listing from a fresh state: procedure 0, no last kind, the
// listing origin of the current tool path's header (0 without a tool path
// or header); the list position stays where it is. Every listing and the
// block list call it first: a state carried over from the last listing
// would give the first procedure the last one's number and leave out the
// first line's heading when its kind equals the last kind printed.
void LSTRST();

// "(1x,i3,2x)" of a procedure number into the number column.
void FMTPRC(const i32& number);
// "(1x,i3,'-',i6)" of a procedure and a block number into the block-number field.
void FMTBLK(const i32& proc, const i32& number);
// The value field (modes 1 to 5) or the long value field (mode 6) of the
// values; mode 2 first truncates the vector to four decimals in place.
void FMTVAL(const i32& mode, f32* values, const f32& scale);
// One NURBS entry: its value K alone, or K and its point (the point in the
// listing's unit: times the scale).
void PRTNRB(const i32& unit, const i32& number, const f32& scale, const i32& point, const f32& k, const f32* xyz);

// Edit descriptors of formatted fields: iN and fN.4 right-justified in
// width characters (asterisks when the value does not fit), aN a text cut
// or blank-padded to width.
void fmti(char* out, i32 width, i32 value);
void fmtf(char* out, i32 width, f64 value);  // fN.4; asterisks for a value not finite
void fmta(char* out, i32 width, const char* text, i32 length);  // aN of length characters of text

// One line of items on a listing unit.
void lnout(const i32& unit, std::initializer_list<lnitem> items);
// A line of one blank.
void lnblank(const i32& unit);
// Text items of the fields.
inline lnitem lnNUM() { return lnT(LSTST.num, 6); }  // the number field
inline lnitem lnBLK() { return lnT(LSTST.blk, 11); }  // the block field
inline lnitem lnVAL() { return lnT(LSTST.val, 48); }  // the value field
// A C text at its length.
lnitem lnS(const char* text);
// A field of `width` characters: the text in double quotes, blank-padded.
void quoted(char* field, i32 width, const char* text, i32 length);
