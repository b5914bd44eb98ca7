// The example sessions of examples/ run on the stand-in host, for the tests
// and the benchmarks: their text, the cavity example run, and the list
// cursor at the moves of the last procedure.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "blocks/listacc.h"
#include "core/host.h"
#include "core/load.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"

namespace exrun {

// The text of an example session of examples/.
inline std::string example(const char* name)
{
    std::ifstream f(std::string(TAVREK_EXAMPLES) + "/" + name);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Loads the cavity example and runs it: its procedure's tool path computed.
inline void run_cavity()
{
    norak::reset();
    norak::load_session_text(example("cavity.json"));
    module_load(nullptr, 1, nullptr);
    DSPMOD = 3;
    tavrek();
}

// Leaves the list cursor at the start of the last procedure's moves (the
// sub-list open); false when there is none.
inline bool at_moves()
{
    i32 a = 0, st = 0;
    lclos();
    ltop();
    lacces(2, a);
    FNDTYP(12, st);
    if (st < 0) return false;
    OPNSBL(st);
    if (st < 0) return false;
    lacces(2, a);
    return a >= 0;
}

}  // namespace exrun
