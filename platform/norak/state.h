// Internal state of the stand-in host, shared by its source files.
#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/norak/ncstate.h"
#include "platform/norak/norak.h"

namespace norak {

struct Mark {
    std::vector<i32> path;  // element codes of the parents, outermost first
    i32 code = 0;           // element under the cursor, 0 before the first
    bool set = false;
};

struct MemSlot {
    void* base = nullptr;
    i32 elsize = 0;
    i32 count = 0;
    bool open = false;
};

struct Host {
    Settings settings;
    NcHost nc;  // NC procedure services
    std::vector<std::string> calls;
    std::vector<std::string> transcript;

    std::vector<Reply> replies;
    size_t next_reply = 0;
    i32 polls = 0;  // keyboard polls since the last key
    i32 key_base = -1, key_regs = 0;  // the key reply waiting for display blocks, the count when it began
    i32 key_seen = 0;  // display blocks registered when the last key was taken
    // Keyboard polls measured: their count, the time of the last one (or of
    // the mark) and the longest stretch between two.
    long long poll_count = 0;
    std::chrono::steady_clock::time_point last_poll = std::chrono::steady_clock::now();
    double poll_gap = 0.0;

    std::map<i32, Entity> entities;
    i32 next_entity = 1;
    i32 open_entity = 0;
    size_t ecursor = 0;
    bool eblock = false;

    List main;
    bool main_open = true;
    std::vector<List*> levels;       // current list at the back; main list first
    std::vector<i32> level_parents;  // element code owning each sub-list level
    std::map<i32, i32> counters;     // block counter per list level
    std::map<i32, Mark> marks;
    size_t wpos = 0;   // word position in the current element
    i32 next_code = 1;
    i32 open_element = 0;  // code of an element created and not closed
    size_t list_words = 0; // words held by the whole list tree

    std::map<std::string, KeyedRecord> records;
    std::vector<std::string> record_writes;
    std::vector<std::array<i32, 4>> trns;

    std::map<std::string, std::vector<TemplateRecord>> templates;
    std::string tpl_name;
    bool tpl_write = false;
    size_t tpl_pos = 0;
    i32 tpl_handle = 0;

    std::deque<std::vector<std::string>> param_lines;

    std::vector<MemSlot> arrays;
    std::map<void*, i32> blocks;
    i32 fail_countdown = 0;
    std::map<std::string, i32> fail_calls;  // list routine -> calls until one fails
    i32 fail_more = 0;  // allocations refused after the counted one
    long long allocations = 0;  // allocations asked for since the reset

    i32 mdnxt = 0;
    std::map<i32, std::pair<std::string, std::string>> proc_texts;  // procedure texts 29 and 30
    std::vector<Figure> figures;
    i32 xor_mode = 0;
    i32 next_master = 1;
    std::vector<i32> nc_entities;
    std::map<i32, i32> idtmp;
    std::map<i32, i32> movmnt;
    bool proc_open = false;
    std::vector<i32> machine_table = std::vector<i32>(10, 0);

    // State that other host files keep for themselves, by name; it goes with the host.
    std::map<std::string, std::shared_ptr<void>> ext;
};


// The host's state, made at its first use. H is expanded where it is
// called: the tolerant comparisons read the tolerance through it on every
// call, millions of times in a fine run.
extern Host* g_host;
Host& make_host();
inline Host& H() { return g_host ? *g_host : make_host(); }
bool alloc_fails();  // consumes the failure countdown
bool call_fails(const std::string& routine);  // consumes the routine's failure countdown
// Ends a file of the runner's output: empty when every byte went out and the
// file closed, else the reason (the file is closed either way). A null file
// gives the reason it could not be opened.
std::string end_file(std::FILE* f, const std::string& path);
// True once the session described a stock procedure (stockproc.cpp).
bool session_stock_procedures();
// Keeps the row of the procedure being worked on (stocksim.cpp) before the
// stock-simulation counter moves past it, while the session has stock
// procedures and no row is held there.
void keep_worked_row();
std::string host_message(i32 module, i32 number);  // the host's numbered message text
// Menu options: the texts joined by "@", and one option without its padding
// and sub-menu mark.
std::vector<std::string> split_options(const std::string& options);
std::string trim(std::string s);  // leading blanks and trailing blanks and '>' cut
// A menu reply: its number as written, or the 1-based place of the label it
// names (empty labels are never named); nothing when it is neither.
std::optional<i32> answer_choice(const std::string& answer, const std::vector<std::string>& labels);
List& cur_list();  // the current list
// The tool path display (ncdisplay.cpp): a status-line field's text kept,
// the display blocks of a procedure deleted, the blank attribute set.
void keep_status_field(i32 line, i32 field, const std::string& text);
i32 view_count();  // the views the host holds (view 1 the top one)
void delete_display_of_procedure(i32 number);  // drops the display blocks of a procedure
void set_display_blank(i32 blank);  // sets the blank attribute
i32 registrations();  // display blocks registered so far
Element* cur_element();  // the element under the cursor, null when none
// The manual editor's menu columns (procparm.cpp): items added to the menu
// form while a column form is open, read by modif1.
bool column_form();
void column_start();  // starts a menu column
void column_drop();  // the form shown is left unread (a pick or a point was given)
void column_options(const char* options, i32& current, i32 mark);  // an item of alternatives
void column_empty();  // an empty item
// An integer (vkind 1) or real field bound to word, within lo and hi.
void column_field(const char* label, i32* word, i32 vkind, f64 lo, f64 hi, i32 mark);
i32 column_read();  // reads the form's reply
// The menu shown beside the next pick (interact.cpp): after setir, the items
// of modmc are shown and not read; the next pick answers a menu reply naming
// one of them with its number (escape -2, end -3). False (nothing taken) when
// no such menu is shown or the next reply is no menu reply; the menu is
// dropped either way.
bool preset_reply(i32& status);
// A form of the procedure menus' rows (not columns) shown and not read yet;
// form_drop leaves it unread (a pick was given instead).
bool form_shown();
void form_drop();
// Picking of tool path blocks (editing.cpp): enabled by enatpo for the next
// pick, which then takes the block of the reply's number in the current list.
struct TpPick {
    bool enabled = false;
};
TpPick& tp_pick();  // the block-pick state
size_t total_list_words();  // words in every list

// The state a host file keeps under `name`, made on first use.
template <class T>
T& ext_state(const char* name)
{
    auto& slot = H().ext[name];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
}

// Counted refusals a test arms: the n-th call from now of `name` under
// `table` is refused (n of 0 or less: none). due_refusal answers whether
// this call is that one, counting it, and notes `said` when it is.
inline void arm_refusal(const char* table, const std::string& name, i32 n)
{
    ext_state<std::map<std::string, i32>>(table)[name] = n;
}
inline bool due_refusal(const char* table, const std::string& name, const std::string& said)
{
    auto& left = ext_state<std::map<std::string, i32>>(table);
    auto it = left.find(name);
    if (it == left.end() || it->second <= 0 || --it->second > 0) return false;
    note(said);
    return true;
}

}  // namespace norak
