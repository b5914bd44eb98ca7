// What the module uses of the host kernel `norak`.
//
// Calling conventions: routines with six-letter names take every argument by
// address (references here); the families whose names begin with MM_, DM_,
// msg_, nu_, ncd_, rel_nc_, nc_surf_, template_ or gs_ take sizes, counts and
// message numbers by value. A trailing status is 0 on success and negative on
// failure. Interactive calls answer -2 for escape and -3 for end.
// Texts are NUL-terminated unless a length is passed with them. The host's
// fixed-length text arrays stay where the host needs a field of a given
// width or hands one back (an error line, a message window line, an entity
// name, a converted number): the length comes with the text there. Every
// other text (messages, prompts, menu options) is built here at run time in
// many lengths; the terminator tells the host where it ends, so no length
// has to be counted and kept in step with the text at every call, and a
// text shorter than its field is never read past its end.
#pragma once

#include <cstdio>

#include "core/words.h"

// ---------------------------------------------------------------- entities
// One current open entity with a word cursor.
void eopen(const i32& id, i32& cls, i32& type, i32& len, i32& status);
void estore(const i32& cls, const i32& type, i32& id, i32& status);  // create and open
void eclose();  // closes the open entity
i32 egetn(const i32& count, void* buf);  // answers the words read; the rest is zeroed
void egeti(const i32& count, i32* buf);  // reads count integers
void egetr(const i32& count, f32* buf);  // reads count reals
void egetd(const i32& count, f64* buf);  // reads count doubles (two words each)
void eputn(const i32& count, const void* buf);  // writes count words at the cursor
void eputi(const i32& count, const i32* buf);  // writes count integers
void eputr(const i32& count, const f32* buf);  // writes count reals
void eputd(const i32& count, const f64* buf);  // writes count doubles (two words each)
void eskipn(const i32& count);  // passes over count words
void eskipi(const i32& count);  // passes over count integers
void eskipr(const i32& count);  // passes over count reals
void eskipd(const i32& count);  // passes over count doubles
void eattc(const i32& id, const i32& mode, const char* key, i32& value);  // mode 1 get, 2 set
void edelet(const i32& id, i32& status);  // deletes an entity (closed first when open); -1 when none
i32 etool(const i32& id);  // 1 when a tool entity of that id exists
i32 eopen_block_get();  // 1 while the entity-block mode is on
void eopen_block_set();  // sets the entity-block mode on
void eopen_block_clear();  // sets the entity-block mode off

// -------------------------------------------------------- tool path lists
// The current list has a cursor on an element and a word position in it.
// lacces modes: 1 next, -1 previous, 0 current, 2 first, 3 last element;
// answer: the element code (1 or more), -1 no such element, -2 list error.
// So the end of a list is -1, as every list walk of the module and the block
// routines read it; -2 is kept for a list that cannot be used. Taking -2 as
// the end would let a list that cannot be read pass for one read to its end,
// and a walk would go on with half a list as if it were whole.
void lacces(const i32& mode, i32& answer);
void lputd(i32& status, const i32& count, const void* buf);  // status: words written
void lgetd(i32& status, const i32& count, void* buf);        // status: words read
void lskip(i32& status, const i32& count);                   // status: words skipped
void lclos();  // closes the element: no element under the cursor, word position 0
void ltop();  // back to the top list, the element closed
void lcreat(const i32& where, i32& status);  // 0 after the cursor, -1 before it
i32 lopnls();                                // 0 when no tool path is open
void lmark(const i32& op, const i32& slot, i32& answer);  // op 1 remember, 2 return
void ldelet(const i32& count, i32& status);               // delete elements at the cursor
void lchang(const i32& count, const void* buf, i32& status);  // overwrite words at the word position
void lgap(const i32& count, i32& status);  // open count zero words at the word position
void lsubop(i32& status);                  // descend into the current element's sub-list
void lsubcl(i32& status);                  // back to the parent element
void gtlstn(const i32& mode, i32& list);   // current list level (mode 1 get)
void gsblkn(const i32& mode, const i32& list, i32& value);  // block counter: 1 get, 2 set
i32 tp_vnum_get();                         // version number of the current tool path
void lleng(i32& words);                    // words of the element under the cursor, -1 none
void lgtpos(i32& position);                // 0 before the first element, k on element k
void lgtrns(f32* matrix, f32* translation);  // the current list's transformation
void newls1(const i32& mode, i32& status);   // open a new sub-list under the current element
void lclrnw(i32& status);                    // delete every element of the current list
void put_zero_lst(i32& status);              // append the closing item of a procedure block
// Jumps back length + 1 words, writes the length there and returns to the
// element's end: the patch of a group length word.
void ljmpcg(const i32& length, i32& status);
void lroom(const i32& words, i32& answer);  // 1 when the current element can take more words

// ------------------------------------------------------------ dynamic memory
void MM_OPEN_ARRAY(i32 elsize, i32 count, i32& handle, void*& base, i32& status);
// Grows (or shrinks) an open array by added elements; base follows.
void MM_RESIZE_ARRAY(i32 handle, i32 added, void*& base, i32& status);
void mmcptr(const i32& handle, void*& base);  // the base of an open array, null when not open
void MM_CLOSE(i32& handle, i32& status);  // handle becomes -1
void MM_SYSTEM(i32 handle, i32& status);  // keeps an open array as the system's; -1 when not open
// Fixed-size store: elements of elsize bytes numbered from 1, taken one at a
// time (MM_FALLOC answers the new element's number; it is zeroed). The
// elements lie one after another from the base that mmcptr answers (fetch it
// again after every MM_FALLOC); MM_CLOSE releases the store.
void MM_OPEN_FDS(i32 elsize, i32& handle, i32& status);
void MM_FALLOC(i32 handle, i32& element, i32& status);  // takes one more zeroed element of a fixed-size store
void* DM_ALLOC(i32 bytes);                 // null on failure
void DM_FREE(void* ptr, i32 bytes);  // frees a block DM_ALLOC gave

// ---------------------------------------------------------- keyed records
// A key is the first four characters of the text given; the host takes no
// key length beside it, so none is passed. Records are read back whole;
// `count` holds the caller's capacity in words on entry and the words
// delivered on return. Status -1: no such record;
// -2: the record is larger than the capacity (nothing is delivered).
void mdputn(const char* key, const i32& kind, const i32& count, const void* data, i32& status);
void mdgetn(const char* key, void* data, i32& count, i32& status);  // reads a record whole (see above)

// ------------------------------------------------------------- templates
i32 get_template_file_ptr();  // handle of the open template file, 0 when none
void template_get_name(char* name, i32 length);  // name of the open template file
// Writes count words of the type as one record.
void template_write_one_record(i32 file, const void* buf, i32 count, i32 type, i32& status);
// Reads the next record of count words of the type.
void template_read_one_record(i32 file, void* buf, i32 count, i32 type, i32& status);
void template_read_rw(i32 file, void* buf, i32 count, i32 type, i32& status);  // look, do not consume
// Passes over the next count words of the template file, whole records;
// status -2 when they end inside a record or at the end of the file.
void template_skip_words(i32 file, i32 count, i32& status);
// End of the open template file reached (1), else 0.
i32 template_eof(i32 file);
// Which part of a template a procedure read takes: 1 all but the geometry
// masks and criteria texts, 2 only those, 3 everything (the default).
i32 load_from_tmpl_mode_get();
f32 get_TmplMorZ();  // Z of the template's origin

// -------------------------------------------------- parameter-line source
void nu_parm_get_line(i32 count, i32 type, void* buf, i32& status);

// ----------------------------------------------------- expression values
void rel_nc_init_expr(void* item);  // plain real in word 1 becomes a 24-word expression item


// Relations of the procedure parameters: the host keeps each parameter's
// value as a plain number or an expression over other codes, bound to the
// module's 24-word item, with optional limits. Kind 2: height symbols; kind
// 3: parameter relations. Expressions use "%r" for each base code in turn.
struct rel_entry {
    f64 lo, hi;     // limits, active when `limits` is 1
    i32* value;     // the bound item (its first word is the value)
    i32 code;
    i32 kind;
    i32 limits;
    i32 dflt;       // default mark
};
rel_entry* rel_nc_cptr();  // the table, null when the host has none
i32 rel_nc_get_num();  // the number of relations in the table
// Registers a code of the kind bound to the item (rebinds one already there).
void rel_nc_add_symbol(i32 code, i32 kind, i32* item, i32& status);
void rel_nc_add_tool_data(f32 diameter, f32 corner, i32& status);  // codes 3021 and 3024
// rel_nc_update_tool_data re-evaluates every expression (declared below).
void rel_nc_set_auto_expr(i32 code, const char* expr, i32 base, i32 base2, i32& status);
void rel_nc_min_max_set(i32 code, f64 lo, f64 hi);  // both 0: limits off
i32 rel_nc_find(i32 code);       // index in the table, -1 none
i32 rel_nc_is_number(i32 code);  // 1 when the relation holds a plain number
void rel_nc_get_value(i32 code, f32& value, i32& status);  // the bound item's value; -1 for an unknown code
// A new expression text; calculated into the item unless calc is 0.
void rel_nc_set_text(i32 code, const char* text, i32 calc, i32& status);
void valex_setp(i32 code, f32 value, i32& status);  // plain value
// Evaluates the expression again without recalculating its bases; changed 1
// when the value moved.
void rel_nc_recheck(i32 code, i32& changed);
void rel_nc_refresh_symb_tab();  // recalculates the parameter relations' items from their texts
void rel_nc_trans_name(i32 code, char* name, i32 length);  // translated name of a code
void gs_part_hgt(i32 which, f32& z, i32& status);  // 1 max, 2 min part height; -1 when unknown

// --------------------------------------------------------------- messages
// A message value: an integer or a real, shown as given.
struct hval {
    bool isint;
    i32 i;
    f64 r;
    hval(int v) : isint(true), i(v), r(v) {}
    hval(long v) : isint(true), i(static_cast<i32>(v)), r(static_cast<f64>(v)) {}
    hval(f32 v) : isint(false), i(0), r(v) {}
    hval(f64 v) : isint(false), i(0), r(v) {}
};
void errout(const char* text, const i32& code, const i32& length);  // an error line of length characters with its code
void eroutc(const char* text, const i32& zero);  // internal error
void erou1c(const char* text, const hval& v1, const char* tail = "");  // internal error with one value
void erou2c(const char* text, const hval& v1, const hval& v2, const char* tail = "");  // internal error with two values
// Internal error with three values.
void erou3c(const char* text, const hval& v1, const hval& v2, const hval& v3, const char* tail = "");
// Internal error with four values.
void erou4c(const char* text, const hval& v1, const hval& v2, const hval& v3, const hval& v4, const char* tail = "");
// Internal error with five values.
void erou5c(const char* text, const hval& v1, const hval& v2, const hval& v3, const hval& v4, const hval& v5,
            const char* tail = "");
void userrc(const char* text, const i32& zero);  // user error
void user1c(const char* text, const hval& v1, const char* tail = "");  // user error with one value
// User error of five texts joined.
void user5c(const char* t1, const char* t2, const char* t3, const char* t4, const char* t5);
void usmsgc(const char* text);                 // user message
void usms1c(const char* text, const hval& v1);  // user message with one value
void shmsgc(const char* text);                 // status line message
// Status line message with count integer values shown under the host's value
// code ("C": whole numbers).
void shms1c(const char* text, const i32* values, const i32& count, const char* code);
void shlmsg(const char* text, const i32& length);  // message window line
void msg_mdls(i32 module, i32 number);         // numbered host message
void msg_get(i32 module, i32 number, char* text, i32 length);  // the text of a numbered host message, cut to length
void msg_mdlt(i32 module, i32 number, const char* text);  // numbered host message with a text

