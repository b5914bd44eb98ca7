// A small tool library for the tool tests, and a fresh host and module state.
#pragma once

#include <string>

#include "platform/norak/norak.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"
#include "tools/toollib.h"

inline const char* LIBRARY = R"({
  "entities": [
    {"kind": "holder", "id": 50, "name": "HSK63 SHORT", "steps": [[30, 40, 10, 50], [40, 40, 0, 30]], "extensions": 1},
    {"kind": "tool", "id": 101, "type": "MILL", "name": "flat 10", "diameter": 10, "cutting_length": 25,
     "clearance_length": 40, "life": 2.5, "holder": 50,
     "technology": [{"spindle": 3000, "cutting_speed": 94.2, "feed": 600},
                    {"spindle": 2000, "cutting_speed": 60, "feed": 400},
                    {"spindle": 1000, "cutting_speed": 31.4}]},
    {"kind": "tool", "id": 102, "type": "MILL", "name": "BALL 8", "text": "FINISHING", "diameter": 8,
     "corner_radius": 4, "cutting_length": 20, "clearance_length": 30},
    {"kind": "tool", "id": 103, "type": 2, "name": "TORUS 12 R2", "diameter": 12, "corner_radius": 2,
     "cutting_length": 30, "clearance_length": 45, "symbol": 77},
    {"kind": "tool", "id": 104, "type": "MILL", "name": "TAPER 6 5DEG", "diameter": 6, "corner_radius": 0.5,
     "taper": 5, "cutting_length": 18, "clearance_length": 35, "version": 592},
    {"kind": "tool", "id": 105, "type": "MILL", "name": "OLD TAPER", "diameter": 6, "taper": 7, "version": 591},
    {"kind": "tool", "id": 110, "type": "DRILL", "name": "DRILL 8.5", "diameter": 8.5, "tip_angle": 118,
     "cutting_length": 40, "clearance_length": 60},
    {"kind": "tool", "id": 111, "type": "LATHE-DRILL", "name": "CENTRE DRILL", "diameter": 3, "tip_angle": 90},
    {"kind": "tool", "id": 120, "type": "AGIE", "name": "WIRE A", "generator": 3, "flushing": 2, "offset": 11,
     "angle": 1.5},
    {"kind": "tool", "id": 121, "type": "CHARMILLE", "name": "WIRE C", "gcodes": [1, 2, 3, 4, 5], "offset": 7,
     "c_register": 21, "a_register": 22},
    {"kind": "tool", "id": 122, "type": "MAKINO", "name": "WIRE M", "condition": 42, "offset": 9},
    {"kind": "tool", "id": 130, "type": "PUNCH", "name": "PUNCH R20", "shape": 1, "diameter": 20},
    {"kind": "tool", "id": 131, "type": "PUNCH", "name": "PUNCH SQ", "shape": 2, "length": 15, "width": 10},
    {"kind": "tool", "id": 140, "type": "LATHE", "name": "TURN 0.8", "nose_radius": 0.8},
    {"kind": "cycle", "code": 81, "name": "drill"},
    {"kind": "raw", "id": 200, "class": 9, "type": 8, "words": [1, 2, 3]}
  ]
})";

// A fresh host with the library (and what `extra` adds to its session
// text), and the tool state of a procedure start.
inline void fresh(const std::string& session = LIBRARY)
{
    norak::reset();
    norak::load_session_text(session, "library");
    TLSINI();
    TLTINI();
    CURTOL = -1;
    TYPFLT(0, 0);
    TLXMOD = 0;
    TLSHOW = -1;
}

inline std::string name20(i32 id)
{
    char n[20];
    GTTNAM(id, n, 20);
    return std::string(n, 20);
}

inline std::string pad20(const std::string& s) { return s + std::string(20 - s.size(), ' '); }
