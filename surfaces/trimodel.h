// The triangle model: the part and check surfaces approximated by triangles,
// kept in host dynamic arrays and sorted into a quadtree of 1,365 nodes.
//
//   SRFKEY  one 20-word record per surface (numbered from 1)
//   NODKEY  the nodes, x y z (f32), numbered from 1
//   NRMKEY  one unit normal (f32 x y z) per node, numbered alike
//   TRGKEY  13-word triangle entries, held in the arrays of the quadtree nodes
//   qt_nodes the node table: 1,365 rows of 9 words (QTNODE)
//
// Every large array is a host array reached through its handle; each handle
// has a check word beside it. A triangle is referred to by its quadtree node
// and its index in that node's array, never by an address.
//
// Building: TRMOPN, then TRMSRF once per surface, then TRMCLS, which computes
// the triangle entries and fills the quadtree. FRETRI releases everything.
#pragma once

#include "core/words.h"

// Limits of the integer grid in thousandths of a unit (32-bit words) over
// which the triangles are sorted and the tool is gathered: the model's
// coordinates lie within TRM_MAXC units of the origin, and a point together
// with the tool's reach within TRM_GRID.
constexpr f64 TRM_MAXC = 1.0e6;
constexpr f64 TRM_GRID = 2.0e6;

// ------------------------------------------------------------ SRFKEY words
constexpr i32 SRF_WORDS = 20;
constexpr i32 SRF_CLASS = 0;  // the surface class (below)
constexpr i32 SRF_ID = 9;     // surface id
constexpr i32 SRF_INDEX = 16; // index of the surface among the procedure's surfaces
// Surface classes, word SRF_CLASS of a surface record (what each is to the
// positioning: loc_class, cutter/loccom.h).
constexpr i32 SCL_IGNORED = 0;   // never positioned against
constexpr i32 SCL_MACHINED = 1;  // the surface being machined
constexpr i32 SCL_CHECK = 2;     // check surface
constexpr i32 SCL_PART = 3;      // other part surface
constexpr i32 SCL_ACTIVE = 4;    // check surface made active
constexpr i32 SCL_BARE = 5;      // positioned without allowance
constexpr i32 SCL_PROTECT = 6;   // positioned with allowance B
constexpr i32 SCL_GRID = 7;      // admitted with the grid-line or stock bits

// ------------------------------------------------------------ TRGKEY words
constexpr i32 TRG_WORDS = 13;
constexpr i32 TRG_FLAGS = 0;  // byte 0 orientation (+1, -1; +-2 special), byte 1 edge codes, byte 2 vertex codes
constexpr i32 TRG_NODE = 1;   // words 1-3: node numbers in NODKEY, from 1
constexpr i32 TRG_NRM = 4;    // words 4-6: unit normal, pointing up (f32)
constexpr i32 TRG_PLANE = 7;  // plane constant d: n . p + d = 0 (f32)
constexpr i32 TRG_BOX = 8;    // words 8-11: xmin ymin xmax ymax in thousandths (i32)
constexpr i32 TRG_SRF = 12;   // number of the SRFKEY record, from 1
constexpr i32 TRG_CODES = 0x15;  // code 1 for every edge and every vertex

// Orientation byte of a triangle entry (signed).
inline i32 trgori(const i32* entry) { return static_cast<signed char>(entry[TRG_FLAGS] & 0xFF); }
// Word 0 of an entry with the given orientation and the standard codes.
inline i32 trgflg(i32 ori) { return (ori & 0xFF) | (TRG_CODES << 8) | (TRG_CODES << 16); }

// ------------------------------------------------------------ quadtree
constexpr i32 QT_NODES = 1365;  // levels of 1, 4, 16, 64, 256 and 1,024 nodes
constexpr i32 QT_LEAF0 = 341;   // first leaf
constexpr i32 QT_ROW = 9;       // words of one node row
constexpr i32 QT_COUNT = 0, QT_HANDLE = 1, QT_CHECK = 2;
constexpr i32 QT_XMAX = 3, QT_XMIN = 4, QT_YMAX = 5, QT_YMIN = 6, QT_ZMAX = 7, QT_ZMIN = 8;  // f32, units
constexpr f32 QT_UNSET = 1.0e10f;  // a bound above 1.0e9 is unset

