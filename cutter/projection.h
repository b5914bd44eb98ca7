// What the module uses of the closed projection library: prepared tool
// projectors that answer where the tool stands, vertically, along a
// direction, along a segment or along a lane over the surfaces. The module
// reaches the library only through this interface; the library linked here
// answers "not available", and a test may put its own behind the bridge
// (prj_set_library, cutter/prjbrg.h). The library's own classes (its
// manager, its queries and results, its lists, vectors and allocator) and
// their layouts are not at hand: the bridge makes the library's calls
// through this interface and keeps what they answer in the module's own
// records below, which carry the fields the library's records carry.
#pragma once

#include <vector>

// A vertical projection: the tool's height, its contact, a further vector,
// the normal, the kind of contact (2: on a protected surface) and a code.
struct PrjVert {
    float height;
    float contact[3];
    float vec[3];
    float normal[3];
    int kind;
    int code;
};

// A projection along a direction: the travel, the contact, a further vector,
// the normal and two further values.
struct PrjDiag {
    float travel;
    float contact[3];
    float vec[3];
    float normal[3];
    float extra[2];
};

// One point of a segment projection: two codes, the position, two further
// words, one word, two vectors, whether it is valid and whether deleted.
struct PrjPoint {
    int code1, code2;
    float pos[3];
    float words[2];
    float word;
    float v1[3], v2[3];
    bool valid;
    bool deleted;
};

// The result of a segment projection: its pieces, each a run of points.
struct PrjSegResult {
    std::vector<std::vector<PrjPoint>> pieces;
};

class ProjectionLibrary {
public:
    virtual ~ProjectionLibrary() = default;
    // 1 when the library can be used on this machine, 0 when it cannot.
    virtual int available() = 0;
    // Prepares projector `index` for segment projections.
    virtual void prepare(int index) = 0;
    // Projects the tool of projector `index` vertically at point's XY: 0 found, 1 nothing.
    virtual int vertical(int index, const float* point, PrjVert& out) = 0;
    // Projects the tool from `from` along the unit 3-D direction: 0 met, 1 nothing met.
    virtual int diagonal(int index, const float* from, const float* direction, PrjDiag& out) = 0;
    // Projects the tool along the segment between the XY of start and end into result.
    virtual void segment(int index, const float* start, const float* end, PrjSegResult& result) = 0;
    // Projects the lane of n points (with n second points) onto the surfaces
    // with the tolerance: the projected points, three floats each; 0 done.
    virtual int lane(int index, float tolerance, const float* points, const float* second, int n,
                     std::vector<float>& out) = 0;
};

// The library linked with the module.
ProjectionLibrary& vant_library();
