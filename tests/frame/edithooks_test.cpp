// The frame hands its single-procedure services down to the manual editor
// when the module is loaded.
#include <gtest/gtest.h>

#include "edit/manedt.h"
#include "frame/bookkeep.h"

TEST(EditorHooks, TheFrameFillsTheEditorsTableAtLoad)
{
    EXPECT_NE(EDTHKS.take, nullptr);
    EXPECT_NE(EDTHKS.tools, nullptr);
    EXPECT_EQ(EDTHKS.display, &DSPROC);
}
