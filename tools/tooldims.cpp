// Least form of the milling-tool accessors: the tool entity's header and its
// milling record, cached for one tool.
#include "tools/tooldims.h"

#include "frame/host.h"

namespace {

constexpr i32 TOOL_CLASS = 20;
constexpr i32 HDR_N = 22, H_VERS = 0, H_TYPE = 1, H_NREC = 21;
constexpr i32 TYPE_MILL = 2, OLD_VERSION = 591;
constexpr i32 REC_N = 24;
constexpr i32 M_DIA = 0, M_CRN = 1, M_CUT = 2, M_TAP = 4;

struct {
    i32 id = -1;
    i32 type = -1;
    f32 v[REC_N];
} cache;

bool load(i32 id)
{
    if (id == cache.id && cache.id != -1) return true;
    cache.id = -1;
    cache.type = -1;
    i32 cls = 0, type = 0, len = 0, status = 0;
    eopen(id, cls, type, len, status);
    if (status != 0) return false;
    i32 w[HDR_N + REC_N] = {0};
    i32 n = egetn(len < HDR_N + REC_N ? len : HDR_N + REC_N, w);
    eclose();
    if (cls != TOOL_CLASS || n < HDR_N || w[H_NREC] < 0 || w[H_NREC] > REC_N || n < HDR_N + w[H_NREC]) return false;
    for (i32 k = 0; k < REC_N; ++k) cache.v[k] = k < w[H_NREC] ? wrd2r(w[HDR_N + k]) : 0.0f;
    if (w[H_VERS] <= OLD_VERSION) cache.v[M_TAP] = 0.0f;
    cache.type = w[H_TYPE];
    cache.id = id;
    return true;
}

void mill(i32 id, i32 word, f32& value)
{
    value = -1.0f;
    if (!load(id) || cache.type != TYPE_MILL) return;
    value = cache.v[word];
}

}  // namespace

void GTDIAM(const i32& id, f32& value) { mill(id, M_DIA, value); }
void GTCRNR(const i32& id, f32& value) { mill(id, M_CRN, value); }
void GTCUTL(const i32& id, f32& value) { mill(id, M_CUT, value); }
void GTTAPA(const i32& id, f32& value) { mill(id, M_TAP, value); }
void GTTTYP(const i32& id, i32& type) { type = load(id) ? cache.type : -1; }
void STDIAM(const f32& value) { cache.v[M_DIA] = value; }
void STCRNR(const f32& value) { cache.v[M_CRN] = value; }
void STCUTL(const f32& value) { cache.v[M_CUT] = value; }

void TLCCLR() { cache.id = -1; }
