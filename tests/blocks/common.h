// Fresh host and module state for the block tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/marker.h"
#include "blocks/modal.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/modflg.h"
#include "blocks/dipblk.h"
#include "blocks/dspblk.h"
#include "blocks/copy.h"
#include "blocks/geoslot.h"
#include "blocks/regdsp.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "tests/blocks/dump.h"
#include "tests/common/hostreset.h"

// Writes a block of the given words (type word first) at the list cursor.
inline void put_block(const dump::Words& w)
{
    i32 st = 0;
    BLKOPN(AM_LIST, w[0], 0, st);
    ASSERT_EQ(st, 0);
    TPPUT(AM_LIST, static_cast<i32>(w.size()) - 1, DT_INT, w.data() + 1, st);
    ASSERT_EQ(st, 0);
    BLKCLS(AM_LIST);
}

// The module state of the block layer as a procedure starts.
inline void fresh_block_state()
{
    std::memset(PRM9, 0, sizeof PRM9);
    std::memset(DSM4, 0, sizeof DSM4);
    std::memset(DSP8, 0, sizeof DSP8);
    std::memset(WRMB, 0, sizeof WRMB);
    std::memset(LSP2, 0, sizeof LSP2);
    std::memset(BLSK, 0, sizeof BLSK);
    std::memset(MCHTBL, 0, sizeof MCHTBL);
    std::memset(NPT1, 0, sizeof NPT1);
    TECHCL();
    MOVCLR();
    tp_mrkr_init();
    TPMACH = 22;
    std::memset(TLER, 0, sizeof TLER);
    std::memset(TRS1, 0, sizeof TRS1);
    std::memset(PRCFLG, 0, sizeof PRCFLG);
    DSPKPT = DispatchState{-1, 0.0f, 0, 0.0f, 0};
    CYCST = CycleState{};
    DSPST = DisplayState{4, 0, 0, 0, 0, 1, 1, 0};
    CPYTRF.active = 0;
    INTCNT = 0;
    const f64 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, zero[3] = {0, 0, 0};
    CNVSET(id, zero, zero);
}

struct BlocksTest : ::testing::Test {
    void SetUp() override
    {
        hostreset::empty_host();
        fresh_block_state();
    }
    void TearDown() override { tp_mrkr_fin(1); }
    // An entity to write blocks into, open.
    i32 open_stream()
    {
        i32 id = 0, st = 0;
        estore(9, 8, id, st);
        return id;
    }
    // Reopens the entity at its first word.
    void rewind(i32 id)
    {
        i32 c, t, l, st;
        eopen(id, c, t, l, st);
    }
};
