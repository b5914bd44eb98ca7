// The optimizer's parameter screen and its feed-table sub-screen: rows of
// the optimizer words of the machining-parameter block, shown as the
// switches make them apply, with the checks the user's entries must pass.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/holder.h"
#include "stock/optim.h"
#include "stock/optwords.h"
#include "tools/toolcache.h"
#include "tools/toollib.h"

OptDefFn OPTDEF = nullptr;
OptPutFn OPTPUT = nullptr;

namespace {
constexpr i32 MOD = 339;  // the module of the screen's host messages
i32 modl_area1[64], modl_area2[64];  // the host menu module's description areas

std::string text(i32 n)
{
    char b[257] = {0};  // a choice row's message holds all its alternatives
    msg_get(MOD, n, b, 256);
    return b;
}

f32 R(i32 w) { return wrd2r(CMPBLK[w]); }
void set(i32 w, f32 v) { CMPBLK[w] = r2wrd(v); }

// A choice row: the host's message of the row gives its text with each of
// its alternatives ("@" between them); the word holds the alternative from
// 1.
void choice(i32 word, i32 msg)
{
    i32 v = std::max(1, CMPBLK[word]);
    modmc2(text(msg).c_str(), v, 0);
    CMPBLK[word] = v;
}

void real(i32 word, const std::string& label, f32 low, f32 high, f32 shift = 0.0f)
{
    // A value left as shown keeps its word: taking the Z reference off and
    // adding it back need not give the same single-precision value, and an
    // untouched Z would then count as edited (the other Z put back in its
    // place) and as a change of the procedure.
    const f32 shown = R(word) - shift;
    f32 v = shown;
    modrc(label.c_str(), v, low, high);
    if (v != shown) set(word, v + shift);
}
void real(i32 word, i32 msg, f32 low, f32 high, f32 shift = 0.0f) { real(word, text(msg), low, high, shift); }

void integer(i32 word, const std::string& label, i32 low, i32 high)
{
    i32 v = CMPBLK[word];
    modic(label.c_str(), v, low, high);
    CMPBLK[word] = v;
}

// What the screen keeps while it is open.
struct Screen {
    i32 copy[CMPBLK_N];
    f32 clear = 0, cut = 0, diam = 0;
    i32 chosen = 1;  // word 0 as the user last chose it
    i32 local = 1;   // the screen's own choice row
    i32 list = 2;    // the tool list: 1 shown, 2 hidden
    i32 tables = -9, reset = -9;  // rows of the two actions
    i32 tool_rows = -9;           // row of the first tool row's first item (the list shown)
    bool checked = false;         // the tool rows cleaned since the list was last shown
};

// The heights record's word 24: the top the Z range is worked out from.
f32 top_height() { return wrd2r(HEI8[24]); }
// The Z reference the Z rows are shown against.
f32 z_reference() { return wrd2r(NPT1[5]); }

// The safety distance and the Z range worked out from the tool and H.
void fill_safety(const Screen& s)
{
    const f32 d = std::max(0.2f * s.clear, s.clear - s.cut);
    set(CMP_SAFETY, d);
    set(CMP_ZHIGH, top_height() - d);
    set(CMP_ZLOW, R(CMP_ZHIGH) - d);
}

void empty_tool_rows()
{
    for (i32 k = 0; k < 10; ++k)
        CMPBLK[CMP_TOOLS + k] = -1, CMPBLK[CMP_ROW_FEED + k] = 100, CMPBLK[CMP_ROW_PRM9 + k] = 100;
    CMPBLK[CMP_TOOL_ROWS] = 1;
}

// The rows of tools with an id below 1 removed, the rest moved up.
void pack_tool_rows()
{
    i32 k = 0;
    for (i32 j = 0; j < 10; ++j) {
        if (CMPBLK[CMP_TOOLS + j] < 1) continue;
        CMPBLK[CMP_TOOLS + k] = CMPBLK[CMP_TOOLS + j];
        CMPBLK[CMP_ROW_FEED + k] = CMPBLK[CMP_ROW_FEED + j];
        CMPBLK[CMP_ROW_PRM9 + k] = CMPBLK[CMP_ROW_PRM9 + j];
        ++k;
    }
    for (; k < 10; ++k) CMPBLK[CMP_TOOLS + k] = -1, CMPBLK[CMP_ROW_FEED + k] = 100, CMPBLK[CMP_ROW_PRM9 + k] = 100;
}

// The enlarged tool is forced on by the stages that need it.
bool enlarged_forced()
{
    const i32 w3 = CMPBLK[CMP_HOLDER], w6 = CMPBLK[CMP_ZRANGE], w18 = CMPBLK[CMP_FEED];
    return w18 == 2 || w18 == 3 || CMPBLK[CMP_LINK] == 2 || w6 == 2 || ((w6 == 3 || w6 == 4) && CMPBLK[CMP_ZCHOICE] < 2) ||
           (w3 != 1 && w3 != 2);
}

// The rows of the Z range by its mode.
void z_rows()
{
    const i32 w6 = CMPBLK[CMP_ZRANGE];
    const f32 zr = z_reference();
    if (w6 == 2 || w6 == 4) {
        real(CMP_ZHIGH, 1000, -99999.99f, 99999.99f, zr);
        modbln();
    } else if (w6 == 3) {
        real(CMP_ZLOW, 999, -99999.99f, 99999.99f, zr);
        choice(CMP_ZCHOICE, 1113);
    } else {
        modbln();
        modbln();
    }
    if (w6 == 4) {
        modbln();
        real(CMP_ZLOW, 999, -99999.99f, 99999.99f, zr);
        choice(CMP_ZCHOICE, 1113);
    }
}

// The main screen, built again after every change; the rows of the actions
// noted in the screen.
void build(Screen& s, i32& row)
{
    prcont();
    row = 0;
    modmc2(text(1060).c_str(), s.local, 0);
    // A tool whose clear length leaves no room above 0.3 keeps 0.3 as its
    // one value: the upper bound is not let below the lower one.
    real(CMP_SAFETY, 980, 0.3f, std::max(0.3f, s.clear - 0.1f * s.diam));
    real(CMP_ENLARGE_PCT, 981, 1.0f, 9999.99f);
    CMPBLK[CMP_ENLARGE] = enlarged_forced() ? 2 : s.chosen;
    choice(CMP_ENLARGE, 979);
    if (!enlarged_forced()) s.chosen = CMPBLK[CMP_ENLARGE];
    if (CMPBLK[CMP_ENLARGE] == 2)
        choice(CMP_LINK_HEIGHT, 1088);
    else
        modbln();
    modbln();
    choice(CMP_HOLDER, 989);
    if (CMPBLK[CMP_HOLDER] == 4) {
        real(CMP_HOLDER_FEED, 990, 0.0f, 999.99f);
        real(CMP_HOLDER_PRM9, 991, 0.0f, 999.99f);
    } else if (CMPBLK[CMP_HOLDER] == 5) {
        modmc2(text(1133).c_str(), s.list, 0);
        integer(CMP_TOOL_ROWS, text(1136), 0, 10);
    } else {
        modbln();
        modbln();
    }
    choice(CMP_ZRANGE, 998);
    z_rows();
    choice(CMP_LINK, 1014);
    modbln();
    modbln();
    choice(CMP_FEED, 1028);
    row = 16 + (CMPBLK[CMP_ZRANGE] == 4 ? 3 : 0);  // rows so far
    s.tables = -9;
    if (CMPBLK[CMP_FEED] == 2) {
        modact(text(1066).c_str());
        s.tables = ++row;
        modbln();
        ++row;
    } else if (CMPBLK[CMP_FEED] == 3) {
        modbln();
        integer(CMP_PASSES, text(1053), 1, 999);
        row += 2;
    } else {
        modbln();
        modbln();
        row += 2;
    }
    modact("Reset Optimizer Parameters");
    s.reset = ++row;
    modbln();
    modbln();
    // The header and the current tool's row, then the tool rows.
    s.tool_rows = s.list == 1 ? row + 5 : -9;
    if (s.list == 1 && !s.checked) optim_check_tools();  // once each time the list is shown
    s.checked = s.list == 1;
    if (s.list == 1) optim_tool_rows();
}

// Word 6 changed to a mode that shows a Z: the user may pick it.
void pick_z(const Screen& s, i32 entry6)
{
    const i32 w6 = CMPBLK[CMP_ZRANGE];
    auto pick = [&](i32 ask, i32 prompt, i32 word) {
        msg_mdls(MOD, ask);
        i32 yes = 0;
        modmc("YES    @NO     ", yes);
        if (yes != 1) return;
        msg_mdls(MOD, prompt);
        f32 p[3] = {0, 0, 0};
        i32 st = 0;
        ncs_get_point(0, p, st);
        if (st < 0)
            CMPBLK[CMP_ZRANGE] = entry6;
        else
            set(word, p[2]);
    };
    if (w6 == 2 || w6 == 4) pick(116, 118, CMP_ZHIGH);
    if (CMPBLK[CMP_ZRANGE] == 3 || CMPBLK[CMP_ZRANGE] == 4) pick(117, 119, CMP_ZLOW);
    if (!(R(CMP_ZHIGH) > R(CMP_ZLOW))) {
        if (entry6 == 1 || entry6 == 2)
            set(CMP_ZLOW, R(CMP_ZHIGH) - R(CMP_SAFETY));
        else
            set(CMP_ZHIGH, R(CMP_ZLOW) + R(CMP_SAFETY));
    }
    (void)s;
}

// A Z row edited so that the range has no room: the other Z put back.
void check_z(const Screen& s, f32 high_before, f32 low_before)
{
    if (CMPBLK[CMP_ZRANGE] != 4 || R(CMP_ZHIGH) > R(CMP_ZLOW)) return;
    // Which Z was edited is decided before either goes back: once the lower
    // Z is restored it differs from its value before the reply, and the
    // upper Z just typed would be put back as well.
    const bool high_edited = R(CMP_ZHIGH) != high_before, low_edited = R(CMP_ZLOW) != low_before;
    if (high_edited) CMPBLK[CMP_ZLOW] = s.copy[CMP_ZLOW];
    if (low_edited && !high_edited) CMPBLK[CMP_ZHIGH] = s.copy[CMP_ZHIGH];
    if (R(CMP_ZHIGH) >= 99999.0f) set(CMP_ZHIGH, top_height() - R(CMP_SAFETY));
    if (R(CMP_ZLOW) <= -99999.0f) set(CMP_ZLOW, R(CMP_ZHIGH) - R(CMP_SAFETY));
    msg_mdls(MOD, 115);
}

// The tool rows: each laid out as its tool, three actions and its two
// percentages; the actions of row i follow the rows above it. The host's
// menu here answers the item picked but no flag per row, so insert and
// remove, which would share one item told apart by that flag, are actions
// of their own beside the pick. Their texts, and the labels that tell the
// two percentage fields of a row apart (the host would place them under
// the header's columns), belong to this layout of the screen's own: the
// host has no message for them.
constexpr i32 ROW_ITEMS = 6;
enum RowItem { ROW_INSERT = 1, ROW_PICK = 2, ROW_REMOVE = 3 };

void put_row(i32 k, i32 id, i32 feed, i32 prm9)
{
    CMPBLK[CMP_TOOLS + k] = id, CMPBLK[CMP_ROW_FEED + k] = feed, CMPBLK[CMP_ROW_PRM9 + k] = prm9;
}

// Row k taken out: the rows behind it move up, the freed last row empty.
void remove_row(i32 k)
{
    for (i32 j = k; j + 1 < 10; ++j)
        put_row(j, CMPBLK[CMP_TOOLS + j + 1], CMPBLK[CMP_ROW_FEED + j + 1], CMPBLK[CMP_ROW_PRM9 + j + 1]);
    put_row(9, -1, 100, 100);
    CMPBLK[CMP_TOOL_ROWS] = std::max(1, CMPBLK[CMP_TOOL_ROWS] - 1);
}

// The marks of the pick list: tools of one cutter geometry (equal
// diameter, corner radius and taper) are marked alike, so that the user
// sees which tools may stand in for one another. Those that cut like the
// current tool are marked "="; every other geometry that two or more tools
// share gets a letter (A, B, ... Z, AA, ...) in the order met; a geometry
// no other tool shares needs no mark.
std::vector<std::string> geometry_marks(const std::vector<i32>& ids)
{
    // Each tool's geometry read once: the cache holds one tool at a time.
    using Geometry = std::array<f32, 3>;
    auto geometry = [](i32 id) {
        Geometry g{0, 0, 0};
        GTDIAM(id, g[0]), GTCRNR(id, g[1]), GTTAPA(id, g[2]);
        return g;
    };
    const Geometry current = geometry(CURTOL);
    const size_t n = ids.size();
    std::vector<Geometry> g(n);
    for (size_t j = 0; j < n; ++j) g[j] = geometry(ids[j]);
    std::vector<std::string> marks(n, "  ");
    i32 letters = 0;
    for (size_t j = 0; j < n; ++j) {
        size_t first = 0;  // the first tool of this geometry
        while (first < j && g[first] != g[j]) ++first;
        if (first < j) {
            marks[j] = marks[first];
        } else if (g[j] == current) {
            marks[j] = "= ";
        } else if (std::find(g.begin() + static_cast<std::ptrdiff_t>(j) + 1, g.end(), g[j]) != g.end()) {
            std::string m;
            for (i32 k = ++letters; k > 0; k = (k - 1) / 26) m.insert(m.begin(), static_cast<char>('A' + (k - 1) % 26));
            if (m.size() < 2) m += ' ';
            marks[j] = m;
        }
    }
    return marks;
}

// The user picks a library tool of the current tool's kind for row k; false
// when the pick was abandoned or there is none. The tools are offered a page
// at a time, with "Pg Up" and "Pg Dn" when there is more than one page (the
// options of the module's other paged list; the host's messages have none
// for paging): a library of any size then stays within menus the screen
// can show, where one menu of every tool would grow without bound.
constexpr i32 PICK_PAGE = 20;  // tools a page of the pick shows

bool pick_tool(i32 k)
{
    i32 type = 0, st = 0;
    GTTTYP(CURTOL, type);
    constexpr i32 SLOT = 8;  // tool-list slot of the screen
    TLSRST(SLOT);
    CRTTAB(type, st);
    if (st == 0) LSTTLB(type, SLOT, st);
    i32 count = 0;
    if (st == 0) TLSCNT(SLOT, count);
    std::vector<i32> ids;
    std::vector<std::string> names;
    for (i32 j = 1; j <= count; ++j) {
        i32 id = 0;
        TLSGET(SLOT, j, id, st);
        if (st != 0) break;
        char name[21];
        optim_tool_name(id, name);
        ids.push_back(id);
        names.emplace_back(name);
    }
    if (ids.empty()) {
        msg_mdls(MOD, 145);
        return false;
    }
    const std::vector<std::string> marks = geometry_marks(ids);
    const i32 total = static_cast<i32>(ids.size());
    const bool paging = total > PICK_PAGE;
    i32 first = 0;  // the first tool of the page shown, from 0
    while (true) {
        msg_mdls(MOD, 147);
        const i32 last = std::min(first + PICK_PAGE, total);
        std::string options;
        for (i32 j = first; j < last; ++j) {
            if (!options.empty()) options += '@';
            options += marks[static_cast<size_t>(j)] + names[static_cast<size_t>(j)];
        }
        if (paging) options += "@Pg Up@Pg Dn";
        i32 choice = 0;
        modmc(options.c_str(), choice);
        const i32 shown = last - first;
        if (paging && choice == shown + 1) {
            first = std::max(0, first - PICK_PAGE);
            continue;
        }
        if (paging && choice == shown + 2) {
            if (last < total) first = last;
            continue;
        }
        if (choice < 1 || choice > shown) return false;
        CMPBLK[CMP_TOOLS + k] = ids[static_cast<size_t>(first + choice - 1)];
        break;
    }
    // A tool on the last, empty row opens a new empty row.
    if (k == CMPBLK[CMP_TOOL_ROWS] - 1 && CMPBLK[CMP_TOOL_ROWS] < 10) ++CMPBLK[CMP_TOOL_ROWS];
    return true;
}

// An action of tool row k: an empty row inserted in its place (the row
// holds a tool, fewer than 10 rows, among the first eight) and a tool
// picked for it, kept only when one is picked; a tool picked for the row;
// the row removed.
void edit_row(i32 k, i32 item)
{
    const i32 rows = CMPBLK[CMP_TOOL_ROWS];
    if (k < 0 || k >= rows) return;
    if (item == ROW_INSERT) {
        if (CMPBLK[CMP_TOOLS + k] < 1 || rows >= 10 || k >= 8) return;
        for (i32 j = 9; j > k; --j)
            put_row(j, CMPBLK[CMP_TOOLS + j - 1], CMPBLK[CMP_ROW_FEED + j - 1], CMPBLK[CMP_ROW_PRM9 + j - 1]);
        put_row(k, -1, 100, 100);
        CMPBLK[CMP_TOOL_ROWS] = rows + 1;
        if (!pick_tool(k)) remove_row(k);
    } else if (item == ROW_PICK) {
        pick_tool(k);
    } else if (item == ROW_REMOVE && k < rows - 1) {
        // The empty last row stays: the count of rows in use holds it, as
        // the passes of the further tools are counted from it (the current
        // tool's pass and one per tool row), so a count lowered for it would
        // leave the last tool without its pass; and a pick on it is how a
        // further tool joins the list.
        remove_row(k);
    }
}

// Closing with the entries accepted: the change check of the frame and the
// tool rows packed. -2 when nothing changed on a procedure that is not new.
i32 accept(const Screen& s, i32 is_new)
{
    i32 changed = 1;
    if (OPTPUT) OPTPUT(s.copy, changed);
    pack_tool_rows();
    return changed == 0 && is_new == 0 ? -2 : 0;
}
}  // namespace

