// Coded record I/O: counted runs of 4-byte words to and from a medium, and
// the coded segment (code, count + 1, item type, values) built on it.
#pragma once

#include "core/words.h"

// Media.
constexpr i32 MED_ENTITY = 1;    // the current entity
constexpr i32 MED_LIST = 2;      // 2 to 4: the current tool path list
constexpr i32 MED_PARLINE = 5;   // the host's parameter lines
constexpr i32 MED_NONE = 7;      // reads move nothing
constexpr i32 MED_TPLREAD = 10;  // template file, reading
constexpr i32 MED_TPLWRITE = 11; // template file, writing

// Item types (DEFTYP).
constexpr i32 DT_INT = 0;
constexpr i32 DT_REAL = 1;
constexpr i32 DT_RECS = 2;     // fixed-size records of one integer and reals
constexpr i32 DT_LEGACY = 3;   // read as integers
constexpr i32 DT_LOGICAL = 7;  // read as integers, nonzero becomes 1
constexpr i32 DT_TEXT = 8;     // 4 characters a word, NUL-padded
constexpr i32 DT_EXPR = 10;    // expression items of 24 words

// Expression item: value (2 words), text (21 words), value type (1 word).
constexpr i32 EXPR_WORDS = 24;
constexpr i32 EXPR_TEXT = 2;   // first text word, from 0
constexpr i32 EXPR_TYPE = 23;  // value type word, from 0

// Switches the host's entity-block mode off for a scope and sets it again at
// its end when it was on.
struct BlockModeOff {
    bool was;
    BlockModeOff();
    ~BlockModeOff();
    BlockModeOff(const BlockModeOff&) = delete;
    BlockModeOff& operator=(const BlockModeOff&) = delete;
};

// Reads count words of the item type from the medium into buf (an
// expression item of a tool path older than version 830 is a plain real).
void tpget(const i32& medium, const i32& count, const i32& type, void* buf, i32& status);
void tpgetl(const i32& medium, i32 count, i32 type, void* buf, i32& status);  // tpget, logicals made 0 or 1
void tpget3(const i32& medium, const i32& count, const i32& ignored, void* buf, i32& status);  // tpget as integers
void TPSKIP(const i32& medium, const i32& count, const i32& type, i32& status);  // passes over count words
void tpskpn(const i32& medium, i32 count, i32 type, i32& status);  // TPSKIP by value
// Writes count words of the item type to the medium (a text NUL-padded to
// the full run); a negative count is refused.
void TPPUT(const i32& medium, const i32& count, const i32& type, const void* buf, i32& status);
// Writes one coded segment: code, count + 1, the type, then the values.
void TPPUTNT(i32 medium, i32 code, i32 count, i32 type, const void* buf, i32& status);
// TPPUTNT, position advanced by the segment's words.
void tpptntl(i32 medium, i32 code, i32 count, i32 type, const void* buf, i32& position, i32& status);
// The expression items of count words to or from the template file, each
// as its value, text and value type records; nothing on another medium.
void tpexpr(i32 medium, i32 count, void* buf, i32& status);

// Reads one coded segment: its code, value count and type, then the values
// into buf, which holds `capacity` words. A count above the capacity is
// refused with a message (status -3): the values are passed over so that the
// next segment can be read, and nothing is written past the buffer.
void tpgseg(const i32& medium, i32& code, i32& count, i32& type, void* buf, const i32& capacity, i32& status);
