// What the manual editor asks of the host beyond the lists: menu columns
// (the items go into the menu form of procparm.cpp), the attention and blank
// marks of display blocks by block key, picking of tool path blocks, a point
// in space and a few settings. Rules in platform/norak/README.md.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

TpPick& tp_pick() { return ext_state<TpPick>("tppick"); }

namespace {
std::string key_text(const i32* key)
{
    if (!key || key[0] < 1) return "none";
    if (key[0] == 1) return "list " + std::to_string(key[1]);
    return "list " + std::to_string(key[1]) + " block " + std::to_string(key[2]);
}

// Blank attribute of the registered display blocks of one list level whose
// block number lies in [from, to] (every block of the level when all).
void blank_blocks(i32 from, i32 to, bool all, bool blank)
{
    for (const DisplayBlock& b : display_blocks()) {
        if (!all && (b.key2 < from || b.key2 > to)) continue;
        const_cast<DisplayBlock&>(b).blank = blank;
    }
}
}  // namespace

}  // namespace norak

using namespace norak;

void modcls(const i32& count, const i32* attributes)
{
    (void)count;
    (void)attributes;
    column_start();
}

void modic2(const char* label, i32& value, const i32& low, const i32& high, const i32& mark)
{
    column_start();
    column_field(label, &value, 1, low, high, mark);
}

void modrc2(const char* label, f32& value, const f32& low, const f32& high, const i32& mark)
{
    column_start();
    column_field(label, reinterpret_cast<i32*>(&value), 8, low, high, mark);
}

void mdmpc2(const char* options, i32& current, const i32& mark)
{
    column_start();
    column_options(options, current, mark);
}

void setcolr(i32, i32 colour, i32 position, i32& out)
{
    ext_state<std::vector<std::array<i32, 2>>>("colours").push_back({colour, position});
    out = 0;
}
const std::vector<std::array<i32, 2>>& norak::colours_set() { return ext_state<std::vector<std::array<i32, 2>>>("colours"); }

void ncd_set_block_or_proc_attn(const i32* key, i32 on)
{
    note("display: attention " + std::string(on ? "on " : "off ") + key_text(key));
}

void ncd_set_blocks_attention(i32, const i32* first, const i32* last, i32 on)
{
    note("display: attention " + std::string(on ? "on " : "off ") + key_text(first) + " to " +
         std::to_string(last ? last[2] : first[2]));
}

void ncd_set_attrs_as_curr_block() { note("display: attributes of the current block"); }

void ncd_connect_toolpath() { note("display: tool path connected"); }

void ncd_set_block_or_proc_blank(const i32* first, const i32* last, i32 blank)
{
    const bool all = !first || first[0] < 2;
    std::string what = all ? key_text(first) : key_text(first) + " to " + std::to_string(last ? last[2] : first[2]);
    note("display: " + std::string(blank ? "blank " : "unblank ") + what);
    i32 from = all ? 0 : first[2], to = all ? 0 : (last ? last[2] : first[2]);
    if (!all && from > to) std::swap(from, to);
    blank_blocks(from, to, all, blank != 0);
}

void ncd_go_last_added_block() { note("display: last added block"); }
i32 get_win_mode() { return 0; }
void EnableHideTool() {}
void nc_tool_disp_hide(i32) {}

void segchk(const char*, const i32&, const i32&, i32& result) { result = 0; }

void enatpo() { tp_pick().enabled = true; }
void setatn(const i32& on)
{
    if (on) tp_pick().enabled = false;
}

void ncs_get_point(i32 mode, f32* point, i32& status) { getpt(mode, point, status); }

i32 split_by_tool_get_set(i32 mode, i32 value)
{
    static_assert(sizeof(f32) == sizeof(i32));
    i32& setting = ext_state<i32>("splitbytool");
    if (mode == 2) setting = value;
    return setting;
}
