// State of the stand-in host's NC procedure services (part of the host).
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/words.h"
#include "platform/norak/norak.h"

namespace norak {

struct NcHost {
    std::string prompt;         // the prompt shown last
    std::string crit_file;      // the file of a running whole-tool-path criteria list
    std::FILE* crit_fp = nullptr;  // that file while a procedure appends to it
    i32 tm_inst = 0;            // figure of the registered tool instance, 0 none
    i32 fdflg = 0;              // fast-display flag
    i32 solids = 0, whole = 0;  // permissions set by the module
    std::vector<std::array<i32, 2>> perm_sets;  // every pair the module set, in order
    i32 proc_num = 0;           // current procedure number
    i32 surf_proc = 0;          // procedure of the surface tables
    i32 counter = 0;            // stock-simulation counter
    i32 alerr = 0;              // errors seen since set_alerr_off
    i32 read_mode = 1000;       // template read mode
    i32 rel_table = 1;          // the relation table is enabled
    i32 sgcd = 0;               // procedure code
    i32 machine_set = 0;        // machining-parameter set
    i32 geom_status = 0;
    i32 interrupt = 0;          // the answer to "STOP EXECUTION?"
    i32 colour = 7, pen = 1;    // the procedure's colour and pen
    f64 origin_moved = 0.0;     // the origin's Z moved by orgchn, not yet taken back
    i32 crit_change[4] = {0, 0, 0, 0}, masks[4] = {0, 0, 0, 0};
    // Global parameters kept by the template write, handed back by the read.
    bool globals = false;
    std::vector<i32> hei8, txt2, cmp, prm9, mcht;
    // The menu form being shown: rows so far and the action rows.
    i32 row = 0;
    std::vector<std::pair<std::string, i32>> actions;
    // The procedure opened by the session's "open" step: its element code.
    i32 open_code = 0;
    size_t open_elements = 0;
    StockSim stock;  // the stock simulation's grid
};

}  // namespace norak