namespace {
// Clears the menu area and sets the interaction of a window of the lines
// and columns given. The host's layout words hold the columns before the
// lines: the third word is the number of menu lines.
void form(i32 lines, i32 columns, i32& status)
{
    const i32 words[4] = {0, columns, lines, 1};
    gsclr(0);
    modint(words, status);
    ofmod(1);
    ofwric(" ");
    status = 0;
}
}  // namespace

// The two window redraws are entry points for a caller that has cleared the
// menu area and must lay the window out again before a screen is shown
// anew; the screens themselves do not call them between their own replies,
// where the menu module keeps the window it laid out and a clear would only
// make the screen flicker.
void optim_form_a(i32& status) { form(14, 6, status); }
void optim_form_b(i32& status) { form(3, 21, status); }

void optim_tool_rows()
{
    modtxt(text(1134).c_str());
    char name[21];
    optim_tool_name(CURTOL, name);
    modtxt(("   1..." + std::string(name) + " 100 100").c_str());
    const i32 n = std::min(CMPBLK[CMP_TOOL_ROWS], 9);
    for (i32 i = 0; i < n; ++i) {
        char label[16];
        std::snprintf(label, sizeof label, "%2d...", i + 2);
        const i32 id = CMPBLK[CMP_TOOLS + i];
        if (id > 0) {
            optim_tool_name(id, name);
            modtxt((label + std::string("@   ") + name).c_str());
        } else {
            modtxt((label + std::string("@ ---------")).c_str());
        }
        modact((label + std::string(" INSERT A ROW")).c_str());
        modact((label + std::string(" PICK A TOOL")).c_str());
        modact((label + std::string(" REMOVE THE ROW")).c_str());
        integer(CMP_ROW_FEED + i, std::string(label) + "@ FEED %", 1, 100);
        integer(CMP_ROW_PRM9 + i, std::string(label) + "@ PRM9 %", 1, 100);
    }
}