// ---------------------------------------------- menus, prompts and replies
void modinz();                                       // start a menu
void modmc(const char* options, i32& choice);        // options joined by "@", choice from 1
// The procedure menus of this host are forms of rows (below), not menus of
// "@"-joined options answered by a choice: modumc and moduc2 add the
// one-blank placeholder row, which keeps the numbers of the later rows and
// cannot be chosen, so there is no choice to answer; nu_mod_exec edits the
// word bound to its row, and the row's number comes back from modrpl.
void modumc(const char* options, i32& choice);  // a menu row without an option (a blank in a column form)
void irepyc(const char* question, i32& reply);       // 1 yes, 0 no, -2 escape
void prmptc(const char* text);                       // show a prompt
void prmreal(const char* text, f32& value, i32& status);  // ask for a real
void prmint(const char* text, i32& value, i32& status);   // ask for an integer
void prmtxt(const char* text, char* value, const i32& length, i32& status);  // ask for a text
void gupdat(i32& key);                               // keyboard poll, -1 nothing
void modint(const i32* words, i32& status);          // menu interaction with layout words
i32 modhix();                                        // screen height in pixels
void gsclr(const i32& mode);                         // clear menu area
void ofmod(const i32& mode);       // the listing output: 1 resumed, 2 handed to the host's writes
void ofwric(const char* text);     // one line into the listing output (the transcript when none)
void ncr_mdnxt_set(i32 index);  // sets the next menu index
i32 ncr_mdnxt_get();  // the next menu index
void mdnxt_set(i32 index);  // sets the next menu index (the same cell)

// Menu forms of the procedure menus: rows added one by one and read with
// one reply. Rows count from 1 in the order added; a blank row keeps later
// numbers fixed. modrpl answers 0 accept, -1 leave, -2 cancel, or the
// number of the chosen row.
void modm(const char* text);                   // an option row
// A colour cell in the last row: a choice of cells (joined by "@"), the
// colour's one shown in that colour.
void modclr(const char* cells, const i32& colour);
void modmtx(const char* text);                 // a text row that cannot be chosen
void moduc2();                                 // a blank row
void modmsl(const char* options, i32& current);  // a row of options, `current` shown
// A value row bound to a word: kind 1 integer, 3 and 4 a choice (descriptor
// "LABEL:OPTION@OPTION..."), 8 and 9 a real; a code with a relation keeps
// the relation in step with the value chosen.
void nu_mod_exec(i32 kind, const char* descriptor, i32 code, i32* word, f32 lo, f32 hi, i32& status);
void modrpl(i32& reply);  // waits for the reply of the menu form
void contin(i32& reply);  // the reply of the menu form without a wait for a new menu
i32 nu_mod_get_flag();  // 1 while the host drives the menus itself, else 0
void nu_mod_title(const char* text);  // the title of the menus the host drives

// ------------------------------------------------------------ status line
void bmshow(const i32& window, const i32& line, const i32& field, const char* text, const i32& zero, const i32& width);
void grpupd();  // brings the graphics up to date
void gsncpt(const i32* npt1);  // hands the NPT1 record to the status line
void gsdisp(const i32* dsp8);  // hands the DSP8 record to the status line
void gsdism(const i32* dsm4);  // hands the DSM4 record to the status line
void gsmach(const i32* prm9);  // hands the machine values to the status line
void gstlpr(const i32* header);  // hands the tool words to the status line

// ---------------------------------------------------- tolerant comparisons
// One tolerance, the host's (see get_tolerance); reals in single and double.
f32 get_tolerance();
// The host's geometric epsilon of a kind and a form (the point tests ask
// for kind 1, form 2); see the stand-in's rule.
f32 gseps(const i32& kind, const i32& form);
i32 eqval(const f32& a, const f32& b);  // a == b within the tolerance
i32 neval(const f32& a, const f32& b);  // a != b beyond the tolerance
i32 gtval(const f32& a, const f32& b);  // a > b beyond the tolerance
i32 geval(const f32& a, const f32& b);  // a >= b within the tolerance
i32 ltval(const f32& a, const f32& b);  // a < b beyond the tolerance
i32 leval(const f32& a, const f32& b);  // a <= b within the tolerance
i32 eqval0(const f32& a);  // a == 0 within the tolerance
i32 eqvald(const f64& a, const f64& b);  // eqval in double
i32 gtvald(const f64& a, const f64& b);  // gtval in double
i32 ltvald(const f64& a, const f64& b);  // ltval in double
i32 levald(const f64& a, const f64& b);  // leval in double
i32 gevald(const f64& a, const f64& b);  // geval in double
i32 eqvl0d(const f64& a);  // eqval0 in double

// ---------------------------------------------------------- text builders
void cvi2t(const i32& value, char* text, i32& length, i32& status);  // integer digits
// A real with digits decimals; -1 when not finite or too large.
void cvr2td(const f64& value, const i32& digits, char* text, i32& length, i32& status);
void fs2cs(const char* fixed, i32 length, char* text);   // fixed field to C text, trailing blanks cut
void movt2i(const char* text, const i32& nchars, i32* words);  // pack 4 characters a word
void movi2t(const i32* words, const i32& nchars, char* text);  // unpack

// --------------------------------------------------------- settings, misc
i32 get_verbos_fn();
i32 get_extflag();  // the host's extension flag
void enaall();  // enables every host function
f32 gtmesu();   // measuring unit factor
i32 gtdgts();   // digits shown
void gsvnum(i32& view);  // current MACSYS view number, 0 none
void tbinit();  // initialises the host's tables
// User procedure names: up to 100 names of 8 characters, their count, and a
// map from procedure code 1-100 to a name index 1..count. The host fills the
// names in fixed 8-character fields; this interface takes no text lengths,
// so the lengths 9 and 8 that the host's own call carries are not passed.
void gtncfn(char* names, i32& count, i32* map);
void setwap(const f32* frame);  // sets the working plane from a frame
void setdsp(const i32& view);  // sets the display view
void edsym(const i32& which, const i32& on);  // shows (on 1) or hides a display symbol
void mapw2m(const f32* world, f32* machine);  // world to model (machine) coordinates, mapm2w's inverse
void plg_mchtbl_mdget(i32* table);  // the host's 10-word machine table
void plg_mchtbl_mdput(i32 mode, const i32* table);  // writes the host's machine table
void tm_inst_id(i32 value);  // forgets the registered tool image
// Registers a parameter translation row (texts, code, kind).
void nu_trns_add(i32 text, i32 code, i32 kind, i32 text2, i32& status);
void nu_trns_rels();  // releases the translation rows
void end_badsrf();  // ends the bad-surface list

// ------------------------------------------------------ surfaces and curves
// Surface entities: class 3, type 3 a plain surface, type 4 a trimmed one.
// Their words are the doubles of the surface buffer (as word pairs), which
// the evaluations read. Reals of the buffer, numbered from 0:
constexpr i32 SB_CAP = 65536;  // doubles a surface buffer holds
constexpr i32 SB_TAG = 0;      // SB_MAGIC in a sound buffer
constexpr f64 SB_MAGIC = 7301.0;
constexpr i32 SB_KIND = 1;     // 1 plane patch, 2 NURBS surface, 3 surface of revolution
constexpr i32 SB_LEN = 2;      // doubles in use
constexpr i32 SB_ID = 3;       // entity id
constexpr i32 SB_OFFSET = 4;   // offset along the normal, divided by the scale
constexpr i32 SB_SCALE = 5;
constexpr i32 SB_LIM = 6;      // u start, u span, u increment, v start, v span, v increment
constexpr i32 SB_FRAME = 12;   // 1 when the surface has an axis frame
constexpr i32 SB_ORIGIN = 13;  // 3 reals
constexpr i32 SB_MATRIX = 16;  // 9 reals: the x, y and z axes one after another
constexpr i32 SB_VDEG = 25;    // 1 when v is an angle in degrees
constexpr i32 SB_TRIM = 26;    // index of the trim data, 0 when untrimmed
constexpr i32 SB_DATA = 28;    // where the kind's own data begins
constexpr i32 ESRF_CLASS = 3, ESRF_PLAIN = 3, ESRF_TRIMMED = 4;

// Evaluation at (u, v). what 0: point; 1: point, Su, Sv; 2: point, Su, Sv and
// the unit normal (Su x Sv). Status 0; 1 the normal is undefined there (pole,
// degenerate edge: the normal given is the one met nearest, or zero); -1 a
// bad buffer or a parameter that is not finite. The buffer's offset moves the
// point along the normal.
void evsrfd(const f64* buf, const f64& u, const f64& v, const i32& what, f64* out, i32& status);
// Evsrfd in single precision.
void evsrf(const f64* buf, const f32& u, const f32& v, const i32& what, f32* out, i32& status);
// Point (what 1) or point, Su, Sv (what 2) into out, and the unit normal.
void evsrfn(const f64* buf, const f32& u, const f32& v, const i32& what, f32* out, f32* normal, i32& status);
// Box of a surface over its whole parameter range: xmin, ymin, zmin, xmax, ymax, zmax.
void srfbox(const f64* buf, f64* box, i32& status);
// Box of the trimmed region of a surface entity (whole range when untrimmed).
void trsbox(const i32& id, f32* box, i32& status);
// The tolerance of trim-loop polygons: mode 1 get, 2 set (above 0).
void gstrmtol(const i32& mode, f32& tol);
// The trim tolerance of a surface entity; status -1 when it has none.
void gt_tolvars(const i32& id, f32& tol, i32& status);
// Trim loops of a surface entity, outer loop first, in one host array of
// 4-byte words: nloops counts, then the (u, v) pairs of all loops (f32); the
// first point is not repeated. A handle of 0 or more on entry is reused.
// An untrimmed surface gives its parameter rectangle as one loop.
void trsgdp(const i32& id, i32& handle, i32& nloops, i32& total, i32& status);
// The same in double precision with the 3D points: trsgdp_ini prepares the
// loops, trsgdp2 copies loop k (from 0) into uv (2 per point) and xyz (3 per
// point) when it has at most `capacity` points, trsgdp_free ends.
void trsgdp_ini(const i32& id, i32& nloops, i32& total, i32& status);
// Copies loop k (see above).
void trsgdp2(const i32& loop, const i32& capacity, i32& count, f64* uv, f64* xyz, i32& status);
void trsgdp_free();  // ends what trsgdp_ini prepared
// The host's polygon store of the hatching: opened (status -1 when it is
// open already) and closed (status -1 when it is not open) around the hatch
// lines of a trimmed surface.
void opnpol(i32& status);
void clspol(i32& status);  // closes the polygon store
// Parameter-to-length data of a loaded surface: the largest length in space
// of one unit of u and of one unit of v (sampled over the ranges within the
// tolerance tol); status -1 for a bad buffer or a non-positive tolerance.
void srfcds(const f64* buf, const f32& tol, f32* lengths, i32& status);
// Degenerate edges of the patch [u0, u1] x [v0, v1] of a loaded surface (the
// bounds as given, in any order): flags[0] the edge u = u0, flags[1] u = u1,
// flags[2] v = v0, flags[3] v = v1; 1 when that edge is collapsed to a point
// (its 9 evenly spaced points lie within 1.0e-6 of their first), else 0.
// Status 0; -1 for a bad buffer or an edge point that cannot be evaluated.
void srfdgf(const f64* buf, const f32& u0, const f32& u1, const f32& v0, const f32& v1, i32* flags, i32& status);
// Projection of a point onto a loaded surface along the surface's normal:
// from (u, v) on entry, the parameters whose surface point has the point on
// its normal (clamped to the ranges); status 0, -1 when the iteration does
// not settle or the buffer is bad.
void nrmsrd(const f64* buf, const f64* point, f64& u, f64& v, i32& status);
// Point in polygon: answer 1 inside, 2 on the border, 3 outside. kind 1: the
// points are x, y pairs; kind 2: x, y, z triples (z ignored).
void inpol(const f32* pts, const i32& n, const i32& kind, const f32* p, i32& answer);
// Inpol in double, with a border tolerance.
void inpold(const f64& tol, const f64* pts, const i32& n, const i32& kind, const f64* p, i32& answer);
// Against loops (outer first, then holes), all points one after another.
void inpolr(const f32& tol, const f32* pts, const i32* counts, const i32& nloops, const f32* p, i32& answer);

