// The surface-milling procedure's parameter block: 478 words kept by the host
// under the key "TV27", and the working copy that the driver compares it with.
// Words are numbered from 1; an expression item takes 24 words, its value (a
// real) in the first one.
#pragma once

#include "core/mactyp.h"
#include "core/words.h"

constexpr i32 PRCPAR_N = 478;

extern i32 PRCPAR[PRCPAR_N];  // the procedure's parameter block
extern i32 PRCCPY[PRCPAR_N];  // its working copy

// Word n (1 to 478) of a block.
inline i32& pwrd(i32* block, i32 n) { return block[n - 1]; }
inline i32 pwrd(const i32* block, i32 n) { return block[n - 1]; }  // read only
inline f32 pwrr(const i32* block, i32 n) { return wrd2r(block[n - 1]); }  // as a real
inline void pwrs(i32* block, i32 n, f32 v) { block[n - 1] = r2wrd(v); }  // set as a real

// The same on the procedure's block.
inline i32& pw(i32 n) { return PRCPAR[n - 1]; }
inline f32 pwr(i32 n) { return wrd2r(PRCPAR[n - 1]); }  // as a real
inline void pws(i32 n, f32 v) { PRCPAR[n - 1] = r2wrd(v); }  // set as a real
// Address of word n, for routines that take a word or an item by address.
inline i32* pwa(i32 n) { return &PRCPAR[n - 1]; }
inline f32* pwra(i32 n) { return reinterpret_cast<f32*>(&PRCPAR[n - 1]); }  // as a real

// Clears both blocks.
void PRCCLR();


// The Z base: the height the module's heights are measured from; a height
// shown to the user is the absolute height minus it.
extern f32 ZBASE;

// ------------------------------------------------------------ named words
// Integer words.
constexpr i32 ZIGSEL = 1;   // one way or zigzag: 1 zigzag
constexpr i32 AXSMOD = 2;   // axis mode: 1 three-axis, 2 five-axis, 3 four-axis
constexpr i32 AXSSUB = 3;   // axis companion 1 to 4 (4: axis by the surface orientation)
constexpr i32 LNKKND = 4;   // link kind 1 to 7 of approaches and retracts
// Link kinds.
constexpr i32 LINK_VERTICAL = 1;  // vertical
constexpr i32 LINK_AXIS = 2;      // straight along the tool axis
constexpr i32 LINK_VARC_A = 3;    // vertical arc, from 225 degrees round to the point
constexpr i32 LINK_VARC_B = 4;    // vertical arc, from 315 degrees round to the point
constexpr i32 LINK_INLINE = 5;    // straight in line with the move
constexpr i32 LINK_NORMAL = 6;    // horizontal along the normal
constexpr i32 LINK_HARC = 7;      // horizontal arc
// Straight link kinds: they take the approach length.
inline bool link_straight(i32 k) { return k == LINK_AXIS || k == LINK_INLINE || k == LINK_NORMAL; }
// Arc link kinds: they take the arc radius.
inline bool link_arc(i32 k) { return k == LINK_VARC_A || k == LINK_VARC_B || k == LINK_HARC; }
constexpr i32 APXMOD = 5;   // approximation mode 1 to 3
constexpr i32 APXKND = 6;   // approximation of part and check surfaces: 2 with check surfaces
constexpr i32 PASEXE = 7;   // passes per execution when ALLPAS is not 1
constexpr i32 STPMOD = 8;   // side step: 1 scallop height, 2 number of passes, 3 step
constexpr i32 NPSREQ = 9;   // number of passes for side-step mode 2
constexpr i32 GCHMOD = 10;  // gouge check: 1 none, 2 surface machined, 3 all part surfaces
constexpr i32 ALLPAS = 11;  // 1 all passes in one execution
constexpr i32 WIDDEF = 12;  // width-definition word
constexpr i32 CLNFLG = 13;  // clean-up after the passes: 1 on, 2 off
// Expression items (24 words) and reals.
constexpr i32 PRTTOL = 15;   // machining tolerance (code 57)
constexpr i32 APRLEN = 39;   // approach length (code 48)
constexpr i32 APRRAD = 63;   // approach arc radius (code 49)
constexpr i32 LNKDS1 = 87;   // two link distances, reals (code 14)
constexpr i32 LNKDS2 = 88;
constexpr i32 SAFDST = 89;   // safety distance (code 16)
constexpr i32 APXTL1 = 113;  // approximation tolerance, modes 1 and 3 (code 58)
constexpr i32 APXTL2 = 137;  // approximation tolerance, mode 2 (code 59)
constexpr i32 APXTL3 = 161;  // approximation value of mode 3 (code 298)
constexpr i32 LEADAN = 185;  // leading angle (code 425)
constexpr i32 TLTCMP = 209;  // working tilting angle, real
constexpr i32 TILTAN = 211;  // tilting angle (code 214)
constexpr i32 SCLHGT = 235;  // scallop height (code 54)
constexpr i32 AXSTRN = 259;  // largest turn of the tool axis (code 217)
constexpr i32 PRTOFS = 283;  // part-surface offset (code 55)
constexpr i32 CHKOFS = 307;  // check-surface offset (code 56)
constexpr i32 SIDSTP = 331;  // side step (code 26)
constexpr i32 JMPLF1 = 355;  // lift heights of a short jump, reals (codes 87, 88)
constexpr i32 JMPLF2 = 356;
constexpr i32 CHKTOL = 357;  // tolerance of the gouge-checked steps (code 218)
constexpr i32 WRKTOL = 381;  // working tolerance, real (item of code 25 in old records)
constexpr i32 CLNMIN = 405;  // clean-up value (code 258)
constexpr i32 UDSWCH = 429;  // up/down milling: 1 off (code 274)
constexpr i32 UDSLOP = 431;  // up/down slope angle (code 275)
constexpr i32 UDOPT1 = 455;  // up/down option words (codes 276, 277, 278)
constexpr i32 UDOPT2 = 456;
constexpr i32 UDOPT3 = 457;
constexpr i32 TLTREF = 465;  // tilting-angle reference: 1 unchanged (code 400)
constexpr i32 SPLMOD = 466;  // 2 machine each picked surface by itself (code 506)
constexpr i32 MAXPAS = 467;  // most passes of one execution
constexpr i32 PNTVAL = 468;  // values per stored pass point
constexpr i32 LNKSTA = 469;  // link state
constexpr i32 APXOPT = 470;  // option word of the triangle model
constexpr i32 ZIGZAG = 471;  // pass direction: 0 one way, else zigzag
constexpr i32 RLXTOL = 472;  // relaxed tolerance, real
constexpr i32 GMASKS = 473;  // four active geometry-mask flags (code 405)
constexpr i32 CLNCHG = 477;  // compared by the change detection for surface clean-up
