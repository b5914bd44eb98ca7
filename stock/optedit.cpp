#include "stock/optedit.h"

#include <algorithm>
#include <functional>

#include "blocks/listacc.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/optwords.h"
#include "tools/toolcache.h"

namespace {
constexpr i32 SLOT_EDIT = 19;   // list mark of the edit helpers
f32 LAST_POINT[3] = {0, 0, 0};
f32 REF_POINT[3] = {0, 0, 0};
i32 MARK_BLOCK = 0;
}  // namespace

f32 rapid_top = 0.0f;

void rapid_top_raise(const f32& z)
{
    if (z > rapid_top) rapid_top = z;
}

f32 optim_safety(i32& status)
{
    status = 0;
    // A distance not set (the word's default, negative) is worked out from
    // the tool as the screen proposes it: a negative distance would put the
    // links below the stock they are to clear.
    const f32 s = wrd2r(CMPBLK[CMP_SAFETY]);
    if (s >= 0.0f) return s;
    f32 clear = 0.0f, cut = 0.0f;
    GTCLRL(CURTOL, clear);
    GTCUTL(CURTOL, cut);
    const f32 worked = std::max(0.2f * clear, clear - cut);
    if (worked > 0.0f) return worked;
    userrc("optim_safety, NO SAFETY DISTANCE: IT IS NOT SET AND THE TOOL GIVES NONE", 0);
    status = -1;
    return 0.0f;
}

f32 hei8_clear() { return wrd2r(HEI8[0]); }
f32 hei8_link_clear() { return HEI8[76] != 0 ? wrd2r(HEI8[24]) : wrd2r(HEI8[0]); }

void optim_set_last_point(const f32* p) { std::copy(p, p + 3, LAST_POINT); }
void optim_set_ref_point(const f32* p) { std::copy(p, p + 3, REF_POINT); }
void optim_set_mark_block(const i32& number) { MARK_BLOCK = number; }
i32 optim_get_mark_block() { return MARK_BLOCK; }
const f32* optim_last_point() { return LAST_POINT; }
const f32* optim_ref_point() { return REF_POINT; }

namespace {
void machine_state(bool shown, i32& status)
{
    if (shown)
        PTAMCH(status);
    else
        PTAMC1(status);
}
}  // namespace

void write_feed_code(const i32& code, i32& status, bool shown)
{
    STPV01(code);
    TECHST.status[1] = 1;
    TECHST.wflag[1] = 2;
    machine_state(shown, status);
}

void write_feed_form(const f32& feed, i32& status, bool shown)
{
    // Machine-table words 5 (base feed) and 8 to 11 (named feeds in percent)
    // are words 0 and 3 to 6 of "PRM9".
    const f32 base = wrd2r(PRM9[0]);
    auto named = [&](i32 w) { return base * static_cast<f32>(PRM9[w]) / 100.0f; };
    i32 form = 1;
    if (feed == -1.0f)
        form = 4;
    else if (feed < 0.0f)
        form = 27;
    else if (feed == 0.0f)
        form = 1;  // a feed not set: the value itself, not a code whose feed is 0 as well
    else if (feed == named(4))
        form = 3;
    else if (feed == named(6))
        form = 26;
    else if (feed == named(5))
        form = 25;
    else if (feed == named(3))
        form = 2;
    if (form != 1) {
        write_feed_code(form, status, shown);
        return;
    }
    write_feed_value(feed, status, shown);
}

void write_feed_value(const f32& feed, i32& status, bool shown)
{
    // The explicit form: the value itself, from the base feed word replaced
    // for the time of the write.
    BaseFeedKeep keep;
    PRM9[0] = r2wrd(feed);
    STPV01(1);
    TECHST.status[1] = 2;
    TECHST.wflag[1] = 2;
    machine_state(shown, status);
    // The moves that follow keep it: the state is left as a code already
    // written, so that their machine state does not write the base feed.
    TECHST.status[1] = 1;
    TECHST.requested[1] = TECHST.lastcode[1] = 1;
}

void optim_line(const f32* point, i32& status)
{
    static const f32 AXIS[3] = {0.0f, 0.0f, 1.0f};
    MOVLN2(1, point, AXIS, status);
}

