// The self-intersection run of 3-D loops.
#include "pocket/selfint3.h"

i32 delups3d(const pokarr&, pokarr*, i32& made)
{
    made = 0;
    return 2;
}