void optim_check_tools()
{
    f32 d0 = 0, r0 = 0, t0 = 0;
    GTDIAM(CURTOL, d0);
    GTCRNR(CURTOL, r0);
    GTTAPA(CURTOL, t0);
    // The rows in use but the last; a row without a tool (an empty row, or
    // a tool gone from the library) is taken out and the count of rows in
    // use drops with it, so the row that moved up into its place is looked
    // at next.
    for (i32 k = 0; k + 1 < std::min(CMPBLK[CMP_TOOL_ROWS], 10);) {
        const i32 id = CMPBLK[CMP_TOOLS + k];
        // Whether the tool still exists is asked of the tool cache: the host
        // offers this module no entity status, and the cache answers type -1
        // for an id it cannot load as a tool (none left under it, or not a
        // tool), which could not cut the row's pass either.
        i32 type = -1;
        if (id > 0) GTTTYP(id, type);
        if (type < 0) {
            remove_row(k);
            continue;
        }
        f32 d = 0, r = 0, t = 0;
        GTDIAM(id, d);
        GTCRNR(id, r);
        GTTAPA(id, t);
        if (d != d0 || r != r0 || t != t0) {
            char name[21];
            optim_tool_name(id, name);
            msg_mdlt(MOD, 158, name);
        }
        ++k;
    }
    pack_tool_rows();
}

