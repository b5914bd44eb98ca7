// What the cutter tests and benchmarks share: the four tool kinds with their
// reference shapes, and a fresh positioning state over an empty model.
#pragma once

#include "dropref.h"
#include "cutter/loccom.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"

namespace positioning {

struct Kind {
    const char* name;
    f32 d, r, l, taper;
    dropref::Tool ref;
};

inline const Kind KINDS[] = {
    {"ball", 10.0f, 5.0f, 30.0f, 0.0f, {1, 5.0, 5.0}},
    {"flat", 10.0f, 0.0f, 30.0f, 0.0f, {2, 5.0, 0.0}},
    {"corner", 10.0f, 2.0f, 30.0f, 0.0f, {3, 5.0, 2.0}},
    {"taper", 6.0f, 1.0f, 20.0f, 10.0f, {4, 3.0, 1.0, 10.0 * 3.141592653589793 / 180.0, 20.0}},
};

// A fresh host, no triangle model, no machining type, a vertical tool axis
// and every surface class admitted to the drop.
inline void reset()
{
    norak::reset();
    FRETRI();
    MACTYP = 0;
    LOCAXM = 0;
    STPFLG(0x3F);
}

}  // namespace positioning