// ------------------------------------------------- polygons and contours
// Polygons are single-precision x, y pairs, the first point not repeated
// unless said.
// Nesting of n polygons (counts, then all points one after another): row i
// of `sons` (n + 1 words) holds the number of polygons lying inside polygon
// i, then their numbers (from 0). Status 0.
void polson(const i32& n, const i32* counts, const f32* pts, i32* sons, i32& work, i32& status);
// Signed area of a polygon (positive counter-clockwise).
void plarea(const f32* pts, const i32& n, f32& area);
// Turning of a polygon: 0 counter-clockwise, 1 clockwise, -1 degenerate.
i32 polccw(const f32* pts, const i32& n);
// Whether the point touches the polygon's boundary (double x, y pairs)
// within the tolerance: 1 or 0 (mode 2: the polygon is closed).
void tchptpol(const i32& mode, const f64& tol, const f64* pts, const i32& n, const f64* p, i32& answer);
// Contour definitions: a head element (two words: the number m of curve
// elements, 0) followed by m elements of two words (a curve entity id, 1
// when the curve is taken reversed). dfcgld answers the elements the
// definition occupies (1 + m), dfdgnc its curve elements, dfdgoc 1 when the
// chained curves close.
i32 dfcgld(const i32* def);
i32 dfdgnc(const i32* def);  // the curve elements of a definition
i32 dfdgoc(const i32* def);  // 1 when the chained curves close
// Curve element k (from 1) of a definition: its entity id and its unit
// direction at its start (item 1); status -1 for no such element.
void dfdget(const i32* def, const i32& item, const i32& k, i32& id, f64* vec, i32& status);
// The polygon of a contour definition: curves chained, arcs cut into chords
// within the tolerance, as x, y floats (at most `capacity` points); n the
// points written, -2 when they do not fit, 0 when the definition is bad.
void dfcpol(const i32* def, const f64& tol, const i32& capacity, f32* pts, i32& n);
// The user's contour: dfdini starts a definition, dfdtol sets its
// tolerance, dfdc lets the user pick its curves.
void dfdini();
void dfdtol(const i32& mode, const f64& tol);  // the tolerance of the definition
// The user picks the contour's curves into def (at most limit); status 0,
// 1 when a contour entity was made for it, below 0 nothing defined.
void dfdc(const i32& mode, const i32& flag, const i32& limit, i32* def, i32& status);
void dfdgid(const i32* def, i32& id);  // the entity id of a defined contour, 0 when it has none
// Contours defined in the plane of the current view (on 1) or in the XY
// plane (on 0) from now on; mode 2.
void gscntv(const i32& mode, const i32& on);
// The work plane: mode 1 gets it into plane, mode 2 sets it (which: 1).
void gswpld(const i32& mode, const i32& which, i32& plane);
void gtvrot(f32* rotation);  // the current view's rotation: its axes as rows (9 floats)
// The plane of a rotation (rows, doubles): one that fits it or a new one
// (mode -2); status -1 when the rows are no rotation.
void trchkd(const i32& mode, const f64* rotation, i32& plane, i32& status);
// A plane's 3x4 matrix by rows (the translation in the last column),
// carrying a point of the plane's coordinates into world coordinates;
// status -1 for no such plane.
void trgetd(const i32& plane, f64* matrix, i32& status);
void m3crtd(const f64* a, const f64* b, f64* c);  // c = a after b (3x4 matrices by rows): c x = a (b x)
// The offset of a contour definition by dist (positive to the left of its
// direction) into out, as new curves; status -1 when it cannot be made.
void dfcof2(const i32* def, const i32& zero, const f64& dist, const i32& limit, i32* out, i32& status);
void dfcgnr(const i32& a, const i32& b, const i32& c, i32* def);  // deletes the curves an offset made
// The crossings of the polyline (n1 x, y doubles) with the polygon (n2
// points, closed): per crossing x, y, the fractions along the polyline's
// and the polygon's segment and the two segment numbers (from 1), in the
// polyline's order, at most cap of them.
void ind2po(const i32& n1, const f64* line, const i32& n2, const f64* poly, const i32& cap, i32& count, f64* xy,
            f64* fracs, i32* segs, i32& status);
// The angle about the centre from one point to another (x, y): mode 2 in
// (-pi, pi], mode 3 counter-clockwise in [0, 2 pi).
void angpnt(const i32& mode, const f32* centre, const f32* from, const f32* to, f32& angle);
// A curve entity (a polyline) through n points (x, y, z doubles); id 0 and
// status -1 on failure.
void crcmpl(const i32& n, const f64* pts, i32& id, i32& status);
// The placement point of a curve entity (a line's start, an arc's centre, a
// B-spline curve's first control point; model coordinates): mode 1 gets it,
// mode 2 moves the whole curve so that it lies at the point. Status -1 for
// no such curve or another mode.
void crvplc(const i32& mode, const i32& id, f64* point, i32& status);
// An arc entity about the centre in the plane of the normal, of the radius,
// from angle a0 to a1 (degrees, counter-clockwise about the normal from the
// plane's x axis: the x axis laid into the plane, the y axis when the normal
// runs nearly along x); id 0 and status -1 for a radius not above 0, a
// normal of no length or an angle that is not finite.
void crarc(const f64* centre, const f64* normal, const f64& radius, const f64& a0, const f64& a1, i32& id,
           i32& status);
// Figure drawing between figopa and figcls: pen up to, line to a point; a
// figure opened with a colour.
void moveto(const f32& x, const f32& y, const f32& z);
void drawto(const f32& x, const f32& y, const f32& z);  // line to a point
void figopa(const i32& figure, const i32& colour);  // opens a figure for drawing
// Contour selection by criteria. The module hands over the columns of its
// contour list (count, surface ranges, element positions, kinds, order
// numbers, selected flags) and its element buffers; the host finds the
// contours of the geometry mask, appends those not listed yet to the list
// (kind 2 closed or 1 open, order numbers following), marks every contour
// found selected, and hands the deletion of a contour by its order number
// to the module's routine (set_pdel_callback).
using CntDelFn = void (*)(i32 order);
void set_pdel_callback(CntDelFn fn);  // the module's routine that deletes a contour by its order number
void num_cont_gs(const i32& mode, i32& n);    // mode 2 sets, 1 gets the number of contours
void geomask_id_init(i32& id);  // a new geometry mask, its id
void geomask_id_rls(const i32& id);  // releases a geometry mask
void geotype_gs(const i32& mode, i32& type);  // the geometry type of the search: mode 1 get, else set
void multi_cnt_lst_init_mulcnt(i32& list);  // a new multi-contour list
void multi_lst_destroy(const i32& list);  // destroys a multi-contour list
// Hands over the pocket contour list's columns.
void pkt_set_to_main(i32* count, i32* first, i32* last, i32* pos, i32* kind, i32* order, i32* selected);
// Hands over the profile contour list's columns.
void prf_set_to_main(i32* count, i32* first, i32* last, i32* pos, i32* kind, i32* order, i32* selected);
void arrows_buf_set_to_main(i32* columns);  // hands over the direction-arrow columns
// Element buffers of two words an element: the list's and its capacity in
// elements, the geometry's, the work buffer of one contour.
void cntbuf_set_to_main(i32* elems, const i32& capacity, i32* geom, i32* work);
void geomsk_search_curves(const i32& mask, i32& status);  // searches the curves of a geometry mask
// Finds the contours by criteria (closed 2, else open); status 0.
void find_cont_by_crit(const i32& kind, i32& status);
void get_num_cnt(i32& n);  // the contours found by criteria
// 1 when the criteria contour `index` (from 0) has n elements from curve
// `first` to curve `last`.
i32 compare_cnt(const i32* work, const i32& n, const i32& first, const i32& last, const i32& index);
// Delete the contour with that order number from the handed-over list.
void prfdel_by_OrderNum(const i32& order);
void pktdel_by_OrderNum(const i32& order);  // deletes a pocket contour by its order number
// Solids of the list exploded to wire-frame; the element buffer refilled.
void ncs_explode_solbuf_to_wfbuf(i32& status);
void fill_cnt_buf(i32& status);  // refills the element buffer of the handed-over list
// A solid's loop exploded into at most `capacity` wire-frame elements (the
// definition's count comes back); status 0.
void ncs_explode_loop_to_wfbuf(i32* def, const i32& capacity, i32& n, i32& status);
// A contour definition written back to its owner; status 0.
void dfdput(const i32* def, const i32& n, i32& status);
// 1 when the messages of a running computation are shown, else 0.
i32 gncalw();
// Curve entities (class 2: type 1 line, 2 arc, 3 B-spline curve): parameter
// range and point with tangent (6 reals) at t.
void crvrng(const i32& id, f64& t0, f64& t1, i32& status);
void evcrv(const i32& id, const f64& t, f64* out, i32& status);  // point and tangent of a curve at t
// Unique id of an entity (0 when none) and back.
i32 euid(const i32& id);
i32 euid2id(const i32& uid);  // the entity of a unique id, 0 when none

// The procedure's surface lists: 0 part, 1 check or second part, 2 second
// part. mode 1 starts them empty, 2 empties them.
void nc_surf_init(i32 mode, i32 kind);
// mode 1 get, 2 set the count of a list (set cuts it or adds zero rows); the
// list becomes current.
void nc_surf_count(i32 mode, i32 list, i32& count, i32& status);
i32 nc_surf_cur();  // the current list
// Rows of the current list, at most `capacity`; status -1 when the list is longer.
void nc_surf_ids(i32* ids, i32 capacity, i32& status);
void nc_surf_uids(i32* uids, i32 capacity, i32& status);  // unique ids of the current list
void nc_surf_nrms(i32* nrms, i32 capacity, i32& status);  // normal flags of the current list
// Replace the current list by count rows (uids from the ids).
void nc_surf_put(i32 count, const i32* ids, const i32* nrms, i32& status);
void nc_surf_norm(i32 count, const i32* nrms, i32& status);  // normals of the current list
void nc_surf_gs_part2(i32 mode, i32& value);                 // second-part switch: 1 get, 2 set