extern i32 QTNODE[QT_NODES * QT_ROW];  // node table, node n at QTNODE[n * QT_ROW]
extern i32 QTBOX[4];                   // tree box, thousandths: xmin ymin xmax ymax

// Row of node (QT_ROW words) in the node table.
inline i32* qtrow(i32 node) { return QTNODE + node * QT_ROW; }

// ------------------------------------------------------------ model block
// The block of model handles and counts (29 words). Handles are -1 when closed.
constexpr i32 TRIMDL_N = 29;
extern i32 TRIMDL[TRIMDL_N];
constexpr i32 TM_SRFHDL = 0, TM_SRFCHK = 1, TM_NSRF = 2, TM_SRFCAP = 3;  // SRFKEY
constexpr i32 TM_NODHDL = 4, TM_NODCHK = 5, TM_NNOD = 6, TM_NODCAP = 7;  // NODKEY
constexpr i32 TM_NRMHDL = 8, TM_NRMCHK = 9;                              // NRMKEY (capacity as NODKEY)
constexpr i32 TM_NTRG = 10;   // triangles in the quadtree
constexpr i32 TM_NDEG = 11;   // degenerate triangles left out
constexpr i32 TM_STGHDL = 12, TM_STGCHK = 13, TM_NSTG = 14, TM_STGCAP = 15;  // staged triangles
constexpr i32 TM_STATE = 16;  // 0 no model, 1 being assembled, 2 built

// Check word of a host array handle: handle x handle + 1, kept to 32 bits
// without overflow (the product wraps as an unsigned 32-bit value).
inline i32 hdlchk(i32 handle)
{
    return static_cast<i32>(static_cast<std::uint32_t>(handle) * static_cast<std::uint32_t>(handle) + 1u);
}

// Element addresses of the model arrays, fetched from the host; null when closed.
i32* srfbas();   // SRFKEY records, record k at srfbas() + (k - 1) * SRF_WORDS
f32* nodbas();   // NODKEY, node k at nodbas() + (k - 1) * 3
f32* nrmbas();   // NRMKEY, alike
i32* qtnbas(i32 node);  // the TRGKEY entries of a quadtree node (null when none)

// Copies record i (from 1) of the surface-record array of the given handle.
void SRKGET(const i32& handle, const i32& i, i32* record);

// ------------------------------------------------------------ assembly
// Starts a new model; an open one is released first.
void TRMOPN(i32& status);
// Adds one surface: its 20-word record (word 0 class, 9 id, 16 index), nn
// nodes (x y z), their unit normals (null: the area-weighted normals of the
// surface's triangles), and nt triangles as triples of node numbers counted
// from 1 within this surface, wound counter-clockwise seen from the side the
// surface's normal points to. Refused as a whole on a bad node number.
void TRMSRF(const i32* record, const i32& nn, const f32* xyz, const f32* nrm, const i32& nt, const i32* tri,
            i32& status);
// Finishes the model: tree box, triangle entries, quadtree.
void TRMCLS(i32& status);
// The live model's generation: it moves on whenever the model is released
// (a new one is started over a released one) or replaced by another, so that
// what was gathered over an earlier model is known as such.
i32 trm_generation();
// Tells the model that its words were overwritten with another model's (one
// brought back from a store): the index beside the tree goes and the
// generation moves on.
void trm_replaced();
// Releases the triangle model: the model arrays, the quadtree node arrays and
// the positioning work arrays. Harmless when nothing is open.
void FRETRI();
// The same, status the last failure to close an array.
void FRETRI(i32& status);

// What the tool positioning keeps with the model, handed down by the cutter
// location when the module is loaded (a missing one is passed over): the
// release of its triangle lists (FRETRI, allfre), their marking as closed
// (allrst), the segment-length mode of a new approximation (allsrf: mode,
// longest side of mode 3) and the surface classes positioned over.
struct TrmPos {
    void (*release)(i32& status);
    void (*reset)();
    void (*approx)(i32 amode, f32 side);
    void (*classes)(i32 flags);
};
extern TrmPos TRMPOS;

// Adds one entry to the quadtree node whose cell holds the entry's box; the
// node's array grows as needed. The node's number and the entry's index are
// returned.
void qt_insert(const i32* entry, i32& node, i32& index, i32& status);
