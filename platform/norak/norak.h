// The stand-in host kernel: its own state and the calls the runner and the
// tests make on it (the module sees only core/host.h).
#pragma once

#include <array>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/words.h"

namespace norak {

// A session cannot go on: bad session file, reply script mismatch or
// exhausted, unknown entity kind. Carries one message naming the place.
struct session_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Settings {
    i32 verbosity = 0;
    i32 extflag = 0;
    f32 unit = 1.0f;        // measuring unit factor
    i32 digits = 3;         // digits in shown values
    i32 view = 1;           // current MACSYS view number (0: none)
    i32 screen_height = 900;
    i32 tp_version = 900;   // version number of the current tool path
    i32 tp_open = 1;        // a tool path is open
    f64 tolerance = 1.0e-5; // the host's comparison tolerance, absolute
    f32 display_tolerance = 0.01f;  // the display tolerance (srfdds)
    i32 list_capacity = 64 * 1024 * 1024;  // words the tool path may hold
    i32 element_capacity = 32768;  // words one list element may hold
    std::vector<std::string> user_names;  // user procedure names, 8 characters
    std::vector<i32> user_map = std::vector<i32>(100, 0);  // code 1-100 -> name index
    i32 mactype = 22;       // machine type of the tool path
    i32 prg_version = 900;  // the host's program version
    i32 criteria = 0;       // geometry by criteria is on
    i32 modify = 0;         // the procedure is being modified
    std::string data_dir;   // where data files are read
    std::string out_dir;    // where written files go
    std::string part_file = "PART";  // the part file (path and name) listings are named after
    std::string part_ext;   // the part file's extension (at most 4 characters; none by default)
    std::map<std::string, f64> nc;  // NC procedure settings (platform/norak/README.md)
};

struct Entity {
    i32 id = 0, cls = 0, type = 0;
    std::vector<i32> words;
    std::map<std::string, i32> attrs;
    std::string name;  // entity name, blank when none
};

struct List;
struct Element {
    i32 code = 0;
    std::vector<i32> words;
    std::unique_ptr<List> sub;
};
struct List {
    std::vector<Element> elems;
    size_t cur = 0;  // 0 before the first element, k on element k
    // The list's transformation: 3x3 matrix by rows, then the translation.
    f32 xf[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
};

struct KeyedRecord {
    i32 kind = 0;
    std::vector<i32> words;
};

struct TemplateRecord {
    i32 type = 0;
    std::vector<i32> words;
};

struct Reply {
    std::string kind;    // "", "menu", "question", "prompt", "pick", "key"
    std::string expect;  // text the asked item must show
    std::string answer;  // the answer as text ("" for none)
    bool escape = false; // answer -2
    bool end = false;    // answer -3
    i32 after_polls = 0; // key replies: polls before the key
    i32 after_blocks = 0; // key replies: display blocks registered before the key is pressed
    i32 key = 32;
    i32 entity = 0;      // pick replies
    f64 u = 0, v = 0;
    bool exit = false;   // answer -1
    std::vector<std::array<f64, 3>> picks;  // multi-pick replies: entity, u, v
    f64 point[3] = {};   // point replies
    std::string value;   // menu forms: the value given to the chosen row
    size_t index = 0;    // place in the script, for messages
};

// ---- life cycle
void reset();                                   // empty host, default settings
// reads a session description (JSON text) into the host
void load_session_text(const std::string& json, const std::string& origin = "session");
void load_session_file(const std::string& path);  // reads a session file
Settings& settings();  // the host's settings

// ---- the session's own requests to the runner
std::vector<std::string>& calls();

// ---- transcript: every message, menu, prompt and reply, in order
const std::vector<std::string>& transcript();
void note(const std::string& line);  // add a line
bool transcript_has(const std::string& text);  // true when a line of the transcript holds the text
size_t transcript_count(const std::string& text);  // lines of the transcript holding the text
// The runner's output files: each answers an empty text when the file was
// written whole, else the reason it could not be.
std::string write_transcript(const std::string& path);

// ---- reply script
void add_reply(const Reply& r);
size_t replies_left();  // replies of the script not yet used
// the next reply of the kind for the question asked
const Reply& next_reply(const std::string& kind, const std::string& asked);
std::string choice_text(const std::string& options, i32 choice);  // the option of a choice (from 1) in an options text

// ---- entities
std::map<i32, Entity>& entities();
i32 add_entity(Entity e);  // id 0 takes the next free id
i32 open_entity();         // id of the open entity, 0 when none

// ---- tool path lists
List& main_list();
void start_toolpath();  // puts the header block into an empty open tool path
i32 list_level();  // the current list level
std::vector<i32> element_words_at(size_t index);  // main list, 0-based
size_t element_count();  // elements of the main list
i32 open_elements();  // elements created and not yet closed
List& current_list();  // the list the cursor is in
// Sets the transformation of the current list (matrix by rows, translation).
void set_list_transform(const f32* matrix, const f32* translation);
// Sets the map from model to world coordinates: world = rotation (by rows,
// orthonormal) times model + translation. The identity after a reset.
void set_model_to_world(const f64* rotation, const f64* translation);
// How often the module had the host fill its item descriptions (nu_modl_init).
i32 description_fills();

// ---- NC procedure records
std::vector<i32>& nc_entities();             // the current NC entity list
std::map<i32, i32>& working_copies();        // entity id -> its working copy
std::map<i32, i32>& movement_entities();     // procedure entity -> movement entity
// Procedure entity (class 9, type 4) words: three zeros, block number,
// procedure code, the group-24 word count and words, the machine-parameter
// entity id, the local-parameter entity id, the sub-list header count and
// words, the sub-list header item (code 1, 9, 2, eight words), the geometry
// count and ids. Machine- and local-parameter entities (class 9, types 5 and
// 6): three zeros, the word count, the words.
constexpr i32 PROC_TYPE = 4, MCHPRM_TYPE = 5, LCLPRM_TYPE = 6, GEOM_TYPE = 7, MOVMNT_TYPE = 8;

// ---- keyed records
std::map<std::string, KeyedRecord>& records();
const std::vector<std::string>& record_writes();  // keys in the order written
void set_record(const std::string& key, i32 kind, const std::vector<i32>& words);  // stores a keyed record of the kind
std::string write_records(const std::string& path);  // every record, then the order of writes
const std::vector<std::array<i32, 4>>& translation_rows();  // the translation rows registered
// The picking permissions (faces of solids, the whole database) the module
// set with ps_perm_set, in order.
const std::vector<std::array<i32, 2>>& permissions_set();
// The colours and menu item positions handed to setcolr, in order.
const std::vector<std::array<i32, 2>>& colours_set();

// ---- templates
std::map<std::string, std::vector<TemplateRecord>>& templates();
void template_open(const std::string& name, bool write);  // opens a template of the name for reading or writing
void template_close();  // closes the template

// ---- parameter lines
void add_param_line(const std::vector<std::string>& values);

// ---- dynamic memory
i32 open_arrays();
i32 open_blocks();  // dynamic blocks not freed
// The n-th allocation from now fails (0: none), and the times - 1 after it.
void fail_alloc_after(i32 n, i32 times = 1);
// The n-th call from now of a list routine ("ldelet", "lmark", "lacces"), of
// the menu start ("modint"), of a menu item ("nu_mod_exec", both status -1)
// or of the display list's position ("ncd_set_block_position", status -1)
// fails (0: none).
void fail_list_call(const std::string& routine, i32 n);
// The value and the table last handed to `cltrin` ({0, null} before any).
std::pair<i32, const i32*> transformation_in();
// Whether the last `edsym` hid the symbols (false before any call).
bool symbols_hidden();
// Keyboard polls: poll_mark starts the measurement (the stretch before the
// first poll counts from it); poll_stats gives the polls since, and the
// longest stretch in seconds between the mark, two polls, or the last poll
// and now.
void poll_mark();
void poll_stats(long long& count, double& longest);  // polls since the mark and the longest time between two
long long allocations();       // allocations asked for since the reset (arrays, blocks, elements)

// ---- display recorder: tool figures drawn and deleted
struct Figure {
    i32 id = 0;
    i32 master = 0;   // symbol master (0: drawn from the tool's own shape)
    i32 tool = 0;     // tool entity
    f32 rows[9] = {}; // orientation: the figure's x, y and z axes
    f32 point[3] = {};
    i32 xor_mode = 0; // exclusive-or mode when drawn
    bool deleted = false;
    std::string kind = "tool";  // "tool", "arrows" (arrow figures)
    struct Arrow {
        f32 from[3], dir[3];  // start point and unit direction
        f32 length;
    };
    std::vector<Arrow> arrows;
    // Where the figure was moved (figmvx): point, then the orientation's
    // z row (the tool axis).
    std::vector<std::array<f32, 6>> moves;
    i32 colour = 0;  // colour a figure was opened with
    struct Stroke {
        f32 from[3], to[3];
    };
    std::vector<Stroke> strokes;  // lines drawn with moveto and drawto
};
const std::vector<Figure>& figures();  // the figures drawn
i32 xor_mode();  // the exclusive-or drawing mode
// The tool path display: the registered display blocks in the order they
// were opened, each with its position keys, attributes, the points added to
// it and the strokes the display's pen drew for it.
struct DisplayBlock {
    i32 key1 = 0, key2 = 0;  // block numbers of the tool path block's position
    bool drill = false;
    i32 font = 0, colour = 0, pen = 0;
    bool blank = false, fast = false;  // hidden; rapid move with the fast-blank attribute
    i32 drill_attrs = 0;
    std::vector<std::array<f32, 3>> points;
    std::vector<std::vector<std::array<f32, 3>>> strokes;
    i32 arcs = 0, splines = 0;  // arc and spline definitions handed for it
};
const std::vector<DisplayBlock>& display_blocks();  // the registered display blocks in order
// The text a status-line field (line, field) shows, "" when none was shown.
std::string status_field(i32 line, i32 field);
// The words of the tool header the module handed the status line last
// (gstlpr), all 0 before any.
constexpr i32 TOOL_HEADER_WORDS = 22;
const std::array<i32, TOOL_HEADER_WORDS>& status_tool_header();
// The first three words of the last menu interaction (modint): the third
// is the number of menu lines; all 0 before any.
const std::array<i32, 3>& menu_layout();
// The modes of the menu-area clears (gsclr: 0 the whole area, 1 the rows of
// a menu shown again), in order since the session started.
const std::vector<i32>& menu_clears();
const std::string& status_tool_name();  // the tool name last handed for the status line (gstlgn2)
// What the module handed to the host's simulation recording, in order.
struct Recorded {
    std::string what;  // "move", "feed", "spin", "cool", "org", "tool", "type", "ijk"
    std::vector<f64> values;
};
const std::vector<Recorded>& recording();  // the recording road's entries
void refuse_recording(const std::string& what);  // recording calls of that kind answer -1 (until a reset)
// Blocks the module displayed (each ends with the host's rdrint_int).
i32 blocks_displayed();
// Every registration of a display block in order, with the points added to
// it while it was open, and the number of registrations when the last key
// was taken by a keyboard poll.
struct Registered {
    i32 key1, key2, points;
};
const std::vector<Registered>& display_log();  // the blocks the module displayed
i32 key_seen_at();  // display registrations counted when the last scripted key was given
// Entities shown on the display (edisp), in id order.
std::vector<i32> shown_entities();

// ---- pick stack: entries from the bottom, each an entity with the (u, v)
// where it was picked (0, 0 when pushed without a pick)
struct PickEntry {
    i32 entity = 0;
    f32 u = 0, v = 0;
    i32 face = 0, faceid = 0;  // a face of a solid and its id
};
std::vector<PickEntry>& pick_stack();  // the pick stack

// ---- NC procedure services
bool nc_setting(const std::string& name);  // a known NC procedure setting
f64 nc_value(const std::string& name);  // the value of an NC procedure setting
// Session steps between calls: "open N" makes procedure N the one the next
// call modifies; "set EDA2 w=v ..." sets words of the request record.
bool nc_step(const std::string& step);
void nc_after_call();  // the host's own work after a call of the module
void nc_session_defaults();  // records an open tool path has unless the session gives them
std::string nc_counts();  // what is left open, for the runner's last line
// The tool path list tree, one element a line (words as integers), sub-lists
// indented under their element.
std::string write_toolpath(const std::string& path);
// The picture of the session (toolpath.svg: surfaces and tool path, top and
// oblique views) and the saved approximations as model.stl, into a folder.
std::string write_picture(const std::string& dir);
// The stock grid the module left with the host as a grey-scale height map
// (stock.png) in a folder; nothing is written when no grid is held.
std::string write_stock_picture(const std::string& dir);


// ---- stock simulation: the grid the module handed over and its validity
struct StockSim {
    i32 key = -1;                        // handle of the grid's cell array (-1: none)
    i32 valid = -1, level = 0, ucs = 0;  // where the stock was last marked valid
    i32 reached = -1;                    // the furthest procedure ever marked valid
    i32 handed = 0;                      // grids handed over by init_nc_df_stk_vars
    i32 not_display = 0, handle = -1, nx = 0, ny = 0;
    f32 box[6] = {}, cell = 0.0f;
    const void* base = nullptr;
    i32 flags[4] = {};
};
StockSim& stock_sim();  // the stock simulation's state
// A generic table (the stock the host hands over): its values in order,
// each an int (kind 1) or a real (kind 2); answers its handle (1 or more).
struct GenValue {
    i32 kind;
    double value;
};
i32 add_gen_table(const std::vector<GenValue>& values);  // adds a generic table, its number
// ---- procedure tables of the tool path levels: one row per procedure
// index; a stock procedure (codes 52, 53) also carries its stock.
struct ProcRow {
    i32 code = 0, calc = 1, exec = 0, changed = 0, link = -1, tool = 0, ucs = 0, id = 0, movement = 0;
    i32 table = 0, kind = 0;                     // the stock's generic table and its kind
    f32 box[6] = {}, heights[2] = {}, npt[3] = {};  // stock box, two heights, three "NPT1" values
};
// Sets row `index` of level `level` (from 1); rows skipped in between are
// procedures of code 0.
void set_proc_row(i32 level, i32 index, const ProcRow& row);
// Whether the runner asks the module for the stock after the session: the
// session has stock procedures and no stock was marked valid as far as the
// last procedure the module made.
bool stock_left_uncomputed();
// ---- contours found by the selection criteria: per contour its curve
// elements as (curve entity id, 1 when reversed) pairs
void set_crit_contours(const std::vector<std::vector<i32>>& contours);
// Whether the deletion of a contour by its order number calls the module's
// deletion routine back (true after a reset); false: the host deletes nothing.
void set_crit_deletes(bool on);

// ---- files the module writes
std::string out_path(const std::string& name);

// ---- listing files (text reports): the contents of each file written during
// the session by name, null when none was written
const std::string* text_file(const std::string& name);
// A stored tool path entity (class 9, type 3): its 47 header words after the
// block number and its entries as (kind, id) pairs; answers its id.
i32 add_toolpath_entity(const std::vector<i32>& header, const std::vector<std::array<i32, 2>>& entries);
// What segrun runs for a procedure-type code (another module in print or
// criteria-list mode); a code without one runs nothing.
void set_segrun(i32 code, void (*run)(i32 code));
// The "G" flag and sub-procedure count of a stored procedure entity, as the
// host's tables of its tool path give them once loaded (both 0 unless set).
void set_stored_proc_flags(i32 id, i32 gflag, i32 subprocs);
// Geometry associations of the part that asseqa walks, and the nodes of the
// association tree the module built (kind, parent, number, id).
struct Assoc {
    i32 proc = 0, element = 0, ucs = 0, kind = 0, sub = 0, state = 0, code = 0;
    bool edited = false, changed = false;
    std::vector<i32> users;  // procedures that use the element
};
std::vector<Assoc>& associations();  // the geometry associations
const std::vector<std::array<i32, 4>>& assoc_nodes();  // the association tree's nodes

}  // namespace norak
