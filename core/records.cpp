#include "core/records.h"

#include <cstring>

#include "core/host.h"
#include "core/names.h"

i32 BLSK[BLSK_N], CLP1[CLP1_N], DSM4[DSM4_N], DSP8[DSP8_N], EDA2[EDA2_N], HEI8[HEI8_N], LSP2[LSP2_N],
    PRM9[PRM9_N], WRMB[WRMB_N], NPT1[NPT1_N], PLN1[PLN1_N], RAXN[RAXN_N], TLER[TLER_N], TRS1[TRS1_N],
    UPW2[UPW2_N], TPFO[TPFO_N], GCY4[GCY4_N], COOR[COOR_N], PPN4[PPN4_N], TXT2[TXT2_N];
i32 MCHTBL[MCHT_N];
i32 TLMFLG = 0;
char NCFNAM[100 * 8];
i32 NCFCNT = 0;
i32 NCFMAP[100];

void RDREC(const char* key, i32* data, i32 words, i32& status)
{
    i32 count = words;
    mdgetn(key, data, count, status);
}

void WRREC(const char* key, i32 kind, const i32* data, i32 words, i32& status)
{
    mdputn(key, kind, words, data, status);
}

// Every record is written even when one is refused, so that one refusal
// loses no other record; the first refusal's status is handed back, since a
// saved set missing a record is not a success (the take-over and the pass
// backup report it).
void PUTRECS(i32& status)
{
    i32 first = 0;
    auto put = [&](const char* key, i32 kind, const i32* data, i32 words) {
        i32 st = 0;
        WRREC(key, kind, data, words, st);
        if (st < 0 && first == 0) first = st;
    };
    put("BLSK", RK_WORDS, BLSK, BLSK_N);
    put("CLP1", RK_WORDS, CLP1, CLP1_N);
    put("DSM4", RK_WORDS, DSM4, DSM4_N);
    put("DSP8", RK_WORDS, DSP8, DSP8_N);
    put("EDA2", RK_TEXT, EDA2, EDA2_N);
    put("HEI8", RK_REAL, HEI8, HEI8_N);
    put("LSP2", RK_WORDS, LSP2, LSP2_N);
    put("PRM9", RK_WORDS, PRM9, PRM9_N);
    plg_mchtbl_mdput(1, MCHTBL);
    put("WRMB", RK_WORDS, WRMB, WRMB_N);
    put("NPT1", RK_WORDS, NPT1, NPT1_N);
    // The part plane's words 1, 3, 4 and 9, counted from 1 as the record set
    // counts them ("NPT1" word 3, the machine kind, is the header's index 2).
    PLN1[0] = 0;
    PLN1[2] = PLN1[3] = PLN1[8] = -1;
    put("PLN1", RK_WORDS, PLN1, PLN1_N);
    put("RAXN", RK_TEXT, RAXN, RAXN_N);
    put("TLER", RK_REAL, TLER, TLER_N);
    put("TRS1", RK_WORDS, TRS1, TRS1_N);
    put("UPW2", RK_REAL, UPW2, UPW2_N);
    tm_inst_id(-2);
    nu_trns_rels();
    end_badsrf();
    status = first;
}

void COORUP()
{
    i32 st = 0;
    RDREC("COOR", COOR, COOR_N, st);
    // The frame and origin positions of "NPT1" and "COOR" are told counting
    // from 1 (NPT1 10-18 and 4-6, COOR 1-9), as every table of these two
    // records is; NPT1_FRAME, NPT1_ORIGIN and COOR_FRAME are those places
    // less one, so the 0-based arrays get the same words.
    std::memcpy(COOR + COOR_FRAME, NPT1 + NPT1_FRAME, 9 * 4);
    f32 origin[3], mach[3];
    std::memcpy(origin, NPT1 + NPT1_ORIGIN, sizeof origin);
    mapw2m(origin, mach);
    std::memcpy(COOR + COOR_ORIGIN, mach, sizeof mach);
    WRREC("COOR", RK_WORDS, COOR, COOR_N, st);
}

// ------------------------------------------------ name and text records

void PPNGS(const i32& mode, char* text)
{
    char* name = reinterpret_cast<char*>(PPN4);
    if (mode == 1) {
        fixtxt(text, 19, name);
    } else {
        std::memcpy(name, text, 19);
        name[19] = '\0';
    }
}

void PPNPUT(i32& status) { WRREC("PPN4", RK_TEXT, PPN4, PPN4_N, status); }

void PPNGET()
{
    i32 st = 0;
    RDREC("PPN4", PPN4, PPN4_N, st);
    reinterpret_cast<char*>(PPN4)[19] = '\0';
}

namespace {
// The four texts of "TXT2": offset and length in its 68 bytes.
constexpr int TXT_OFF[4] = {0, 21, 34, 55};
constexpr int TXT_LEN[4] = {20, 12, 20, 12};

void gstxt(int which, const i32& mode, char* text)
{
    char* t = reinterpret_cast<char*>(TXT2) + TXT_OFF[which];
    int len = TXT_LEN[which];
    if (mode == 1) {
        // The stored text up to its NUL, blank-padded to the caller's field.
        int n = static_cast<int>(strnlen(t, static_cast<size_t>(len)));
        std::memcpy(text, t, static_cast<size_t>(n));
        std::memset(text + n, ' ', static_cast<size_t>(len - n));
    } else {
        int n = static_cast<int>(strnlen(text, static_cast<size_t>(len)));
        std::memcpy(t, text, static_cast<size_t>(n));
        std::memset(t + n, '\0', static_cast<size_t>(len + 1 - n));
    }
}
}  // namespace