// Geometry masks of the procedure, kinds 0 to 3: five words each (entity
// class, level "LV", colour "CO", line font "LF", pen "PN"; -1 matches any).
void nc_geomsk_lst_add(i32 kind, const i32* mask, i32& status);
i32 nc_geomsk_lst_count(i32 kind);  // the masks of a kind
void nc_geomsk_lst_get_data(i32 kind, i32 index, i32* mask, i32& status);  // mask index (from 0) of a kind
void nc_geomsk_lst_empty(i32 kind);  // drops the masks of a kind
// Ids of the entities of a class, in id order, at most `capacity`; answers the count.
i32 elstcls(const i32& cls, i32* ids, const i32& capacity);

// Picking: a surface (or any entity) pick answered -2 escape, -3 end; the
// pick stack holds what was picked.
void pcksrf(const char* prompt, i32& id, i32& status);
// A point picked on an entity: the entity and the point's (u, v) there.
void pckpnt(const char* prompt, i32& id, f64& u, f64& v, i32& status);
void slclr();  // empties the pick stack
void slpopb(i32& id);  // pops the top of the pick stack: its entity, 0 when empty
// The key of a picked tool path display block: its procedure number and,
// when known, its block number (count 0 to capacity).
void ncd_get_picked(const i32& id, i32* key, const i32& capacity, i32& count);
// Marks a procedure's blocks for attention: all of them, or count blocks.
void ncd_set_range_blocks_attention(const i32& proc, const i32& count, const i32& code);
void statbl();  // clears the status bar
// Shows a text in a field of the status bar (field from 1), cut or padded to
// the width.
void statmc(const i32& field, const char* text, const i32& width);
void pkspsh(const i32& id);  // pushes an entity onto the pick stack
void pksdel(const i32& first, const i32& count);  // drop count entries from position first (from 1)
void pksrej(const i32& count);  // drop the last count entries
i32 pkscnt();  // the entries of the pick stack
void pksget(i32* ids, const i32& capacity, i32& count);  // the entities of the pick stack, at most capacity

// Bad-surface buffer: ids of surfaces that could not be approximated.
void init_badsrf();
i32 get_flag_badsrf();                      // nonzero while the buffer is kept
i32 find_id_in_buf_badsrf(const i32& id);  // index, -1 when absent
void put_id_in_buf_badsrf(const i32& id, i32& status);  // adds a surface (once)
void redraw_badsrf();  // shows the surfaces of the buffer
i32 count_badsrf();  // the surfaces of the buffer

// ----------------------------------------------------------------- tools
// Whole-entity access for the tool library that leaves the current open
// entity and its cursor alone. dbdget: `count` holds the capacity in words
// on entry and the words delivered on return; status -1 no such entity, -2
// the entity is larger than the capacity (nothing is delivered; `count`
// then holds the entity's size).
void dbdget(const i32& id, i32& cls, i32& type, i32* words, i32& count, i32& status);
void dbdput(const i32& id, const i32& count, const i32* words, i32& status);  // replaces the words
// Creates an entity of the words; id 0 on failure.
void dbdnew(const i32& cls, const i32& type, const i32& count, const i32* words, i32& id, i32& status);

// ------------------------------------------ NC procedure infrastructure
void asatt1(const i32& id, const i32& attribute, i32& status);  // attach an attribute to an entity
// Text of the current procedure's parameters: code 29 (20 characters) or 30 (12).
void gtprtx(const i32& proc, const i32& code, char* text, i32& status);
void gtenam(const i32& id, char* name, const i32& length, i32& status);  // entity name, blank-padded
void ncd_update_current_attrs(i32 mode, i32& colour, i32& pen);  // the procedure's colour and pen
void ncd_update_blank_attribute(i32 blank);  // the blank attribute of the current procedure's display
void ascopy(const i32& a, const i32& source, const i32& b, const i32& target);  // copy block associations
void chk_crit_gs(const i32& mode, i32& flag);  // geometry by criteria (mode 1 get)
void gs_modify(const i32& mode, i32& flag);    // the procedure is being modified (mode 1 get)
i32 orbis_flag_get();  // 1 in the host's orbis mode
i32 prgvrs();                                  // program version number
void prgrel(i32& r1, i32& r2, i32& r3);        // release numbers
void prgpsn(i32& position);  // the program's position number
void prgsrn(i32& source);  // the program's source number
i32 get_ProcGeomStatus();  // the procedure's geometry status
void cltrin(const i32& value, const i32* table);  // hands a value and table to the host's transformation
void mrm_proc(const i32& code, const i32& number);  // register a procedure for the recording road
// Working copy of an entity: mode 1 gets it (-1 none), mode 2 sets it (-1 clears).
void get_set_idtmp(const i32& mode, const i32& id, i32& copy);
void get_geom_type(const i32& id, i32& kind, i32& status);  // the kind of a geometry entity
void update_geom_length(const i32& id, const i32& words, i32& status);  // sets the word count of a geometry entity
void get_set_movmnt_id(const i32& mode, const i32& proc, i32& movement);  // mode 1 get, 2 set
void set_open_proc(const i32& id);  // marks the movement entity as the open procedure
i32 is_open_proc();  // 1 while a procedure is open that way
void reset_open_proc();  // clears the open procedure
void asdeta(const i32& id);                        // delete an entity's associations
void ascopa(const i32& from, const i32& to);       // move associations
void cpy_geom(const i32& from, const i32& to, i32& status);  // copy geometry words onto an entity
void add_nc_entity(const i32& id, i32& status);    // register with the current NC entity list
void del_nc_entity(const i32& id);  // drops an entity from the current NC entity list
// Geometry masks: an entry as text, and a mask from its text.
void nc_geomsk_lst_get_text(i32 kind, i32 index, char* text, i32 length, i32& status);
void geomsk_set(i32 kind, const char* text, i32& status);  // a mask of the kind from its text (five numbers)
void str_init();  // initialises the host's string store
// Rows of the procedure's surface lists beyond ids and normals.
void nc_surf_put_uids(i32 count, const i32* uids, i32& status);  // unique ids of the current list
void nc_surf_atrs(i32* atrs, i32 capacity, i32& status);  // attribute words of the current list
void nc_surf_put_atrs(i32 count, const i32* atrs, i32& status);  // replaces the attribute words of the current list
void nc_surf_psrf(i32 count, const f32* records, i32& status);  // surface records, 9 reals each
// The surface records of the current list (9 reals each, as nc_surf_psrf
// stored them, zeros where none was), at most capacity surfaces.
void nc_surf_get_psrf(f32* records, i32 capacity, i32& status);
// Entity ids of surfaces from their unique ids (0 for a surface that is gone).
void ncs_update_surfaces(i32 count, const i32* uids, i32* ids, i32& status);
void ncs_table_re_explode(i32& status);  // explodes the solids of the surface table again
// Sequence numbers of a list: first and last (mode 1 get); renumber from first.
void nc_surf_seq(i32 list, i32& first, i32& last);
void nc_surf_sls(i32 list, i32 first, i32& status);  // renumbers a list's sequence from first
// State flags of the host's procedure framework.
void clr_TP_TemplateFlag();    // the tool-path template flag
void clr_PROC_TemplateFlag();  // the template flag of a single-procedure read
i32 is_read_singlePROC();  // 1 while a single procedure is read from a template
i32 lin_svap_flag();  // 1 when the host keeps saved approximations
void lin_svap_set_user_tol(f32 tol);  // the user tolerance of the saved approximations
// Procedure records. nwords/ngeom/count hold capacities on entry and sizes
// on return; mode 1 reads, 2 updates (sub-list header list of nwords zeros and
// the geometry list), 3 creates (id out).
void get_proc_info(const i32& proc, i32& nwords, i32& ngeom, i32& status);
// Reads, updates or creates a procedure record (mode as above).
void dbd_proc(const i32& mode, i32& proc, i32& number, i32& code, i32* words, i32& nwords, i32* geoms, i32& ngeom,
              i32& status);
// The machine-parameter entity of a procedure and its words.
void get_mchprm_info(const i32& proc, i32& id, i32& count, i32& status);
// Reads (mode 1) or writes the machine-parameter entity.
void dbd_mchprm(const i32& mode, const i32& proc, i32& id, i32* words, i32& count, i32& status);
// The local-parameter entity of a procedure and its words.
void get_lclprm_info(const i32& proc, i32& id, i32& count, i32& status);
// Reads (mode 1) or writes the local-parameter entity.
void dbd_lclprm(const i32& mode, const i32& proc, i32& id, i32* words, i32& count, i32& status);
void get_geom_info(const i32& id, i32& kind, i32& status);  // the kind of a geometry entity
// Forward declarations of the driver's callback types for the template
// services that call them back.
using HostPutFn = void (*)(const i32&, const i32&, i32&, i32&);
using HostReadFn = void (*)(const i32&, const i32&, const i32&, const i32&, i32&, i32&);

// Templates: management flag (1 read, 2 write, 3 read and fetch), tool-path
// template flag (4, 6 read, 5 write), and the template operations.
i32 get_ManageTp_TemplateFlag();
i32 get_TP_TemplateFlag();  // the tool-path template flag
i32 is_create_from_TPtemplate();  // 1 while a tool path is created from a template
i32 is_some_template_operation();  // 1 during any template operation
i32 is_some_template_CreateRead_operation();  // 1 during a template create or read
void template_set_read_mode(i32 mode);  // sets the template read mode
// Mode 1 enters the directory of the templates, 2 returns to the current one.
void template_dir(i32 mode);
void template_init_load();  // starts a load of procedure parameters from a template
// Procedure data of a template: the write calls the parameter and geometry
// writers on the template medium; the read calls the block reader. A read
// answers 11 when the template holds no data for the procedure.
void template_MultiMngTpWrite_PROCdata(i32 type, HostPutFn prm, HostPutFn geo, i32& status);
// The procedure data written into a tool-path template.
void template_MultiTPWrite_PROCdata(i32 type, HostPutFn prm, HostPutFn geo, i32& status);
// The procedure data read from a managed template.
void template_MultiMngTpRead_PROCdata(i32 type, HostReadFn reader, i32& status);
// The procedure data read from a tool-path template.
void template_MultiTPRead_PROCdata(i32 type, HostReadFn reader, i32& status);
void tpl_color_pen(i32& colour, i32& pen);  // the colour and pen a template gives the procedure
// Hands the global records to the host's template write.
void set_GlobalParameters_ToMain(const i32* hei8, const i32* txt2, const i32* cmpblk, const i32* prm9,
                                 const i32* coor, const i32* mchtbl);
void set_MainProcBlkToMain(const i32* keys, i32 count);  // hands the saved procedure block keys to the host
void init_BlockUseMode();  // starts the host's block-use mode
void get_Block_Filter_Array(i32* filter);  // 4 words: machine, tool, UCS, clearances
void update_BlockUseMode();  // brings the host's block-use mode up to date
i32 get_tpl_new_tool();  // the tool a template read brings, -1 none
i32 get_tpl_read_mode();  // the template read mode
i32 get_tpl_new_ucs();  // the UCS a template read brings, -1 none
void get_prmtbl_ptr_FromMain(i32* prm9);  // the machine values of the template
void get_ClearV_FromMain(i32* item);   // 24 words each
void get_AbsclrV_FromMain(i32* item);  // the template's absolute clearance item
void get_IncclrV_FromMain(i32* item);  // the template's incremental clearance item
i32 get_Onclr_FromMain();  // the template's retract-on-clearance switch
i32 get_Aiclr_FromMain();  // the template's absolute/incremental clearance switch
void get_Ctext_FromMain(i32* txt2);  // the template's texts (TXT2)
void get_OPT_PARAMS_FromMain(i32* cmpblk);  // the template's optimizer block
void get_PLGmchtbl_PARAMS_FromMain(i32* mchtbl);  // the template's machine table

