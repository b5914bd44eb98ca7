// Stand-in of the closed projection library: not available on this machine.
#include "cutter/projection.h"

namespace {

class Vant : public ProjectionLibrary {
public:
    int available() override { return 0; }
    void prepare(int) override {}
    int vertical(int, const float*, PrjVert&) override { return 1; }
    int diagonal(int, const float*, const float*, PrjDiag&) override { return 1; }
    void segment(int, const float*, const float*, PrjSegResult& result) override { result.pieces.clear(); }
    int lane(int, float, const float*, const float*, int, std::vector<float>& out) override
    {
        out.clear();
        return 1;
    }
};

}  // namespace

ProjectionLibrary& vant_library()
{
    static Vant lib;
    return lib;
}