void GSTXT1(const i32& mode, char* text) { gstxt(0, mode, text); }
void GSTXT2(const i32& mode, char* text) { gstxt(1, mode, text); }
void GSTXT3(const i32& mode, char* text) { gstxt(2, mode, text); }
void GSTXT4(const i32& mode, char* text) { gstxt(3, mode, text); }
void PUTTXT(i32& status) { WRREC("TXT2", RK_TEXT, TXT2, TXT2_N, status); }

void EDARST(const i32& flag)
{
    // Words 2, 3 and 6 counted from 1: the driver's words 1, 2 and 5.
    std::memset(EDA2, 0, sizeof EDA2);
    EDA2[1] = EDA2[2] = EDA2[5] = -1;
    if (flag != 0) {
        i32 st = 0;
        WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
    }
}

// ------------------------------------------------- translation rows

namespace {
struct TrnRow {
    i32 text, code, kind, text2;
};

constexpr TrnRow TRN1[60] = {
    {696, 3001, 5, -1}, {768, 3002, 5, -1}, {673, 3003, 2, -1}, {712, 3004, 2, -1}, {713, 3005, 2, -1},
    {714, 3006, 2, -1}, {715, 3007, 2, -1}, {711, 3008, 2, -1}, {825, 3009, 2, 739}, {716, 3014, 3, -1},
    {717, 3015, 3, -1}, {718, 3016, 3, -1}, {719, 3017, 1, -1}, {720, 3018, 1, -1}, {721, 3019, 3, -1},
    {723, 3006, 2, -1}, {826, 3010, 2, 743}, {827, 3011, 2, 747}, {828, 3012, 2, 751}, {829, 3013, 2, 755},
    {722, 3020, 2, -1}, {671, 3021, 1, -1}, {677, 3021, 1, -1}, {672, 3022, 3, -1}, {675, 3023, 1, -1},
    {674, 3024, 1, -1}, {676, 3025, 1, -1}, {664, 3026, 1, -1}, {681, 3027, 1, -1}, {682, 3028, 1, -1},
    {767, 3029, 3, -1}, {765, 3030, 1, -1}, {678, 3031, 1, -1}, {756, 3032, 2, 761}, {683, 3033, 2, 691},
    {693, 3034, 1, -1}, {694, 3035, 3, -1}, {695, 3036, 3, -1}, {838, 3036, 3, -1}, {692, 3037, 1, -1},
    {710, 3037, 1, -1}, {666, 3038, 2, -1}, {667, 3039, 2, -1}, {668, 3040, 2, -1}, {665, 3041, 2, -1},
    {680, 3042, 3, -1}, {679, 3043, 1, -1}, {1049, 412, 1, -1}, {1050, 413, 1, -1}, {1051, 414, 1, -1},
    {1052, 415, 1, -1}, {697, 3051, 2, -1}, {764, 3052, 2, -1}, {704, 3044, 2, 708}, {709, 3045, 1, -1},
    {839, 3046, 1, -1}, {840, 3047, 1, -1}, {724, 3048, 2, 730}, {731, 3049, 1, -1}, {732, 3050, 1, -1},
};

constexpr TrnRow TRN2[46] = {
    {607, 3209, 2, 615}, {624, 3215, 2, 627}, {629, 3202, 3, -1}, {647, 3207, 2, -1}, {630, 3208, 2, 634},
    {644, 3201, 1, -1}, {648, 3204, 2, -1}, {649, 3203, 2, -1}, {650, 3205, 2, -1}, {635, 3213, 2, 638},
    {639, 3212, 2, 642}, {651, 3206, 2, -1}, {643, 3212, 2, 646}, {652, 3218, 2, 659}, {660, 3219, 1, -1},
    {661, 3219, 1, -1}, {662, 3219, 1, -1}, {663, 3219, 1, -1}, {914, 3221, 1, -1}, {1270, 603, 2, -1},
    {398, 604, 2, -1}, {1274, 605, 3, -1}, {1297, 612, 2, -1}, {1298, 613, 3, -1}, {1299, 614, 2, -1},
    {1300, 615, 3, -1}, {1301, 616, 3, -1}, {1302, 617, 3, -1}, {1303, 618, 2, -1}, {1304, 619, 3, -1},
    {1305, 620, 2, -1}, {824, 3100, 5, -1}, {769, 3100, 5, -1}, {793, 3101, 2, 806}, {836, 3102, 2, 809},
    {810, 3103, 3, -1}, {811, 3104, 2, 814}, {815, 3105, 1, -1}, {816, 3106, 1, -1}, {837, 3107, 1, -1},
    {817, 3108, 2, 820}, {821, 3109, 1, -1}, {822, 3110, 1, -1}, {607, 3111, 2, 615}, {834, 3112, 2, -1},
    {835, 3113, 1, -1},
};

template <size_t N>
void register_rows(const TrnRow (&rows)[N], i32& status)
{
    status = 0;
    for (const auto& r : rows) {
        nu_trns_add(r.text, r.code, r.kind, r.text2, status);
        if (status != 0) return;
    }
}
}  // namespace

void TRNREG1(i32& status) { register_rows(TRN1, status); }
void TRNREG2(i32& status) { register_rows(TRN2, status); }

i32 UPWEVR()
{
    if (wrd2r(UPW2[0]) != UPW2_ON) return 0;
    const f32 n = wrd2r(UPW2[1]);
    return n >= 1.0f && n <= 99999.0f ? static_cast<i32>(n) : 0;
}