// Relations and their symbol table.
void rel_nc_init();
void rel_nc_rls();  // releases the relation table
void rel_nc_rls_it_for_orbis();  // releases the relation table in the orbis mode
void rel_nc_sym_refresh(i32& status);  // refreshes the symbol table
void rel_nc_replace_global();  // replaces the global symbols
void rel_nc_update_tool_data();  // recalculates every expression over the tool data
void rel_nc_cng_expr_without_calc(i32* item, i32 relation);  // a new expression for an item, not recalculated
i32 rel_table_init_get();  // 1 while the relation table is initialised
void rel_table_init_set();  // marks the relation table initialised
void rel_table_init_unset();  // marks the relation table not initialised

// Procedure framework of the host.
void nu_modl_init(i32* area1, i32* area2);
void nu_modl_rels(i32* area1, i32* area2);  // releases the module's two description areas
void nu_trns_init(i32& status);  // starts the parameter translation rows
void nu_trns_sort();  // sorts the translation rows
void nu_set_pname(const char* label);  // 19 characters
void nu_parm_set_proc_num(i32 number);  // the procedure number of the parameter lines
void nu_mod_set_flag(i32 flag);  // sets the host-driven menu flag
void nu_sgcd_set_code(i32 code);  // sets the current procedure code
i32 nu_sgcd_get_code();  // the current procedure code
// The host's curve work area: a curve record of dimension 3, its order, its
// number of control points and the handles of its knot array (order + count
// doubles) and control-point array (3 x count doubles) in the work area.
struct nbcrv {
    i32 dim, order, count, knots, points;
};
void dam_ini();  // opens the curve work area, empty
// Provides the arrays of a record whose order (2 to 16) and count (order to
// 100000) are set; status -1 (no arrays) otherwise or without a work area.
void dam_nrc(const i32& kind, const i32& flag, nbcrv& rec, i32& status);
f64* dam_ptr(const i32& handle);  // an array of the work area, null for a stale handle
void dam_end();                   // releases the work area and every array in it
// Arc length of the record's B-spline curve over its whole range; status -1
// for a record without its arrays or with decreasing knots.
void nb_lng(const nbcrv& rec, const f64& tol, const i32& flag, f64& length, i32& status);
// The twirl curve (mode 1, the entry): a cubic from `start` leaving along
// `t1` to `end` arriving along `t2`, turning with `radius`, written into the
// record (order 4, its arrays provided with room for its count); status -1
// when it cannot be made.
void get_twirl_spline(const i32& mode, const f64* start, const f64* t1, const f64* end, const f64* t2,
                      const f64& radius, nbcrv& rec, i32& status);
// A cubic B-spline within tol of the curve of `in`, written into `out` (its
// arrays provided, room for out.count control points; the count becomes the
// one used); status -1 when it cannot be had within that room.
void nb_c0approx(const nbcrv& in, const f64& tol, nbcrv& out, i32& status);
// Points along the curve (three doubles each, its ends included) whose chords
// lie within tol of it; at most cap of them, status -1 when more are needed.
void nb_appbypol2(const nbcrv& rec, const f64& tol, const i32& cap, i32& count, f64* pts, i32& status);
// The part's length unit: its code (1 millimetres, 2 inches, 0 another) and
// factor (length units per part unit).
void getunt(i32& code, f32& factor);
// The name of a unit code, at most 8 characters and an end byte.
void nu_sgcd_find_unit(const i32& kind, const i32& code, char* name);
void set_curr_proc_number(i32 number);  // sets the current procedure number
void set_type_mach_param(i32 set);  // sets the machine set of the procedure type
void set_ProcGeomStatus(i32 status);  // sets the procedure's geometry status
i32 execute_flag_get();  // 1 when the host asks for execution
i32 replace_flag_get();  // 1 when the host asks for replacement
void orbis_version_set(i32 version);  // sets the orbis version
void tp_vnum_set(i32 version);  // sets the tool path's version number
i32 gs_proc_id();  // id of the host-kept procedure, -1 none
void gs_param(i32 code, i32& value);  // a word of the host-kept procedure by its code
void get_geom_buf(i32 proc, i32* ids, i32 capacity, i32& count);  // geometry entities of a kept procedure
// The tool paths a kept procedure is associated with.
void ncn_assoc_find_proc_tp(i32 proc, i32* tps, i32 capacity, i32& count);
void get_set_tp_header(i32 mode, i32 tp, i32* header);  // a tool path's header: mode 1 get, else set
// The procedure's colour and pen: mode 1 get, 3 set, 4 the default.
void gs_proc_color_pen(i32 mode, i32& colour, i32& pen, i32& a, i32& b);
void gtmdla(i32& colour, i32& pen);  // the host's default colour and pen
// Hands the common records over (mode 1) or takes them back (2).
void gs_common_arguments(i32 mode, i32* npt1, i32* dsp8, i32* hei8, i32* prm9);
// The host's current-machine step between the common arguments handed over
// and read back.
void curmac(const i32& a, const i32& b);
void repos_proc(i32 a, i32 b, i32 c);  // the host's repositioning of the procedure
i32 gs_operation();  // the host's current operation
i32 gs_selected_procs();  // the procedures the host selected
void gs_interpt(i32 mode, i32& answer);  // the host's interrupt answer (mode 2 sets it)
i32 gnccod(const i32& code);  // 1 when the host marks the procedure code as the user's
i32 if_geom_by_crit();  // 1 when the geometry is chosen by criteria
i32 if_rotate_ucs();  // 1 when the UCS change rotates
// 0 when coordinate systems `ucs` and `other` (ids; 0 the world system) are
// the same system, 1 when they differ.
i32 if_rotate_ucs(i32 ucs, i32 other);
i32 if_was_alerr();  // 1 after an approximation error
void set_alerr_off();  // clears the approximation error
void recalculate_partbox();  // recalculates the part box
// The host's warning states of the min/max table and of the part box (1: the
// warning was shown and is not shown again): mode 1 get, 2 set.
void gs_minmax_warn(i32 mode, i32& table, i32& partbox);
// The minimum offset of the part surfaces the host keeps: mode 1 get, 2 set.
void gs_min_srf_offset(i32 mode, f32& value);
void update_tp_flags();  // brings the tool path flags up to date
i32 get_set_vrf_opt(i32 mode, i32 value);  // the verify option: mode 1 get, else set
void prwait();  // the host's wait state
void prexec();  // the host's execution state
i32 indbug();  // 1 in the host's debug mode
void ps_perm_get(i32& solids, i32& whole);  // the solid permissions
void ps_perm_set(i32 solids, i32 whole);  // sets the solid permissions
i32 ps_sol_num_get();  // the number of solids

// Geometry criteria and procedure surface tables.
void tp_crit_list_gs(i32 mode, i32& value);
// The file of a running whole-tool-path criteria list: mode 2 set, 1 get
// (a zero-ended name of at most capacity - 1 characters).
void tp_file_name_gs(i32 mode, char* name, i32 capacity);
// The open file of that list while a procedure appends to it: mode 2 set
// (null: none), 1 get.
void tp_file_ptr_gs(i32 mode, std::FILE*& file);
void drlsnm(i32& count);  // the number of drill points the host keeps for the procedure
void crit_gs_change(i32 cls, i32 mode, i32& value);  // the criteria-changed flag of a class: mode 1 get, else set
void active_mask_gs(i32 cls, i32 mode, i32& value);  // the active-mask flag of a class: mode 1 get, 2 set
void nc_geomsk_lst_init_all();  // starts every mask list
void nc_geomsk_lst_destroy_all();  // destroys every mask list
void ncs_table_set_proc_num(i32 number, i32& status);  // sets the procedure number of the surface table
i32 ncs_table_get_proc_num();  // the procedure number of the surface table
void ncs_table_copy_proc(i32 from, i32 to, i32& status);  // copies a procedure's rows of the surface table to another
void ncs_table_write_table(i32& status);  // writes the surface table
void ncs_table_read_table(i32& status);  // reads the surface table
i32 ncs_table_ok();  // 0 when the solids changed since the table was made, else 1

// Stock simulation. The host keeps the handle of the stock grid's cell
// array and the place where the stock was last marked valid, and shows the
// grid handed to it; the module owns the array (platform/norak/README.md).
i32 get_disp_stock();
// The stock-display flag and the machining-parameter block with the stock
// simulation (mode 1 take, 2 store); the grid itself goes by set_get_stock_vars.
void sim_get_set(i32 mode, i32& flag, i32* cmpblk);
void sim_get_valid(i32& valid, i32& level, i32& ucs);  // valid: procedure marked, -1 no grid yet
void sim_stk_key_get(i32& handle);                      // the grid's array, -1 none
void sim_stk_key_set(const i32& handle);  // keeps the handle of the stock grid's cell array (-1 none)
void sim_mark_valid(i32 proc, i32 level, i32 ucs);  // the place (procedure, level, UCS) where the stock was last valid
// A generic table of the host read in order: opened (mode 1), count ints or
// reals at a time (status -1 past its end or for a value of the other kind),
// closed.
void gen_table_open(i32 table, i32 mode, i32& status);
void gen_table_get_int(i32* dest, i32 count, i32& status);  // the next count integers
void gen_table_get_real(f32* dest, i32 count, i32& status);  // the next count reals
void gen_table_close();  // closes the table
// The host's procedure tables: row `index` (from 0) of tool path level
// `level` (from 1) into PTAB_N words; status -1 past the level's last row.
constexpr i32 PTAB_CODE = 0, PTAB_CALC = 1, PTAB_EXEC = 2, PTAB_CHANGED = 3, PTAB_LINK = 4, PTAB_TOOL = 5,
              PTAB_UCS = 6, PTAB_ID = 7, PTAB_MOVE = 8, PTAB_N = 9;
void get_proc_table(i32 level, i32 index, i32* row, i32& status);  // one row of the procedure tables (see above)
// The stock a stock procedure defines: its generic table, box (6 reals),
// kind, two heights and the three values it gives "NPT1"; status -1 for a
// row that is no stock procedure.
void get_stockid_and_minmax(i32 level, i32 index, i32& table, f32* box, i32& kind, f32* heights, f32* npt,
                            i32& status);
// The stock grid the host keeps between procedures: mode 1 answers it
// (handle -1 before any), mode 2 keeps it.
void set_get_stock_vars(i32 mode, i32& handle, i32& nx, i32& ny, i32& ncells, f32* box, f32& cell);
// Hands the grid to the stock simulation: display flag (1: the module's
// working stock), cells, their handle, counts, grid box (6 reals), cell
// size and four flag words.
void init_nc_df_stk_vars(i32 not_display, const void* base, i32 handle, i32 nx, i32 ny, const f32* box, f32 cell,
                         const i32* flags);
void gsvnum(const i32& mode, i32& value);  // mode 1: number of the current stock (0 to 47)
i32 sim_work_on(i32 mode);  // the stock-simulation counter; mode 2 advances it
void sim_invalidate(i32 counter, i32 value);  // invalidates the stock simulation from a counter on

