// The tool-positioning context, the flag words of the cutter location and the
// front end that positions the tool over an XY point.
#pragma once

#include "core/words.h"
#include "surfaces/trimodel.h"

// ---------------------------------------------------------------- LOCCOM
extern f32 LOCDIA;       // tool diameter
extern f32 LOCRCH;       // reach radius of the tool over the quadtree
extern f32 LOCCRN;       // corner radius
extern f32 LOCOFA;       // allowance A: surfaces of classes 1 and 3
extern f32 LOCOFB;       // allowance B: surfaces of classes 2, 4 and 6
extern f32 LOCSP1[3];    // first end of the reference segment
extern f32 LOCSP2[3];    // second end of the reference segment
extern f32 LOCSN1[3];    // normal at LOCSP1
extern f32 LOCSN2[3];    // normal at LOCSP2
extern f32 LOCSDR[3];    // unit direction of the string's current segment
extern f32 LOCSW1, LOCSW2;  // working values of the string positioning
extern f32 LOCSZL;       // larger end Z of the string's current segment
extern f32 LOCSW3;       // third working value of the string positioning
extern f32 LOCTAX[3];    // tool axis in tool-axis mode
extern f32 LOCTL2;       // second tolerance (check surfaces)
extern f32 LOCCUT;       // cut length
extern f32 LOCTAP;       // taper angle, radians
extern f32 LOCSLM;       // longest segment of a string while LOCCST is 3
extern f32 LOCZMN, LOCZMX;  // Z limits of strings
extern i32 LOCKDA, LOCKDB;  // tool kind of the tool grown by allowance A, B
extern i32 LOCSRF;       // id of the surface being machined, -1 none
extern i32 LOCTCD;       // caller's tool code (10 stored as 1)
extern i32 LOCCST;       // segment-length mode of the strings
extern i32 LOCSGM;       // 1 while positioning along a known segment
extern f32 LOCAUX;       // kept, not read
extern i32 LOCZDI;       // 1 when the diameter is zero
extern i32 LOCTPF;       // 1 when the tool is tapered
extern i32 LOCAXM;       // tool-axis mode
extern i32 LOCZCL;       // Z-limit switch of the strings
extern i32 LOCKND;       // tool kind of the tool itself
extern i32 LOCFLG;       // positioning flag word
extern f32 LOCAN1[3], LOCAN2[3];  // segment end normals in tool-axis mode

// Tool kind codes: 1 ball end, 2 flat end, 3 corner-radius end, +10 tapered.
constexpr i32 KND_BALL = 1, KND_FLAT = 2, KND_TORUS = 3, KND_TAPER = 10;

// Positioning flag bits: classes 1 to 6; 0x40 and 0x80 class 7 and grid lines.
constexpr i32 LF_GRID = 0x40, LF_STOCK = 0x80;

// What a surface class is to the positioning: the allowance added to the
// tool, the kind code of the tool grown by it, the class code of the drop's
// steps (2 for check and other-part surfaces, else 1) and the kind the
// contact is reported as (1 part, 2 check, 3 other part).
struct LocClass {
    f32 e;
    i32 kind;
    i32 code;
    i32 reported;
};
// True when the flag word admits the class, its row filled then.
inline bool loc_class(i32 cls, i32 flags, LocClass& row)
{
    switch (cls) {
    case SCL_MACHINED: row = {LOCOFA, LOCKDA, 1, 1}; return flags & 0x01;
    case SCL_CHECK: row = {LOCOFB, LOCKDB, 2, 2}; return flags & 0x02;
    case SCL_PART: row = {LOCOFA, LOCKDA, 2, 3}; return flags & 0x04;
    case SCL_ACTIVE: row = {LOCOFB, LOCKDB, 1, 1}; return flags & 0x08;
    case SCL_BARE: row = {0.0f, LOCKND, 1, 1}; return flags & 0x10;
    case SCL_PROTECT: row = {LOCOFB, LOCKDB, 1, 1}; return flags & 0x20;
    case SCL_GRID: row = {0.0f, LOCKND, 1, 1}; return (flags & (LF_GRID | LF_STOCK)) != 0;
    default: return false;
    }
}

// loc_class for one flag word, the rows of the classes 0 to 7 worked out
// once: a loop over thousands of entries then reads its row instead of
// switching on each entry's class, a jump the processor mostly guesses
// wrong where the classes alternate. The context's allowances and kinds
// must stay as they were at fill.
struct LocClassTable {
    LocClass row[8];
    bool ok[8];
    i32 flags = 0;
    void fill(i32 f)
    {
        flags = f;
        for (i32 c = 0; c < 8; ++c) ok[c] = loc_class(c, f, row[c]);
    }
    // loc_class(cls, flags, out).
    bool get(i32 cls, LocClass& out) const
    {
        if (cls < 0 || cls > 7) return loc_class(cls, flags, out);
        if (!ok[cls]) return false;
        out = row[cls];
        return true;
    }
};

// The tool grown by an allowance e (taper angle LOCTAP kept): diameter
// LOCDIA + 2 e tan((pi/2 - a) / 2), corner radius LOCCRN + e, cut length
// LOCCUT + e, or for a negative allowance LOCCUT + (1 - sin a) e: shrunk,
// the top of the flank moves in along the flank, not down the axis.
struct GrownTool {
    f32 d, r, l;
};
// The tool of the positioning context grown by the allowance e.
GrownTool loc_grown(f32 e);

extern i32 NETSWT;  // string switch word

// Sets the positioning context: surface machined (-1 none), the segment end normals, tool code (10 kept as 1), aux,
// check tolerance;
// reads the Z limits and clears the Z-limit switch and the tool-axis mode.
void LOCSET(const i32& surface_id, const f32* normal1, const f32* normal2, const i32& tool_code, const f32& aux,
            const f32& tolerance2);
// Sets the positioning flag word LOCFLG.
void STPFLG(i32 flags);
// Gives the positioning flag word LOCFLG.
void GTPFLG(i32& flags);
// Sets the string switch word NETSWT.
void NETFLG(i32 value);
// Gives the string switch word NETSWT.
void GTNFLG(i32& value);

// Tool position over point's XY (see LINNET). A mode code below 10 is a free
// drop; 10 or more is a drop limited to point's Z, except for a tool the exact
// clearance can measure, which is measured standing at the point instead:
// normal then receives FOUR floats (signed distance, then its unit
// direction), so a caller giving 10 or more passes room for four. PNTLC1 and
// PNTLC2 set the standard context and pass their mode code on.
void PNTNET(const i32& mode_code, f32* point, const f32& tolerance, const f32& allowance_a, const f32& allowance_b,
            f32* result, f32* contact, f32* normal, i32& surface, i32& status);
// PNTNET at point's XY with no surface, normals +Z, tool code 1 and the given tolerance and allowances.
void PNTLC1(const i32& mode_code, const f32* point, const f32& tolerance, const f32& allowance_a,
            const f32& allowance_b, f32* result, f32* contact, f32* normal, i32& surface, i32& status);
// PNTNET at point's XY with the part tolerance and the procedure's stock and check allowances.
void PNTLC2(const i32& mode_code, const f32* point, f32* result, f32* contact, f32* normal, i32& surface,
            i32& status);
// Point where p1-p2 reaches height z (p_out) and the matching blend of q1, q2 (q_out).
void ZINTPL(const f32* p1, const f32* p2, const f32* q1, const f32* q2, const f32& z, f32* p_out, f32* q_out);
