// The pocket array record `pokarr`, its inline arc encoding and the buffer
// pool `pkdm` that holds the points of pocket arrays that own them.
//
// An arc that continues a contour from the entry before it takes four
// entries: the marker (X = PK_ARC_MARK, Y = 0), the radius (X) with the
// turning direction (Y, +1.0 counter-clockwise, -1.0 clockwise), the centre,
// and the end point. Every reader takes an entry whose X is above 1e20 as a
// marker. A closed loop repeats its first point as its last entry.
//
// Indexes count from 0; sizes and modes pass by value; a trailing ierr is
// 0 on success and -1 on failure. Messages go to the host's internal-error
// routine.
#pragma once

#include <vector>

#include "core/words.h"

constexpr f64 PK_ARC_MARK = 1.0e25;
// An entry whose X marks an arc.
inline bool pk_arc_at(f64 x) { return x > 1.0e20; }

// Limits: entries of a 2-D to 4-D array, numbers of a 1-D array, and the
// entries a static array is taken to hold at most.
constexpr i32 PK_MAXPTS = 150000;
constexpr i32 PK_MAXVALS = 450000;
constexpr i32 PK_STATIC_MAX = 7000;

// Storage kinds.
constexpr i32 PKS_EMPTY = -2, PKS_STATIC = -1, PKS_CHILD = -3;

struct pokarr {
    f64* x = nullptr;    // X of each entry (the values of a 1-D array)
    f64* y = nullptr;    // Y (dimensions 2 to 4)
    f64* z = nullptr;    // Z (dimensions 3 and 4)
    f64* vec = nullptr;  // three doubles a point (dimension 4)
    i32 dims = 2;        // 1 numbers, 2 XY, 3 XYZ, 4 XYZ with a vector
    i32 count = 0;       // entries in use
    i32 storage = PKS_EMPTY;  // -2 empty, -1 static, -3 child, 0.. pool buffer
    f64 area = 0.0;      // absolute area of the loop, 0 when not computed
    i32 direction = 0;   // +1 counter-clockwise, -1 clockwise, 0 not computed
    i32 indicator = 0;   // the caller's tag
    i32 room = 0;        // entries a static array's arrays hold
};

// ------------------------------------------------------------------ pool
// A buffer of at least `bytes`, marked taken; index negative on failure.
void pkdm_alloc(i32 bytes, i32& index);
// Mode 0 releases buffer `index` (memory kept for reuse), mode 1 also frees
// it; index below 0 with mode 1 frees every buffer not in use. 0 or -1.
i32 pkdm_free(i32 index, i32 mode);
// Frees every buffer and the table; the pool is uninitialised again.
void pkdm_rel_all();
// Buffers in the pool's table, those in use, and the bytes of buffer i (for
// checks).
i32 pkdm_entries();
i32 pkdm_in_use();  // the buffers in use
i32 pkdm_bytes(i32 index);  // the bytes of buffer index
// Marks the buffers taken now (one flag a table entry).
void pkdm_mark(std::vector<char>& taken);
// Frees every buffer taken since the mark, leaving the others as they are.
void pkdm_release_since(const std::vector<char>& taken);

// -------------------------------------------------------------- records
// Doubles per point of a dimension (1, 2, 3, 6).
i32 pokarr_dpp(i32 dims);
// Empties the record: attributes cleared, no storage.
pokarr& pokarr_init(i32 dims, pokarr& rec);
// pokarr_init, then a pool buffer for n entries when n > 0.
void pokarr_init_dyn(i32 dims, i32 n, pokarr& rec, i32& ierr);
// The record becomes a window on the caller's arrays (count entries in use,
// room for `room` entries, at most PK_STATIC_MAX; 0: count).
void pokarr_init_static(i32 dims, f64* x, f64* y, f64* z, f64* vec, i32 count, pokarr& rec, i32 room = 0);
// A window on entries i .. i+n-1 of the source, owning nothing.
void pokarr_init_child(const pokarr& src, i32 i, i32 n, pokarr& rec);
// Clears the attributes and makes room for n entries; count 0.
void pokarr_clear(pokarr& rec, i32 n, i32& ierr);
// Room for n entries, keeping the contents.
void pokarr_resize(pokarr& rec, i32 n, i32& ierr);
// Room for n entries, keeping the contents when `keep` is set.
void pokarr_resize1(pokarr& rec, i32 n, i32 keep, i32& ierr);
// Appends an arc: marker, radius and direction, centre, end point (z may be null).
void pokarr_add_arc(const f64& ex, const f64& ey, const f64* z, const f64& cx, const f64& cy, const f64& r,
                    const i32& dir, pokarr& rec, i32& ierr);