// Display list, tool instance, fast display.
void ncd_init_curr_attrs();
void ncd_pull_color_font_pen();  // restores the display's colour, font and pen
void ncd_push_color_font_pen();  // saves the display's colour, font and pen
void ncd_flush_blocks();  // writes the pending display blocks out
// Positions the display list at a block key in a direction.
void ncd_set_block_position(i32 key, i32 direction, i32& status);
void ncd_get_last_block(i32& key);  // the key of the display list's last block
void ncd_delete_block_or_proc(i32 number);  // the display blocks of a procedure
void mrm_set_reallocation_size(i32 size);  // the growth step of the recording arrays
void cltran(i32& status);  // leaves a list level of the display walk
i32 rel_nc_get_num(i32 relation);  // 1 when the relation governs its item
void nu_mod_exec(i32 relation, i32* item);  // the host's relation item dialog
void orgchn();  // the host's change of origin
void tm_inst_id(i32 mode, i32& id);  // 1 get the shown tool's figure (0 none), 2 register one
void tm_inst_delete();  // deletes the registered tool image
i32 get_fdflg();  // the fast-display flag
void set_fdflg_on();  // fast display on
void set_fdflg_off();  // fast display off
void darrow(const f32* point, const f32* dir, const i32& on);  // draws (on 1) or erases an arrow at a point
void edele1(const i32& figure);  // deletes a figure's entity

// Status window, prompts and messages of the procedure frame.
i32 col1st();
void dblnk(i32 column, i32 count);  // blanks count columns of the status window from column
void dntxtc(const char* text, const i32& column);  // a text in the status window from a column
void win_start_paint_on_main_wnd();  // starts painting in the main window
void win_end_paint_on_main_wnd();  // ends painting in the main window
void rdprmc(char* text, const i32& length);     // the current prompt
void prmpxc(const char* text, const i32& mode);  // restore a prompt
void msg_prompt(i32 module, i32 number);  // a numbered host message as the prompt
void msg_quest(i32 module, i32 number, i32& reply);  // a numbered host message as a yes/no question
// A question with an answer set ("YES@NO@..."): choice from 1, -2 escape.
void qmenuc(const char* question, const char* options, i32& choice);
void irply1(const char* question, const char* option, i32& reply);  // a question with an answer set
void topopt(const char* options, i32& choice);  // a menu of options at the top: choice from 1
void rplyal(const char* question, i32& reply);  // a yes/no question that may not be skipped
i32 maxcol();  // columns of the message window
// The dynamic-menu window of the message dialogs: dmnini opens it with count
// rows of width characters each (packed one after another), dmnsel shows the
// prompt and reads a row (1..count, -2 escape, -3 end), dmnmrk marks (1) or
// unmarks (0) a row, dmncls closes it.
void dmnini(const char* rows, const i32& count, const i32& width);
void dmnsel(const char* prompt, i32& choice);  // shows the prompt, reads a row
void dmnmrk(const i32& row, const i32& on);  // marks (1) or unmarks (0) a row
void dmncls();  // closes the dynamic-menu window
// The dialog area beside it: dlgclr clears it, dsptx7 shows a text of length
// characters at a row and column, rtextr reads at most width characters at a
// row and column (length read; status 0, -2 escape, -3 end).
void dlgclr();
void dsptx7(const i32& row, const i32& column, const char* text, const i32& length);  // a text in the dialog area
// Reads a text there.
void rtextr(const i32& row, const i32& column, const i32& width, char* text, i32& length, i32& status);
// Prefix and text joined and cut to width.
void maktx4(const char* prefix, const i32& plen, const char* text, const i32& tlen, const i32& width, char* out,
            i32& outlen);
// A C text into a field of at most limit characters.
void mktxtc(const char* text, char* out, const i32& limit, i32& length);
// A text and a value in the format into a field.
void mktx1c(const char* text, const i32& value, const char* format, char* out, const i32& limit, i32& length);
// One, two or three texts each followed by a real, into a line; the reals
// laid out by the host's number format ("U": a length in the part's unit).
void maktx1(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1);
// Two texts and reals into a line.
void maktx2(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1, const char* t2,
            const f32& v2);
// Three texts and reals into a line.
void maktx3(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1, const char* t2,
            const f32& v2, const char* t3, const f32& v3);
void sheerx(const char* text, const i32& length);  // an error line in the message window
void usrmes(const char* text, const i32& length);  // a user message line
// Two message lines joined by sep.
void usrme5(const char* t1, const i32& l1, const char* sep, const char* t2, const i32& l2);
// A three-line user error.
void usrer5(const char* t1, const i32& l1, const char* t2, const i32& l2, const char* t3, const i32& l3);
void shlms1(const char* label, const char* code, const i32* values);  // a message-window line of a label and values
void trfoff();  // the host's transformation off
void trfon();  // the host's transformation on
void llines(i32& count);  // elements of the current list

// Execution menu form: rows shown by modmc2/modic/modbln/modtxt, the
// action read by modif1 (0 accept, -1 leave, -2 cancel, the row of an
// action line).
void prcont();
// A row of alternatives, current shown; highlight marks it.
void modmc2(const char* options, i32& current, const i32& highlight);
void modic(const char* label, i32& value, i32 low, i32 high);  // an integer field row within low and high
void modbln();  // a blank row
void modtxt(const char* text);                     // a text row
void modact(const char* text);                     // an action row the user may choose
void modrc(const char* label, f32& value, f32 low, f32 high);  // a real field
void modif1(i32& action);  // waits for the action of the form
i32 modkey();  // the key that ended the last menu (below 1: none)

// ----------------------------------------------------- picking, graphics
// A tool figure: the tool's symbol master placed at a point (model
// coordinates) and turned by three orientation rows (the figure's x, y and z
// axes); the answer is the figure's id.
void figtol(const i32& master, const i32& tool, const f32* rows, const f32* point, i32& figure, i32& status);
void figdel(const i32& figure);  // deletes a figure
void xorset(const i32& mode);  // exclusive-or tool drawing: 0 off, 1 or 2 on
// A symbol master made of entities, and one instance of it with three
// settings (unit, colour, pen).
void smnew(const i32& count, const i32* ids, i32& master, i32& status);
// Places one instance of a symbol master.
void sminst(const i32& master, const i32* settings, i32& instance, i32& status);
void dminpt(const i32& dialog, const i32& row, i32& answer);  // one reply of a dialog from a row

// The pick stack: entries counted from 1 from the bottom, each an entity
// with the (u, v) where the pick met it (uv: two reals), and for a face of a
// solid the face flag and the face id. Status -1 for no such entry.
void sllen(i32& length);
void sltop3m(i32& entity, f32* uv, i32& face, i32& faceid, i32& status);  // the top entry of the pick stack
// Entry index of the pick stack.
void slseq3m(const i32& index, i32& entity, f32* uv, i32& face, i32& faceid, i32& status);
void slgtuv(const i32& index, i32& entity, f32& u, f32& v, i32& status);  // the entity and (u, v) of entry index
void slrjct();                                // reject the last entry
void slfind(const i32& entity, i32& index);   // last entry of the entity, 0 none
void sldel(const i32& index, i32& status);  // drops entry index
// One pick onto the stack after a prompt: 0 picked, -1 exit, -2 escape, -3 end.
void pick(i32& status);
void mulpck(const i32& on);  // 0 single picks
// Several picks onto the stack: 0 done, -1 exit, -2 escape, -3 pick further.
void mpckfc(const char* prompt, i32& status);
void stmpok(const i32& mode);  // set the pick mode value
void enaunp(i32& mode);        // get it
void enasts();                 // surfaces may be picked
void enatrs();                 // trimmed surfaces may be picked
void setmf();  // the host's multi-pick mode
void pickm_enable(const i32& mode);  // 2 faces of solids may be picked, 0 no more
// Prompt made of a text, a value (format "S": an ordinal, "I": an integer)
// and a second text.
void prmp1c(const char* before, const hval& value, const char* format, const char* after);
// A menu of options joined by "@": choice from 1, -1 exit, -2 escape, -3 repeat.
void menuc(const char* options, i32& choice);
// A pull-down menu of options joined by "@", answered as menuc.
void pdmenc(const char* options, i32& choice);
// A point indicated in space: 0, or -1 exit, -2 escape, -3 end.
void getpt(const i32& mode, f32* point, i32& status);
// Faces of solids picked in place of surfaces.
i32 ncs_can_solid();  // 1 when faces may be picked
void ncs_explode_face_to_surf(const i32& face, i32& surface, i32& status);  // the surface entity of a solid's face
void ncs_get_generation_number(const i32& face, i32& generation, i32& status);  // the generation number of a face
i32 ncs_obj_uid(const i32& face);  // the unique id of a face
void ps_parpt_init();  // starts the picking of faces
// Adds a face to the surface table.
void ncs_table_insert(const i32& face, const i32& generation, const i32& uid, const i32* extra5, i32& status);
void ncs_table_delete_faces(const i32& count, const i32* uids, i32& status);  // drops faces by their unique ids
i32 ncs_id_is_not_solid(const i32& uid);  // 1 for a surface that is no face
// Surface data at a picked (u, v): side flag (+1), reference evaluation
// (point, Su, Sv) and the unit normal. Status 2: the point cannot be used
// (outside the ranges or no normal there); negative: no surface.
void nc_surf_inf(const i32& id, const i32& index, const f32& u, const f32& v, i32& side, f32* ref, f32* normal,
                 i32& status);
// Corner points of a surface (x, y, z doubles each), at most capacity;
// status -1 when it has none.
void gsrfcrn(const i32& id, const i32& capacity, i32& count, f64* points, i32& status);

// Arrow figures. figaro: a figure of one arrow from a point along a vector.
// A temporary figure (gfgtmp) is opened (figopa), drawn into with garrow
// (point, direction, length, two head sizes, kind) and closed (figcls).
void figaro(const f32* point, const f32* vector, i32& figure, i32& status);
void gfgtmp(i32& figure);  // a temporary figure's id
void figopa(const i32& figure);  // opens a figure for drawing
void gswpln(const i32& mode);  // drawing in the working plane
// An arrow into the open figure.
void garrow(const f32* point, const f32* direction, const f32& length, const f32& head1, const f32& head2,
            const i32& kind);
void figcls();  // closes the open figure
void figatn(const i32& a, const i32& b);  // draw attention to the last picked entity
void edisp(const i32& id, const i32& mode);  // show (1) or erase (0) an entity
void wrk2df();  // refresh the display

