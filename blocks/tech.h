// Machine table and technology parameter state: machine values by parameter
// code ("PRM9" and the host's ten-word table), values by subtype, parameter
// types, and the writer of technology blocks that writes a value only when it
// changed.
#pragma once

#include "core/words.h"

constexpr i32 NTPAR = 100;  // technology parameters 1 to 100

// Technology parameter state, indexed by parameter number 1..100.
struct TechState {
    i32 status[NTPAR + 1];     // 0 not used, 1 integer code requested, 2 from the machine values
    i32 requested[NTPAR + 1];  // requested value or code
    i32 lastcode[NTPAR + 1];   // code last written (status 1)
    i32 wflag[NTPAR + 1];      // 2: write the next value unconditionally
    // Last values written (status 2): the feed slot of parameters 1 and 59,
    // value and direction of parameter 2, the direction parameter 10 was
    // last written with, and one slot per other parameter. Parameters 2 and
    // 10 keep a direction each: parameter 2 is written first, and a shared
    // direction would already hold the new one when parameter 10 is
    // compared, so a reversed spindle would leave the cutting speed's old
    // sign in the tool path.
    f32 feed;
    i32 spindle, direction, direction10;
    f32 rslot[NTPAR + 1];
    i32 islot[NTPAR + 1];
};
extern TechState TECHST;

// Empties the state: every parameter unused, slots unset.
void TECHCL();

// Writes the technology block of a parameter in use when its code or value
// changed (or a write is forced); display nonzero also refreshes its field.
void PT1MCH(const i32& display, const i32& param, i32& status);
void PTAMCH(i32& status);  // PT1MCH over every parameter
void PTAMC1(i32& status);  // PT1MCH over every parameter, the fields refreshed
void STPV01(const i32& value);  // the requested feed code (parameter 1)
void STPV52(const i32& value);  // the requested value of parameter 52
void STPV53(const i32& value);  // the requested value of parameter 53

// Reads the machine table of a procedure (list, entity or template) into
// the machine values.
void RMCHTB(const i32& medium, i32& count, i32& status);
void get_mchprm(const i32& id, i32& count, i32& status);  // RMCHTB from a machine-parameter entity
// The machine value of a subtype: kind 1 real (rvalue), else integer (ivalue).
void MCHVAL(const i32& subtype, i32& kind, i32& ivalue, f32& rvalue, i32& status);
i32 NTBDEF(const i32& code);  // the value type of a machine-table code: 0 integer, 1 real
i32 PRMDEF(const i32& type);  // the value type of a technology parameter: 0 integer, 1 real
// Takes the machine values as the last written ones: nothing is written
// again until it changes.
void PRMSTS(i32& status);
void MUMCHT(const i32& mode);  // refreshes every status-line field from the machine values

// The machine table as the engines number its words, from 1: word 1 the
// machine type of the tool path, words 2 to 4 reserved (0), words 5 to 27
// the machine values "PRM9" (words 0 to 22): word 5 the feed, words 8 to 11
// the feed percentages, word 16 the tool.
constexpr i32 MACHINE_TABLE_WORDS = 27;
i32 machine_table(const i32& word);  // one word of that table
