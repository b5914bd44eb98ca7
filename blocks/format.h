// Tool path block frame: opening and closing a block on a list or an entity
// stream, block numbers per list level, the block header at the cursor and
// the class of each block type.
#pragma once

#include "core/words.h"

// Access modes of the block routines.
constexpr i32 AM_ENTITY = 1;   // the current open entity (size word first)
constexpr i32 AM_LIST = 2;     // the current tool path list, caller's block number
constexpr i32 AM_APPEND = 3;   // the list, block number from the list's counter
constexpr i32 AM_LISTCNV = 4;  // list read through the block coordinate conversion
constexpr i32 AM_ENTCNV = 5;   // entity read through the block coordinate conversion
constexpr i32 AM_NONE = 7;     // readers do nothing

// Block types: the type word of a block.
constexpr i32 BT_HEADER = 0;      // tool path header
constexpr i32 BT_TECH = 1;        // technology parameter
constexpr i32 BT_LINE = 2, BT_LINE5 = 22, BT_LINEN = 222;        // line: simple, multi-axis, with normal
constexpr i32 BT_ARC = 3, BT_ARC5 = 23, BT_ARCN = 223;           // arc: simple, multi-axis, with normal
constexpr i32 BT_TEXT = 4;        // text message
constexpr i32 BT_NURBS = 5, BT_NURBS5 = 25, BT_NURBSN = 225;     // NURBS curve, and its movement variants
constexpr i32 BT_HOME = 6;        // home definition
constexpr i32 BT_STRING = 7, BT_STRING5 = 27, BT_STRINGN = 227;  // string of lines: simple, multi-axis, with normals
constexpr i32 BT_OBSOLETE = 8;    // no writer; readers skip it
constexpr i32 BT_ROTATION = 9;    // machine-system rotation
constexpr i32 BT_RAXES = 10;      // rotation axes definition
constexpr i32 BT_LDRILL = 11;     // lathe drill cycle
constexpr i32 BT_PROC = 12;       // procedure definition
constexpr i32 BT_THREAD = 13, BT_GROOVE = 14;                    // thread and groove cycles
constexpr i32 BT_CYCLE = 30, BT_CYCLEOFF = 35;                   // cycle activation and cancel
constexpr i32 BT_DRILLPT = 31;    // drill location
constexpr i32 BT_SETTING = 32, BT_DELZ = 33, BT_RETMODE = 34, BT_DEPTH = 36;  // settings
constexpr i32 BT_TRANSFORM = 40;  // tool path transformation
constexpr i32 BT_MARKER = 99;     // marker
// A line, simple, multi-axis or with a normal.
inline bool bt_line(i32 type) { return type == BT_LINE || type == BT_LINE5 || type == BT_LINEN; }
// An arc, simple, multi-axis or with a normal.
inline bool bt_arc(i32 type) { return type == BT_ARC || type == BT_ARC5 || type == BT_ARCN; }
// A NURBS curve or one of its movement variants.
inline bool bt_nurbs(i32 type) { return type == BT_NURBS || type == BT_NURBS5 || type == BT_NURBSN; }
// A string of lines, simple, multi-axis or with normals.
inline bool bt_string(i32 type) { return type == BT_STRING || type == BT_STRING5 || type == BT_STRINGN; }
// Words of one point of a string block: its number and the point, then the
// axis or the normal unless the string is a simple one.
inline i32 bt_point_words(i32 type) { return type == BT_STRING ? 4 : 7; }
// Dimension kind of a movement block: 3 multi-axis, 2 with normals, 1 simple.
inline i32 bt_dim_kind(i32 type)
{
    if (type == BT_LINE5 || type == BT_ARC5 || type == BT_NURBS5 || type == BT_STRING5) return 3;
    if (type == BT_LINEN || type == BT_ARCN || type == BT_NURBSN || type == BT_STRINGN) return 2;
    return 1;
}

// Block classes.
constexpr i32 BC_FRAME = 0, BC_TECH = 1, BC_MOVE = 2, BC_MARKER = 3, BC_TEXT = 4, BC_HOME = 6, BC_CYCLE = 7,
              BC_PROC = 8, BC_ILLEGAL = -5;

// Opens a block: on the list a new element after the cursor and its type
// word; on another medium the size word and the type word (none for types
// 0 and 12). Mode 7 is refused.
void BLKOPN(const i32& mode, const i32& type, const i32& size, i32& status);
void BLKCLS(const i32& mode);  // closes a block opened on the list
void NXTBLN(i32& number);      // the current list level's next block number, counted on
void LSTBLN(i32& number);      // the number of the list level's last block
void TPCREL(i32& status);      // creates a list element after the cursor (before the next)
void PLSUPR(const i32& type, i32& cls);  // the class of a block type, BC_ILLEGAL for an unknown one
// Reads the head of the block at the position: its size, type and class (a
// one-word block is a marker); the list's cursor stays on the block.
void TPBLKH(const i32& mode, i32& size, i32& type, i32& cls, i32& status);
// Reads the size word of a block that stands in an entity stream without a
// type word (the tool path header that opens a tool path entity).
void TPBLKS(const i32& mode, i32& size, i32& status);

// Block number written by a writer: the caller's, or the list's next in mode 3.
i32 blknum(const i32& mode, const i32& number);