// ------------------------------------------------ vectors and matrices
// Reals in single precision unless the name ends in d. Matrices are 3x3 by
// rows. A unit-length routine answers the length and status -1 for a vector
// shorter than 1e-12 (left unchanged).
f32 radian(const f32& degrees);
void v3unit(f32* v, f32& length, i32& status);  // v made unit length
void v2unit(f32* v, f32& length, i32& status);        // x and y only
void v2scal(const f32* v, const f32& s, f32* out);    // x and y scaled, z kept
void v3cros(const f32* a, const f32* b, f32* c);  // c = a x b
void v3add(const f32* a, const f32& s, const f32* b, f32* c);  // c = a + s b
void movr(const i32& n, const f32* from, f32* to);  // copies n reals
// Rows of a frame whose z axis points from p1 to p2; status -1 when they coincide.
void zsys3(const f32* p1, const f32* p2, f32* m, i32& status);
void m3vec(const f32* m, const f32* v, f32* out);  // out = m v
void m3tpos(const f32* m, f32* out);               // transpose
f32 m3det(const f32* m);  // the determinant of a 3x3 matrix
// The unit vector v turned by the leading angle towards the movement
// direction (in the plane of v and the direction) and then by the tilting
// angle to the side (v x direction); angles in radians. Status -1 when the
// direction has no part across v.
void rot_2rang(const f32* v, const f32* dir, const f32& lead, const f32& tilt, f32* out, i32& status);
i32 eqpt2(const f32* a, const f32* b);  // tolerant, per coordinate
// Turns the point (x, y) in place by the angle of cosine c and sine s:
// x' = c x - s y, y' = s x + c y (counter-clockwise for a positive sine).
void hatchx(const f32& c, const f32& s, f32* p);
// Crossing of the line of constant second coordinate y with the segment p-q
// (closed: an end on the line crosses): answer 1 with the crossing's first
// coordinate x and its parameter t (0 at p, 1 at q), else 0. A segment lying
// along the line answers 1 with its start.
void hatint(const f32* p, const f32* q, const f32& y, f32& x, f32& t, i32& answer);
i32 eqpt3(const f32* a, const f32* b);  // 1 when the points coincide within the tolerance
i32 eqptd(const i32& n, const f64* a, const f64* b);  // the first n coordinates, tolerant
// Distance of p from the segment a-b; status -1 when a and b coincide.
void p3tol(const f32* a, const f32* b, const f32* p, f32& dist, i32& status);
// Thins a polyline of n points of `dim` reals in place, keeping its ends,
// so that no dropped point lies farther than tol from the kept polyline;
// `par` (pardim reals a point, may be null) is thinned alike. n becomes the
// count kept.
void dilula(i32& n, f32* pts, const i32& dim, f32* par, const i32& pardim, const f32& tol);
// As dilula, and no kept segment longer than maxlen (points are kept to
// that end where the thinning would make one).
void dladst(i32& n, f32* pts, const i32& dim, f32* par, const i32& pardim, const f32& tol, const f32& maxlen);
// Thins a polyline of n points of `dim` doubles (2 or 3) in place, keeping
// its ends, so that no dropped point lies farther than tol from the kept
// polyline; n becomes the count kept.
void diluld(const i32& dim, const f64& tol, f64* pts, i32& n);
// The angles phi in (-pi, pi] with a cos phi + b sin phi = c: count 2 (a
// double root is given twice) or 0 when there is none.
void trigo_abc(const f64& a, const f64& b, const f64& c, f64* roots, i32& count);
void revdim(const i32& n, const i32& dim, f32* values);  // reverses n records of dim reals
void revi(const i32& n, i32* values);  // reverses n integers in place
// Model coordinates to world coordinates (single and double precision).
void mapm2w(const f32* model, f32* world);
void madm2w(const f64* model, f64* world);  // model to world in double
// Widens a box (lower corner, upper corner) by a point.
void updbxd(f64* box, const f64* point);

// ------------------------------------------------------------ backup
// The host backs up the part (mode 2: the work area of the tool path).
void updtwa(const i32& mode);

// ------------------------------------------------------ tool path display
// The host keeps one registered display block per displayed tool path block,
// keyed by two block numbers (words 1 and 2 of the list-level table). Points
// are added to the open display block; the display's pen draws from where it
// stands to each point (`ncd_move_to`) or is lifted to a point (`moveto`).
void ncd_register_block(i32 key1, i32 key2);         // opens the display block, emptied when it existed
void ncd_delete_blocks(i32 mode, const i32* table);  // the display blocks of the position in table words 1, 2
i32 ncd_add_registered_block(const f32* point);      // adds a point; 3 when no block is open
i32 ncd_move_to(const f32* point);                   // the pen draws to the point; 0 done
void moveto(const f32* point);                       // the pen is lifted to the point
void ncd_add_registered_drill_block(i32 key1, i32 key2);  // opens a drill display block
i32 ncd_attr_list_to_int(i32 mask, i32 colour, i32 font, i32 pen);  // packed line attributes
void ncd_add_drill_attrs(i32 attrs);                 // attributes of the open drill block
void ncd_update_current_attrs(const i32* attrs);     // font, colour and pen of what follows
void ncd_update_fast_blank_attribute(i32 on);        // rapid moves shown with the fast-blank attribute
void setlf(const i32& font);  // the display's line font
void setclr(const i32& colour);  // the display's colour
void setpen(const i32& pen);  // the display's pen
// Arc definition for the next pen move: start angle, arc angle, angular
// step, centre (two coordinates of the plane), the start point's third
// coordinate and the radius; the plane (1 XY, 2 XZ, 3 YZ).
void ncd_update_arc_def(const f32* def, i32 plane);
// An arc drawn at once: the same eight values as the arc definition.
void dparca(const i32& mode, const f32* arc, const i32& plane);
// Number of steps of an arc for its angle and angular step (the host's
// arc subdivision; setdel_nc for the display list).
void setdel(const f32& angle, const f32& step, i32& steps);
void setdel_nc(const f32& angle, const f32& step, i32& steps);  // the steps of an arc for the display list
// A NURBS curve for the next pen move (order k, n control points, n + k
// knots, 3n coordinates); non-zero when refused.
i32 ncd_update_spline_def(i32 k, i32 n, const f64* knots, const f64* points);
void ncd_open_registered_tool_path(const f32* home);  // the display list of the tool path starts
void ncd_update_current_vptr(i32 view);  // the display's current view
i32 ncs_table_initialized();  // 1 once the surface table is initialised
void ncs_table_init();  // initialises the surface table
void ncs_table_set_table_id(i32 id);  // sets the surface table's id
i32 ncs_table_get_table_id();  // the surface table's id, 0 until one is set
void rdrint_int();        // the host's own work after each displayed block
void gstlgn2(const char* name);  // the current tool's name for the status line (20 characters)
// Tool figure moved to a point (model coordinates) with its orientation
// rows, a scale and a mode.
void figmvx(const i32& figure, const f32* matrix, const f32* point, const f32& scale, const i32& mode);
void m3axis(const f32* axis, const f32& angle, f32* matrix);  // rotation about an axis
void m3def(const i32& axis, const f32& angle, f32* matrix);   // rotation about axis 1, 2 or 3
void updax(const f32* origin, const f32* axis, const f32& scale);  // the rotary-axis display
// Views: the view whose matrix fits the rows (-3 when none can), a view's
// matrix, the working view and the view words "WVPTR" and "DEPTH".
void trchk(const f32* matrix, i32& view);
void trget(const i32& view, f32* matrix);  // the matrix of a view
void setwv(const i32& view);  // sets the working view
void wvputc(const char* key, const f32& value);  // sets a view word by its key
void wvsave();  // saves the view words
// The least-squares plane P x + Q y + R z + S = 0 through n points (three
// doubles each); the normal (P, Q, R) is a unit vector with its largest
// component positive. Status 0; -1 for fewer than three points or points on
// one line.
void lsqrpl(const i32& n, const f64* points, f64* plane, i32& status);
// The crossing of two segments a1-a2 and b1-b2 in the XY plane (Z not read):
// status 0 with the crossing point (its Z 0) when they meet, ends included;
// 1 when they do not meet, or are parallel.
void int2l(const f32* a1, const f32* a2, const f32* b1, const f32* b2, f32* point, i32& status);
// The plane (Nx, Ny, Nz, d), Nx x + Ny y + Nz z + d = 0 with a unit normal,
// through two line entities of the part that cross or run parallel, in
// model coordinates. Status 0; -1 when an entity is no line, the lines are
// skew or lie on one line.
void plan2l(const i32& line1, const i32& line2, f32* plane, i32& status);
void setuap(const i32& view, const f32& value);  // the host's active UCS parameters
// B-spline curves: created from order, control points and knots in double
// precision (status -1 when they do not make a curve), turned into at most
// `capacity` points within a tolerance, their control points read back, and
// freed. srfdds gives the host's display tolerance.
void evbcre_bsp(const i32& k, const i32& n, const f64* knots, const f64* points, const i32& a, const i32& b,
                i32& curve, i32& status);
// A curve as points within the tolerance.
void crvpld2(const i32& curve, const f32& tol, const i32& capacity, i32& count, f64* points, i32& status);
// The order, knots and control points of a curve.
void evbget_bsp(const i32& curve, i32& k, i32& n, f64* knots, f64* points, const i32& capacity, i32& status);
void evbfre(const i32& curve);  // frees a curve object
// The parameter range of a B-spline curve object; its point (model
// coordinates) at a parameter, status -1 outside the range.
void evbrng(const i32& curve, f64& t0, f64& t1, i32& status);
void evbcrv(const i32& curve, const f64& t, f64* point, i32& status);  // its point at t
// The nearest point of a curve object to p (model coordinates): its
// parameter t, the point and its squared distance; status -1 for no curve.
void cptcrv2(const i32& curve, const f64* p, f64& t, f64* closest, f64& dist2, i32& status);
// Trims a B-spline of order k (n control points of dim coordinates, n + k
// knots) in place to the parameters t0 < t1 within its range; the arrays
// need room for n + 2k - 2 control points and n + 3k - 2 knots. n becomes
// the piece's count. Status -1 for a bad range or curve.
void bcrtrme(const i32& k, i32& n, f64* knots, f64* points, const i32& dim, const f64& t0, const f64& t1,
             i32& status);
void srfdds(f32& tol);  // the host's display tolerance
void madw2m(const f64* world, f64* model);  // world to model coordinates (double precision)
// Recording road: the motions and technology of the tool path handed to the
// host's simulation recording; each answers a negative value on failure.
i32 mrm_tpmov(const f32* point, i32 number);
i32 mrm_feed(f32 feed);  // records the feed
i32 mrm_spin(f32 speed, i32 mode, i32 spindle);  // records the spindle speed, its mode and direction
i32 mrm_cool(i32 code);  // records the coolant
i32 mrm_org(const f32* origin, i32 view, f32 value);  // records the origin and view
// Tool: five values (diameter, clearance and cutting length, then the tip
// angle and 0 for a drill, the corner radius and taper for a mill), symbol,
// position and tool number.
i32 mrm_tppar(const f32* values, i32 symbol, const f32* position, i32 tool);
i32 mrm_tptype(i32 machine, const char* name);  // records the machine type of the tool path
i32 mrm_ijk(const f32* direction);  // records the tool direction
// The open entity's state (id and word position) saved into 2 words, and
// put back: the entity opened again at that word; status -1 when it cannot be.
void eginfo(i32* state);
void esinfo(const i32* state, i32& status);  // the state put back (see above)

