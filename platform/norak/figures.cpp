// Arrow figures and shown entities of the display recorder: figures made of
// arrows (temporary figures drawn between figopa and figcls, or two arrows
// at once), the entities shown and erased, and display refreshes. Arrow
// figures join the tool figures in one list (norak::figures()).
#include <cmath>
#include <cstdio>
#include <set>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct Display {
    std::set<i32> shown;
    i32 open = 0;  // figure open for drawing, 0 none
    f32 pen[3] = {0.0f, 0.0f, 0.0f};  // where moveto left the pen
};
Display& D() { return ext_state<Display>("display"); }

std::string triple(const f32* v)
{
    char b[96];
    std::snprintf(b, sizeof b, "%g %g %g", static_cast<double>(v[0]), static_cast<double>(v[1]),
                  static_cast<double>(v[2]));
    return b;
}

Figure& new_arrow_figure()
{
    Host& h = H();
    Figure f;
    f.id = static_cast<i32>(h.figures.size()) + 1;
    f.kind = "arrows";
    h.figures.push_back(f);
    return h.figures.back();
}

Figure* figure_of(i32 id)
{
    Host& h = H();
    if (id < 1 || id > static_cast<i32>(h.figures.size())) return nullptr;
    return &h.figures[static_cast<size_t>(id - 1)];
}

// Adds an arrow to a figure; false for a direction of no length.
bool add_arrow(Figure& f, const f32* from, const f32* dir, f32 length)
{
    Figure::Arrow a{};
    double l = 0;
    for (int k = 0; k < 3; ++k) l += double(dir[k]) * dir[k];
    if (!(l > 0)) return false;
    l = std::sqrt(l);
    for (int k = 0; k < 3; ++k) {
        a.from[k] = from[k];
        a.dir[k] = static_cast<f32>(dir[k] / l);
    }
    a.length = length;
    f.arrows.push_back(a);
    char len[32];
    std::snprintf(len, sizeof len, "%g", static_cast<double>(length));
    note("figure " + std::to_string(f.id) + ": arrow from " + triple(a.from) + " along " + triple(a.dir) +
         " length " + len);
    return true;
}
}  // namespace

std::vector<i32> shown_entities()
{
    std::vector<i32> ids;
    for (i32 id : D().shown)
        if (H().entities.count(id)) ids.push_back(id);
    return ids;
}

}  // namespace norak

using namespace norak;

void figaro(const f32* point, const f32* vector, i32& figure, i32& status)
{
    figure = 0;
    status = -1;
    if (alloc_fails()) return;
    Figure& f = new_arrow_figure();
    if (!add_arrow(f, point, vector, 50.0f)) {
        f.deleted = true;
        return;
    }
    figure = f.id;
    status = 0;
}

void gfgtmp(i32& figure) { figure = new_arrow_figure().id; }

void figopa(const i32& figure)
{
    D().open = figure_of(figure) ? figure : 0;
    if (!D().open) note("internal: FIGURE " + std::to_string(figure) + " DOES NOT EXIST");
}

void figopa(const i32& figure, const i32& colour)
{
    if (figure < 0) {
        // a figure number of the module's own (below 0): a new line figure
        Figure& g = new_arrow_figure();
        g.kind = "lines";
        g.colour = colour;
        D().open = g.id;
        return;
    }
    figopa(figure);
    if (Figure* f = figure_of(D().open)) f->colour = colour;
}

void moveto(const f32& x, const f32& y, const f32& z)
{
    D().pen[0] = x;
    D().pen[1] = y;
    D().pen[2] = z;
    const f32 p[3] = {x, y, z};
    moveto(p);  // one pen for figures and display blocks
}

void drawto(const f32& x, const f32& y, const f32& z)
{
    Figure* f = figure_of(D().open);
    if (!f) {
        note("internal: NO FIGURE IS OPEN");
        return;
    }
    Figure::Stroke s{{D().pen[0], D().pen[1], D().pen[2]}, {x, y, z}};
    f->strokes.push_back(s);
    moveto(x, y, z);
}

void gswpln(const i32&) {}

void garrow(const f32* point, const f32* direction, const f32& length, const f32&, const f32&, const i32&)
{
    Figure* f = figure_of(D().open);
    if (!f) {
        note("internal: NO FIGURE IS OPEN");
        return;
    }
    add_arrow(*f, point, direction, length);
}

void figcls() { D().open = 0; }

void figatn(const i32& a, const i32& b)
{
    note("display: attention " + std::to_string(a) + " " + std::to_string(b));
}

void wrk2df() {}

void edisp(const i32& id, const i32& mode)
{
    if (!H().entities.count(id)) {
        note("internal: ENTITY " + std::to_string(id) + " DOES NOT EXIST");
        return;
    }
    if (mode != 0)
        D().shown.insert(id);
    else
        D().shown.erase(id);
}
