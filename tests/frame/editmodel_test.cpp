// A triangle model that the editor's store freed is never taken for the
// procedure's model by the change detection.
#include <gtest/gtest.h>

#include "edit/support.h"
#include "frame/callbacks.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"
#include "tests/common/meshes.h"

TEST(ChangeDetection, AModelTheEditorFreedIsBuiltAgain)
{
    norak::reset();
    ASSERT_EQ(meshes::build({meshes::grid(0, 0, 10, 10, 2, 2, [](f64, f64) { return 0.0; })}), 0);
    // The procedure's model is built and nothing changed since.
    PRCCST.rebuild = 0;
    PRCCST.freed = MDLFRE;
    i32 changed = 0, unused = 0, st = 0;
    PRCCHG(changed, unused, st);
    EXPECT_EQ(PRCCST.rebuild, 0);
    // The editor saves the live model and drops it: the model is gone.
    MDLPUT(1);
    MDLDRP(1);
    EXPECT_EQ(TRIMDL[TM_STATE], 0);
    PRCCHG(changed, unused, st);
    EXPECT_EQ(PRCCST.rebuild, 1);
    EXPECT_EQ(norak::open_arrays(), 0);
    PRCCST.rebuild = 1;
}