// ------------------------------------------------------ text-file listings
// Listing files on numbered units (1 to 99), written line by line; every
// builder call writes one whole line. platform/norak/README.md states how
// each item is rendered.
struct lnitem {
    char kind;         // 'T' text, 'B' blanks, 'X' nothing, 'I' integer, 'R' real, 'U' length, 'C' date and time
    const char* text;  // 'T': the characters
    i32 count;         // 'T': characters, 'B': blanks, 'I': the value
    f64 value;         // 'R', 'U'
    const i32* date;   // 'C': year, month, day, hour, minute, second
};
// A text of length characters.
inline lnitem lnT(const char* text, i32 length) { return {'T', text, length, 0.0, nullptr}; }
inline lnitem lnB(i32 count) { return {'B', nullptr, count, 0.0, nullptr}; }  // count blanks
inline lnitem lnX() { return {'X', nullptr, 0, 0.0, nullptr}; }  // the end of the line
inline lnitem lnI(i32 value) { return {'I', nullptr, value, 0.0, nullptr}; }  // an integer
inline lnitem lnR(f64 value) { return {'R', nullptr, 0, value, nullptr}; }  // a real
inline lnitem lnU(f64 value) { return {'U', nullptr, 0, value, nullptr}; }  // a real in the listing unit
inline lnitem lnC(const i32* date) { return {'C', nullptr, 0, 0.0, date}; }  // a date and time (six words)
void aopen(const i32& unit, const char* name, const i32& length, const i32& mode, i32& status);  // mode 2 write
void aclose(const i32& unit);  // ends the file of the unit
void fltxtc(const i32& unit, const char* text);                    // a line of one C text
// A line of one C text, with a status: 0 written, -1 when the unit is not
// open or the line could not be written (it is lost).
void fltxts(const i32& unit, const char* text, i32& status);
void filtxt(const i32& unit, const char* text, const i32& length);  // a line of one text of a length
void filtxn(const i32& unit, const lnitem* items, const i32& count);  // a line of items
// The listing output: one file at a time on a unit the host picks.
void ofinit(const char* name, const i32& length, i32& status);  // opens it; -1 when one is open already
void ofgunt(i32& unit);                                         // its unit, 0 when none is open
void ofmod(const i32& mode, i32& status);                       // ofmod with a status: -1 none open
void ofloff(i32& status);                                       // closes it; -1 when none was open
// Runs the module of another procedure type (print or criteria-list mode).
void segrun(const i32& code, i32& status);
// File names of listings: the part file (with its path), and the name the
// host makes of a bare part name, a tag and a suffix.
void gtpfnm(char* name, const i32& capacity, i32& length, i32& status);
void gtpfmx(char* extension);  // the part file's extension: 4 characters, blank-padded
// The file name the host makes of a part name, a tag and a suffix.
void makfln(const char* part, const i32& plen, const char* tag, const i32& tlen, const char* suffix,
            const i32& slen, char* name, const i32& capacity, i32& length, i32& status);
i32 sexist(const char* name, const i32& length);            // 1 when the file exists
void inqflw(const char* name, const i32& length, i32& answer);  // overwrite it? 1 yes
void usrms4(const char* text, const char* name, const i32& length);  // user message with a file name
void errou4(const char* text, const char* name, const i32& length);  // internal error with a file name
// Stored tool path entities: the number of entries and the (kind, id) pairs
// (count: capacity in pairs on entry); a movement entity opened at its first
// block with its block count.
void get_tp_info(const i32& tp, i32& count, i32& status);  // the number of entries
void dbd_tp(const i32& mode, const i32& tp, i32* pairs, i32& count, i32& status);  // mode 1: the entries
void open_movmnt(const i32& id, i32& count, i32& status);  // opens it at its first block
void gs_proc_id(i32 mode, i32& id);  // mode 1 get, 2 set the current procedure id
void eginfo(i32& open, i32& position, i32& id);  // the open entity, its word position and id
// Levels, views and coordinate systems of the display.
void gtalev(char* name);                                 // the active level's name, 6 characters
void gultab(const i32& mode);                            // loads the level table
void gsname(const i32& mode, const i32& index, char* name);  // a level's name, 6 characters
void gvtdat(const i32& view, i32& kind, char* name);     // kind 3 MACSYS; its name, 8 characters
f32 degree(const f32& radians);  // radians to degrees
void trv2v(const i32& from, const i32& to, f32* matrix);  // rotation from view to view (0 the world axes)
void mapw2v(const f32* world, const i32& axis, const i32& mode, f32* view);  // world to view coordinates
void dbttna(const i32& id, char* name);  // a transformation's name, 4 characters
// Values of stored procedures and the movement check.
// The values of a coded item of a stored procedure (group 4) or its machine
// parameters (group 5); status 1 when there is no such item. An item holds at
// most GS_PARAM_MAX words: a longer one is refused (status -1, nothing copied).
constexpr i32 GS_PARAM_MAX = 64;
// A word of the host-kept procedure by its code.
void gs_param(i32 mode, i32 entity, i32 cls, i32 group, i32 code, i32* values, i32& status);
i32 gs_check_movmnt(i32 mode);  // nonzero: the listing reads the has-movements flag
// Geometry associations of the part: the elements one by one (mode 1 the
// first, 2 the next; code -1 after the last), the procedures using one, its
// marks, and the association tree.
// The next element (mode 1 the first).
void asseqa(const i32& mode, i32& proc, i32& element, i32& ucs, i32& kind, i32& sub, i32& state, i32& code);
void ncn_assoc_find_geom_proc(i32 element, i32* procs, i32 capacity, i32& count);  // procedures using it
i32 asedit(const i32& element);  // 1 when the element was edited
i32 aschge(const i32& element);  // 1 when the element changed
i32 eucs(const i32& ucs);  // 1 for a coordinate system the host accepts
void ncn_assoc_create_tree(i32 view, i32& status);  // a new, empty association tree
void ncn_assoc_add_node(i32 kind, i32 parent, i32 number, i32 id, i32& node, i32& status);  // a node under parent
void ncn_assoc_delete_node(i32 mode, i32 node, i32 a, i32 b, i32 c);  // drops the tree
void last_geom_temp_id(const i32& id, i32& current);  // the current id of a geometry entity
void get_set_blknum(i32 mode, i32 number, i32& mapped);  // a procedure's number in the listed tool path

// ------------------------------------------------------ spline services
// Knots of the cubic B-spline that interpolates n points (three doubles a
// point) at their chord-length parameters: n + 4 values, clamped at 0 and 1.
void cal_i_knt(const i32& n, const f64* pts, f64* knots, i32& status);
// The n control points of the cubic B-spline on those knots that passes
// through the n points; status -1 when it cannot be made (fewer than two
// points, coincident neighbours).
void calbsp(const i32& n, const f64* pts, const f64* knots, f64* ctrl, i32& status);
// A cubic B-spline within tol of the n points (least form of the
// approximation: the interpolation of the points that the thinning keeps);
// nctrl control points, nctrl + 4 knots, room for cap control points.
void itrnrpt(const i32& n, const f64* pts, const f64& tol, const i32& cap, i32& nctrl, f64* knots, f64* ctrl,
             i32& status);
// A curve object over a cubic B-spline (nctrl control points, nctrl + 4
// knots): its handle, freed by evbfre.
void evbcre_bsp(const i32& degree, const i32& nctrl, const f64* knots, const f64* ctrl, i32& handle, i32& status);
void evbfre(i32& handle);  // frees a curve object
// The closest point of the curve to p and its squared distance.
void cptcrv2(const i32& handle, const f64* p, f64* closest, f64& dist2, i32& status);
// Point of the curve at the parameter t (0 to 1).
void evbpnt(const i32& handle, const f64& t, f64* point, i32& status);

// ------------------------------------------------------- the SERVICE menu
void gsclr(const i32& mode, i32& state);  // screen-clear state: mode 1 get, 2 set
i32 macexe();                            // 1 while a macro runs
void modisp();                           // redisplays the menu
void modcom();                           // the menu gives way to a command's output
void gtdas(i32& bytes, i32& status);     // free space of the part database
void rel_nc_clear_all_relations();  // CLEAR RELATIONS: every relation made a plain value
void rel_nc_print_symb_tab(const char* prefix);  // the relation list, its file named by the prefix
void rel_nc_init_cng_expr(i32 code);     // the relation of a code becomes its plain value
void calculate_partbox();  // CALCULATE PARTBOX
void update_min_max_pz();  // the part heights brought up to date
void partbox_not_calculated_msg(i32 on);  // the part-box-not-calculated message on or off

// ------------------------------------------------------- the manual editor
// Menu columns: modcls starts a column of items; the items that follow are
// counted from 1 over all columns until modif1 reads the reply (a positive
// reply is the chosen item's position; 0 continue, -1 confirm, -2 escape, -3
// show again). Items: modmc2 (alternatives joined by "@", the state word
// holds the current one from 1, mark nonzero shows the item marked), modumc
// with " " (an empty item), modmc (alternatives, unmarked), mdmpc2 (two
// alternatives), modic2 and modrc2 (an integer or real field; a field whose
// low and high equal its value cannot be changed).
void modcls(const i32& count, const i32* attributes);
void modic2(const char* label, i32& value, const i32& low, const i32& high, const i32& mark);  // an integer field
void modrc2(const char* label, f32& value, const f32& low, const f32& high, const i32& mark);  // a real field
void mdmpc2(const char* options, i32& current, const i32& mark);  // two alternatives
void setcolr(i32 mode, i32 colour, i32 position, i32& out);  // colour of the items from a position on
// Display blocks by block key (a depth, then the list number and the block
// number; depth 1 names the whole list): the attention mark on or off, and
// blanking (1) or unblanking (0) of the blocks from the first key to the
// last (depth 1: every block of the list).
void ncd_set_block_or_proc_attn(const i32* key, i32 on);
// Blanks or unblanks the blocks of the keys.
void ncd_set_block_or_proc_blank(const i32* first, const i32* last, i32 blank);
void ncd_go_last_added_block();  // the display list at its last added block
// The attention of the blocks from the first key to the last (mode -1: of
// the current list), on or off.
void ncd_set_blocks_attention(i32 mode, const i32* first, const i32* last, i32 on);
// The display takes the attributes of the block at its position as current.
void ncd_set_attrs_as_curr_block();
// The display joins the tool path again after blocks were removed or added.
void ncd_connect_toolpath();
i32 nu_modl_get_did_init();          // 1 when the module's numbered texts are registered
i32 get_win_mode();                  // nonzero when the graphics window hides the tool image itself
void EnableHideTool();  // lets the tool image be hidden
void nc_tool_disp_hide(i32 on);  // hides (on 1) or shows the tool image
void segchk(const char* name, const i32& length, const i32& mode, i32& result);  // 1 when the named segment is active
// Picking of tool path blocks: enatpo lets the next pick take a block (its
// display block's entity goes on the pick stack; slpopb and ncd_get_picked
// give its key).
void setir();
void enatpo();  // lets the next pick take a block
void setatn(const i32& on);  // ends (on 1) the block pick
void ncs_get_point(i32 mode, f32* point, i32& status);  // a point indicated in space: 0, -1, -2, -3
i32 split_by_tool_get_set(i32 mode, i32 value);  // the split-by-tool setting: mode 1 get, 2 set
// Division of a procedure by its tools. copy_current_proc puts a copy of the
// procedure block under the main list's cursor (with its whole sub-list)
// directly behind it; status -3 when the list cannot take it.
void copy_current_proc(i32& status);
// Drops the association between a procedure and a tool.
void asdetl(const i32& mode, const i32& procedure, const i32& kind, const i32& tool);
// The part's tool path table: the tool paths' procedure tables loaded (mode
// 2, of the table's tool path `list`) or the current one's restored (mode 3).
void update_tp_flags(i32 mode, i32 list);
// The procedure ids of the table's tool path at index (from 1), at most
// capacity of them (status -1 past the table's end).
void get_tp_proc_ids(i32 index, i32* ids, i32 capacity, i32& count, i32& status);
// The 8-character name of the table's tool path at index (from 1), blank-
// padded; 8 blanks and status -1 past the table's end.
void get_tp_name(i32 index, char* name, i32& status);
// The closest points of two lines in space, the first through a1 and a2, the
// second through b1 and b2 (double precision): pa on the first, pb on the
// second, and their distance. Status 0; 1 for parallel lines (pa = a1, pb
// its foot on the second line); -1 when a line's two points coincide.
void dminll(const f64* a1, const f64* a2, const f64* b1, const f64* b2, f64* pa, f64* pb, f64& distance,
            i32& status);
