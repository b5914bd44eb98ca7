// Least form of the entry move: a record of the calls.
#include "cleanup/pkentry.h"

#include "core/records.h"

namespace {

std::vector<PkEntryCall> g_calls;
i32 g_answer = 0;

}  // namespace

void pkentry(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status)
{
    PkEntryCall c{value, stage, {P[0], P[1], P[2]}, {Q[0], Q[1], Q[2]}};
    g_calls.push_back(c);
    status = g_answer;
    if (status < 0) return;
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(static_cast<f32>(Q[k]));
}

const std::vector<PkEntryCall>& pkentry_calls() { return g_calls; }

void pkentry_clear()
{
    g_calls.clear();
    g_answer = 0;
}

void pkentry_answer(i32 status) { g_answer = status; }
