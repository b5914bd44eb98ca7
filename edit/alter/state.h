// The working state of one ALTERATIONS call (trim_state), the choices it
// remembers between calls in the record "ZQA1" (alteration_defaults) and the
// procedure defaults of its menu, read by the workers that pick, walk, move,
// project and delete the blocks.
#pragma once

#include <vector>

#include "core/words.h"

// ----------------------------------------------------------- "ZQA1"
// Words of "ZQA1" (from 0); ints unless said otherwise.
constexpr i32 ZQA1_N = 10;
constexpr i32 ZQA_CONNECT = 0;  // 1 through clear, 2 through incremental clear, 3 directly, 4 along the contour
constexpr i32 ZQA_ACTION = 1;   // 1 move by delta Z, 2 project, 3 delete
constexpr i32 ZQA_DELOPT = 2;   // 1 all selected blocks (the one delete option)
constexpr i32 ZQA_PROJOPT = 3;  // 1 below the Z plane, 2 all onto it, 3 below the surfaces, 4 all onto them, 5 check
constexpr i32 ZQA_SIDE = 4;     // 1 inside the contour, 2 outside
constexpr i32 ZQA_INCCLR = 5;   // real: incremental clearance
constexpr i32 ZQA_OFFSET = 6;   // real: contour offset, added to the tool radius
constexpr i32 ZQA_SRFOFF = 7;   // real: reference-surface offset
constexpr i32 ZQA_ZPLANE = 8;   // real: Z plane, relative to the Z base
constexpr i32 ZQA_DELTAZ = 9;   // real: delta Z
// Values of the action, connect and projection words.
constexpr i32 ACT_MOVE = 1, ACT_PROJECT = 2, ACT_DELETE = 3;
constexpr i32 CON_CLEAR = 1, CON_INCR = 2, CON_DIRECT = 3, CON_ALONG = 4;
constexpr i32 PRJ_BELOW_Z = 1, PRJ_ALL_Z = 2, PRJ_BELOW_SRF = 3, PRJ_ALL_SRF = 4, PRJ_CHECK = 5;

extern i32 alteration_defaults[ZQA1_N];

// Fills the ten words with their defaults.
void zqa1_defaults();
// Reads "ZQA1" over the words; a missing record keeps them, a record of
// another size or a word out of its range gives that word its default.
void zqa1_read();
// Writes the ten words as "ZQA1".
void zqa1_write();
// An int word of "ZQA1".
inline i32 zqa(i32 word) { return alteration_defaults[word]; }
// A real word of "ZQA1".
inline f32 zqar(i32 word) { return wrd2r(alteration_defaults[word]); }
// Sets a real word of "ZQA1".
inline void zqas(i32 word, f32 value) { alteration_defaults[word] = r2wrd(value); }

// ---------------------------------------------------- procedure defaults
// The procedure values that ALTERATIONS shows with SHOW PROC DEFAULTS.
// They are kept here rather than in the editor's context because that
// context has no place for the approach and the two tolerances: those
// start from the values below and keep what ALTERATIONS set from one call
// to the next (they are not set at entry). The
// Z-up is taken from the context at entry and handed back at the end;
// clearance, feed and percentages are taken from the procedure's records.
struct AlterDefaults {
    f32 clear = 0.0f;     // clearance height, relative to the Z base
    f32 zup = 0.0f;       // Z-up distance of deletions (DEL Z-UP)
    f32 feed = 0.0f;      // the procedure's feed
    i32 plunge = 100;     // plunge feed percentage
    i32 down = 100;       // down feed percentage
    i32 approach = 1;     // surface approach kind 1 to 7
    f32 applen = 5.0f;    // surface approach length
    f32 arcrad = 5.0f;    // surface approach arc radius
    f32 srftol = 0.01f;   // reference-surface tolerance, the chord tolerance of all rewrites
    f32 contol = 0.01f;   // contour tolerance of the polygon
};
extern AlterDefaults ALTPDF;

// The absolute clearance height (CLEAR plus the Z base).
f32 alt_clearance();
// The absolute Z plane ("ZQA1" Z plane plus the Z base).
f32 alt_zplane();