void optim_tables(i32& status)
{
    i32 copy[CMPBLK_N];
    std::memcpy(copy, CMPBLK, sizeof copy);
    const std::string vol = text(1063), ang = text(1064), fac = text(1065);
    while (true) {
        prcont();
        modtxt(text(1061).c_str());
        modtxt(vol.c_str());
        for (i32 k = 0; k < CMP_TABLE_N; ++k) {
            if (k == 1) modtxt("1.0");
            real(CMP_VOLUME_ROW + k, vol + " " + std::to_string(k + 1), 0.0f, 999.99f);
        }
        modtxt(fac.c_str());
        for (i32 k = 0; k < CMP_FACTOR_N; ++k) integer(CMP_VOLUME_FAC + k, vol + " % " + std::to_string(k + 1), 0, 10000);
        modtxt(text(1062).c_str());
        modtxt(ang.c_str());
        for (i32 k = 0; k < CMP_TABLE_N; ++k) {
            if (k == 1) modtxt("0.0");
            real(CMP_ANGLE_ROW + k, ang + " " + std::to_string(k + 1), -90.0f, 90.0f);
        }
        modtxt(fac.c_str());
        for (i32 k = 0; k < CMP_FACTOR_N; ++k) integer(CMP_ANGLE_FAC + k, ang + " % " + std::to_string(k + 1), 0, 10000);
        i32 action = 0;
        modif1(action);
        // A cancel puts back the block as this screen found it, not the
        // define cycle's backup (CMPBKP): the tables are a screen opened
        // from the optimizer's screen, and going back to the cycle's start
        // would also throw away what the user accepted there before.
        if (action == -1 || action == -2) {
            std::memcpy(CMPBLK, copy, sizeof copy);
            status = action;
            return;
        }
        if (action != 0) continue;
        const f32 v[5] = {R(26), R(27), R(28), R(29), R(30)}, a[5] = {R(37), R(38), R(39), R(40), R(41)};
        if (!(v[0] < 1.0f && 1.0f < v[1] && v[1] < v[2] && v[2] < v[3] && v[3] < v[4])) {
            userrc("ERROR : PARAMETERS IN VOLUME ROW SHOULD BE IN INCREASING ORDER", 0);
            continue;
        }
        if (!(a[0] > 0.0f && 0.0f > a[1] && a[1] > a[2] && a[2] > a[3] && a[3] > a[4])) {
            userrc("ERROR : PARAMETERS IN ANGLE ROW SHOULD BE IN DECREASING ORDER", 0);
            continue;
        }
        status = 0;
        return;
    }
}