BaseFeedKeep::BaseFeedKeep() : word(PRM9[0]) {}
BaseFeedKeep::~BaseFeedKeep() { PRM9[0] = word; }

i32 list_length()
{
    i32 a = 0, here = 0;
    lgtpos(here);
    if (here > 0) lmark(1, SLOT_EDIT, a);
    lacces(3, a);
    // A list that cannot be put at its end has no length to tell: -1, so
    // that an edit does not count the blocks it wrote from a wrong one.
    const bool refused = a < -1;
    i32 n = 0;
    lgtpos(n);
    if (here > 0) {
        lmark(2, SLOT_EDIT, a);
    } else {
        lacces(2, a);
        lacces(-1, a);
    }
    if (refused) return -1;
    return n < 0 ? 0 : n;
}

void list_goto(const i32& k, i32& status)
{
    status = 0;
    i32 a = 0;
    lacces(2, a);
    if (a < 0) {
        status = -1;
        return;
    }
    for (i32 i = 1; i < k; ++i) {
        lacces(1, a);
        if (a < 0) {
            status = -1;
            return;
        }
    }
}

void PathEdit::begin()
{
    lgtpos(anchor_);
    // The count is what tells the new blocks from the old when the edit is
    // taken back: a list that refused to be measured is asked once more.
    length_ = list_length();
    if (length_ < 0) length_ = list_length();
    doomed_.clear();
    deleted_ = 0;
    shifted_ = 0;
    moves_ = MOVST;
    tech_ = TECHST;
    moved_ = LSP2[LSP2_MOVED];
}

void PathEdit::doom()
{
    i32 k = 0;
    lgtpos(k);
    doom_at(k);
}

void PathEdit::doom_at(const i32& k)
{
    if (k > 0 && std::find(doomed_.begin(), doomed_.end(), k) == doomed_.end()) doomed_.push_back(k);
}

i32 PathEdit::written() const { return list_length() - length_; }

void PathEdit::commit(i32& status)
{
    status = 0;
    // With no count of the blocks written the old ones cannot be found
    // behind them: nothing is deleted, and the edit fails.
    const i32 now = list_length();
    if (now < 0 || length_ < 0) {
        status = -1;
        return;
    }
    const i32 n = now - length_;
    i32 here = 0;
    lgtpos(here);
    std::sort(doomed_.begin(), doomed_.end(), std::greater<i32>());
    i32 a = 0;
    if (n > 0) lmark(1, SLOT_EDIT + 1, a);
    for (i32 k : doomed_) {
        const i32 at = k > anchor_ ? k + n : k;  // old elements behind the new ones moved on
        list_goto(at, status);
        if (status < 0) return;
        TPDELB(1, status);
        if (status < 0) return;
        // Counted so that a rollback after a refusal further on still finds
        // the new blocks: one fewer in the count for each old element gone,
        // one place further forward for each gone from in front of them.
        ++deleted_;
        if (k <= anchor_) ++shifted_;
    }
    if (n > 0) lmark(2, SLOT_EDIT + 1, a);
    doomed_.clear();
}

void PathEdit::rollback()
{
    // With either count unknown (the list refused to be measured) the new
    // blocks cannot be told from the old: none is deleted, so that no cut
    // of the path goes with them.
    // After a commit that failed part-way the old elements it deleted are
    // gone for good; the new blocks are then fewer places on and more than
    // the count alone says, and exactly those are taken out.
    const i32 now = list_length();
    const i32 n = now < 0 || length_ < 0 ? 0 : now - length_ + deleted_;
    const i32 anchor = anchor_ - shifted_;
    i32 st = 0;
    lclos();
    if (n > 0) {
        list_goto(anchor + 1, st);
        if (st >= 0) TPDELB(n, st);
    }
    if (anchor > 0) {
        list_goto(anchor, st);
    } else {
        i32 a = 0;
        lacces(2, a);
        lacces(-1, a);
    }
    MOVST = moves_;
    TECHST = tech_;
    LSP2[LSP2_MOVED] = moved_;
    doomed_.clear();
    deleted_ = 0;
    shifted_ = 0;
}

void PathEdit::finish(i32& status)
{
    if (status < 0) {
        rollback();
        return;
    }
    commit(status);
    if (status < 0) rollback();
}