// Appends the head of an arc (marker, radius and direction, centre).
void pokarr_add_arcpart(const f64& cx, const f64& cy, const f64* z, const f64& r, const i32& dir, pokarr& rec,
                        i32& ierr);
// Appends a point (2 or 3 doubles) to a 2-D or 3-D array.
void pokarr_add_pnt(const f64* p, pokarr& rec, i32& ierr);
// Inserts a point at i (clamped to 0 .. count) of a 2-D or 3-D array.
void pokarr_add_pnt_at(const f64* p, pokarr& rec, i32 i, i32& ierr);
// Inserts a point (3 doubles) at i of a 2-D to 4-D array, with the vector
// or (0, 0, 1) in 4-D.
void pokarr_insert_pnt(const f64* p, const f64* v, pokarr& rec, i32 i, i32& ierr);
// Appends a point (3 doubles) with its vector.
void pokarr_add_pnt_nrm(const f64* p, const f64* v, pokarr& rec, i32& ierr);
// 1-D: appends a, then b, c and the vector as far as given; 2-D to 4-D:
// appends the point (a, b) with Z = c or 0 and the vector or (0, 0, 1).
void pokarr_add_vals(const f64& a, const f64* b, const f64* c, const f64* v, pokarr& rec, i32& ierr);
// Copies the source into the target, converting between dimensions.
void pokarr_copy(const pokarr& src, pokarr& tgt, i32& ierr);
// Hands the source's storage to the target when it can, else copies.
void pokarr_move(pokarr& src, pokarr& tgt, i32& ierr);
// Swaps two records whole; refused for static records.
void pokarr_swap(pokarr& a, pokarr& b, i32& ierr);
// Inserts n entries of the source from i at j of the target.
void pokarr_copy_ins(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32 j, i32& ierr);
// Copies n entries of the source from i into the target from j on; the
// target's count becomes j + n.
void pokarr_copy_part(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32 j, i32& ierr);
// pokarr_copy_part at the end of the target.
void pokarr_append_part(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32& ierr);
// The target holds n entries of the source from i, attributes cleared.
void pokarr_copy_range(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32& ierr);
// Removes n entries from i; a closed loop is closed again.
void pokarr_remove_pnts(pokarr& rec, i32 closed, i32 i, i32 n, i32& ierr);
// Removes m entries from i (as many as there are), later entries moving
// down; a loop is not closed again.
void pokarr_drop(pokarr& rec, i32 i, i32 m);
// Copies entry `from` onto entry `to` of the same record.
void pokarr_copy_entry(pokarr& rec, i32 to, i32 from);
// Fills the record from packed points (2 doubles a point for dims_in 2,
// else 3) and, for dims_in 4, packed vectors.
void pokarr_from_flat(i32 dims_in, const f64* pts, const f64* vecs, i32 n, pokarr& rec, i32& ierr);
// Writes the record's points packed (2 doubles a point for dims_out 2, else
// 3) and, for dims_out 4, its vectors; n receives the count.
void pokarr_to_flat(i32 dims_out, f64* pts, f64* vecs, i32& n, const pokarr& rec, i32& ierr);
// Area (absolute) and direction of the closed loop; kept until the
// direction word is cleared.
void pokarr_area(pokarr& rec);
// Thins the points within the tolerance into `out` (the record itself when null).
void pokarr_dilul(pokarr& rec, const f64& tol, pokarr* out, i32& ierr);
// Gives back the storage and empties the record: 0 pool, 1 static or child,
// 2 empty, -1 unknown storage.
i32 pokarr_free(pokarr& rec);

// Whether the arrays hold entry i (a bound check for readers).
inline bool pokarr_has(const pokarr& a, i32 i) { return i >= 0 && i < a.count; }