void optim_menu(const i32& mode, const i32& tool, i32& status)
{
    (void)tool;
    // The host's menu module is set up once: normally at the session's
    // start, again here when its descriptions were released since. When it
    // still answers that it is not set up, the screen ends at once with
    // nothing changed.
    if (nu_modl_get_did_init() == 0) nu_modl_init(modl_area1, modl_area2);
    if (nu_modl_get_did_init() == 0) {
        status = -2;
        return;
    }
    Screen s;
    std::memcpy(s.copy, CMPBLK, sizeof s.copy);
    GTCLRL(CURTOL, s.clear);
    GTCUTL(CURTOL, s.cut);
    GTDIAM(CURTOL, s.diam);
    if (R(CMP_SAFETY) == -0.5f) fill_safety(s);
    s.chosen = std::max(1, CMPBLK[CMP_ENLARGE]);
    const i32 entry6 = CMPBLK[CMP_ZRANGE];
    while (true) {
        const i32 w3 = CMPBLK[CMP_HOLDER], w6 = CMPBLK[CMP_ZRANGE];
        const f32 high = R(CMP_ZHIGH), low = R(CMP_ZLOW);
        i32 row = 0, action = 0;
        build(s, row);
        modif1(action);
        // A cancel puts back the block as the screen found it, not the define
        // cycle's backup (CMPBKP): a cancel here leaves the optimizer's
        // values as they were before the screen, and the edits accepted in
        // the cycle before it (its other screens) stay.
        if (action == -1 || action == -2) {
            std::memcpy(CMPBLK, s.copy, sizeof s.copy);
            status = action;
            return;
        }
        CMPBLK[CMP_ENLARGE] = enlarged_forced() ? 2 : s.chosen;  // as the rows after it left it
        if (CMPBLK[CMP_ZRANGE] != w6 && CMPBLK[CMP_ZRANGE] != 1) pick_z(s, entry6);
        else check_z(s, high, low);
        if (w3 == 5 && CMPBLK[CMP_HOLDER] != 5) empty_tool_rows(), s.list = 2;
        if (w3 != 5 && CMPBLK[CMP_HOLDER] == 5) s.list = 1;
        if (action == 0) {
            if (CMPBLK[CMP_ZRANGE] == 4 && !(R(CMP_ZLOW) < R(CMP_ZHIGH))) {
                msg_mdls(MOD, 115);
                continue;
            }
            if (CMPBLK[CMP_ENLARGE] == 2 && CMPBLK[CMP_LINK_HEIGHT] != 3) msg_mdls(MOD, 159);
            status = accept(s, mode);
            return;
        }
        if (action == s.tables) {
            i32 st = 0;
            optim_tables(st);
        } else if (s.tool_rows > 0 && action >= s.tool_rows) {
            edit_row((action - s.tool_rows) / ROW_ITEMS, (action - s.tool_rows) % ROW_ITEMS);
        } else if (action == s.reset) {
            if (OPTDEF) OPTDEF();
            fill_safety(s);
            s.list = 2;
            s.chosen = CMPBLK[CMP_ENLARGE];
        }
    }
}