// ------------------------------------------------------------ trim_state
// A place on the offset polygon: segment k joins points k and k + 1 (from
// 1), frac the fraction along it.
struct ContourPos {
    i32 seg = 0;
    f64 frac = 0.0;
};

// Slots of the host arrays the workers open, closed by ALTERATIONS after an
// interruption: the accumulated points and their vectors (the input of the
// surface projection), the resampling scratch, the projection's output
// points, output vectors and string counts.
constexpr i32 TA_POINTS = 0, TA_VECTORS = 1, TA_SCRATCH = 2, TA_OUTPTS = 3, TA_OUTVEC = 4, TA_STRINGS = 5,
              TA_N = 6;

// Selection modes.
constexpr i32 SEL_XY = 1, SEL_PLANE = 2, SEL_PICK = 3, SEL_ALL = 4, SEL_DIVIDE = 5;

struct TrimState {
    i32 mode = 0;        // selection mode 1 to 5 (SEL_*)
    i32 last_mode = 0;   // the last selection mode chosen
    i32 walk_side = 3;   // where the walk stops: 1 leaving the inside, 3 entering it, 2 starts on the contour
    // The offset polygon: n closed x,y points (the last repeats the first),
    // in the contour's plane for a contour in any plane (inplane 1), with
    // the transformation from tool path coordinates into that plane. Held
    // in vectors, as the surface ids below: they grow with what they hold
    // and go with the state, with no host block to free on every way out.
    std::vector<f64> polygon;
    i32 npoly = 0;
    f64 length = 0.0;
    i32 inplane = 0;
    f64 plane[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    i32 plane_id = 0;       // the plane made from the view rotation
    i32 figure = 0;         // the figure that shows the polygon, 0 none
    i32 contour = 0;        // the contour's entity id
    i32 contour_made = 0;   // the entity was made for this selection
    // The region start point (the current height in its third float).
    f32 region[3] = {0, 0, 0};
    // Crossings of the walk: where the path leaves and where it enters.
    ContourPos leaving, entering;
    i32 first_rapid = -1;   // first rapid block met by the walk
    // Flags.
    i32 at_end = 0;         // the end of the procedure was reached
    i32 interrupt = 0;      // a key press asked for the interrupt menu
    i32 pending_link = 0;   // the first chain of a SELECT MOTIONS run
    i32 must_end = 0;       // the command must end
    i32 rebuild = 0;        // the menu must be built again
    i32 started = 0;        // the first menu interaction has happened
    i32 msg31 = 0;          // the clearance message was shown in this call
    // Host arrays of the workers (handle -1 closed), and the point count of
    // the accumulated points.
    i32 arrays[TA_N] = {-1, -1, -1, -1, -1, -1};
    i32 npoints = 0;
    // Reference surfaces: count (the surface word handed to the projection),
    // ids, normal flags, the tolerance their model was built with and the
    // flag that a new model is needed.
    i32 nsurf = 0;
    std::vector<i32> surf_ids, surf_nrms;
    f32 model_tol = 0.0f;
    i32 model_needed = 1;
    // Progress of the command.
    i32 ops = 0;             // operations that succeeded
    i32 first = 0, last = 0; // the pending region (first negated while only to be shown)
    i32 restart = 1;         // the next walk starts at the procedure start
    i32 shown = 0;           // a region is highlighted
    i32 picked = 0;          // blocks were picked
    i32 to_end = 0;          // FORWARD: TO END runs
    i32 leave = 0;           // the command is to end
};
// The state of the running ALTERATIONS call; the current feed it reads is
// the motion reader's EDTFED.
extern TrimState trim_state;

// Clears the state as ALTERATIONS does at its entry: every array closed,
// flags, counters and reference surfaces cleared, walk side 3, the restart
// and model-needed flags set.
void trim_state_reset();
// Closes the workers' host arrays that are open.
void trim_arrays_close();
// Releases the offset polygon (the contour entity and figure stay).
void trim_polygon_release();
