// Display recorder: tool figures, exclusive-or drawing, symbol masters and
// dialog input. Figures are kept in a list (for tests and later rendering)
// and every change is noted in the transcript.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

const std::vector<Figure>& figures() { return H().figures; }
i32 xor_mode() { return H().xor_mode; }

namespace {
std::string triple(const f32* v)
{
    char b[96];
    std::snprintf(b, sizeof b, "%g %g %g", static_cast<double>(v[0]), static_cast<double>(v[1]),
                  static_cast<double>(v[2]));
    return b;
}
}  // namespace

}  // namespace norak

using namespace norak;

void figtol(const i32& master, const i32& tool, const f32* rows, const f32* point, i32& figure, i32& status)
{
    Host& h = H();
    figure = -1;
    status = -1;
    if (alloc_fails()) return;
    Figure f;
    f.id = static_cast<i32>(h.figures.size()) + 1;
    f.master = master;
    f.tool = tool;
    std::memcpy(f.rows, rows, sizeof f.rows);
    std::memcpy(f.point, point, sizeof f.point);
    f.xor_mode = h.xor_mode;
    h.figures.push_back(f);
    figure = f.id;
    status = 0;
    note("figure " + std::to_string(f.id) + ": tool " + std::to_string(tool) + " symbol " + std::to_string(master) +
         " at " + triple(point) + " axis " + triple(rows + 6));
}

void figdel(const i32& figure)
{
    Host& h = H();
    if (figure < 1 || figure > static_cast<i32>(h.figures.size()) || h.figures[figure - 1].deleted) {
        note("internal: FIGURE " + std::to_string(figure) + " DOES NOT EXIST");
        return;
    }
    h.figures[figure - 1].deleted = true;
    note("figure " + std::to_string(figure) + ": deleted");
}

void xorset(const i32& mode)
{
    H().xor_mode = mode;
    note("display: tool exclusive-or " + std::string(mode == 0 ? "off" : "on, mode " + std::to_string(mode)));
}

void smnew(const i32& count, const i32* ids, i32& master, i32& status)
{
    master = 0;
    status = -1;
    if (count < 1) return;
    master = H().next_master++;
    status = 0;
    std::string l = "master " + std::to_string(master) + ":";
    for (i32 k = 0; k < count; ++k) (l += ' ') += std::to_string(ids[k]);
    note(l);
}

void sminst(const i32& master, const i32* settings, i32& instance, i32& status)
{
    instance = 0;
    status = -1;
    if (master < 1 || master >= H().next_master) return;
    instance = master;
    status = 0;
    note("instance of master " + std::to_string(master) + ": unit " + std::to_string(settings[0]) + " colour " +
         std::to_string(settings[1]) + " pen " + std::to_string(settings[2]));
}

void dminpt(const i32& dialog, const i32& row, i32& answer)
{
    std::string asked = "DIALOG " + std::to_string(dialog) + " ROW " + std::to_string(row);
    note("menu: " + asked);
    const Reply& r = next_reply("menu", asked);
    if (r.escape) {
        answer = -2;
    } else if (r.end) {
        answer = -3;
    } else {
        char* end = nullptr;
        long v = std::strtol(r.answer.c_str(), &end, 10);
        if (r.answer.empty() || *end != '\0')
            throw session_error("reply " + std::to_string(r.index + 1) + " answers \"" + r.answer + "\" to \"" +
                                asked + "\"; a row number was expected");
        answer = static_cast<i32>(v);
    }
    note("reply: " + std::to_string(answer));
}

void msg_mdlt(i32 module, i32 number, const char* text)
{
    note("host message " + std::to_string(module) + "/" + std::to_string(number) + ": " +
         host_message(module, number) + " " + text);
}
