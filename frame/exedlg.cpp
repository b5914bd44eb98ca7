#include "frame/exedlg.h"
#include "frame/intctl.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "edit/proctab.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "frame/cmpblk.h"
#include "blocks/movement.h"
#include "tools/tooldsp.h"
#include "core/records.h"
#include "core/util.h"
#include "tools/toolcache.h"

i32 PRMWRN = 0;

namespace {
constexpr i32 NRM_CAP = 15000;  // 5000 start positions of three reals
f32 NRMPTS[NRM_CAP], NRMDIR[NRM_CAP], NRMNRM[NRM_CAP];
i32 NRMFIG[NRM_CAP / 3];

std::string host_text(i32 module, i32 number)
{
    char t[161] = {0};
    msg_get(module, number, t, 160);
    return t;
}

// Two note lines of at most 80 characters.
struct Notes {
    std::string l1, l2;
    void first(const std::string& s)
    {
        if (l1.empty())
            l1 = s;
        else
            second(s);
    }
    void second(const std::string& s)
    {
        l2 = l2.empty() ? s : l2 + " " + s;
        if (l2.size() > 80) l2.resize(80);
    }
    void show()
    {
        if (l1.size() > 80) l1.resize(80);
        bool a = l1.size() >= 2, b = l2.size() >= 2;
        if (a && b) {
            usrme5(l1.c_str(), static_cast<i32>(l1.size()), "|", l2.c_str(), static_cast<i32>(l2.size()));
        } else if (a || b) {
            const std::string& s = a ? l1 : l2;
            usrmes(s.c_str(), static_cast<i32>(s.size()));
        }
    }
};

// Asks a question with an answer set; answers the option number, -2 on
// escape, -1 on end.
i32 ask(const std::string& question, const char* options)
{
    i32 choice = 0;
    qmenuc(question.c_str(), options, choice);
    if (choice == -3) return -1;
    return choice;
}
}  // namespace

void EXEDLG(PrcNrmFn cb9, i32& pausable, i32& update, const i32& geom_kept, i32& w6, const i32& w11, i32& w7,
            i32& option, i32& w9, i32& recompute, i32& suspended, i32& level, const i32& stockproc,
            const i32& criteria, i32& status)
{
    status = 0;  // an answer only: whatever the caller's cell held does not skip the question
    const i32 mf = get_ManageTp_TemplateFlag();
    const i32 tf = get_TP_TemplateFlag();
    if (mf == 2 || tf == 5) {
        status = -1;
        return;
    }
    const i32 tplmode = (mf == 1 || tf == 4 || tf == 6 || (orbis_flag_get() != 0 && w11 == 0)) ? 1 : 0;
    const i32 ready = GEODEF;
    if (!tplmode && w11 != 0) {
        if (ready && criteria == 0) {
            status = 0;
            prexec();
        } else {
            status = -1;
        }
        return;
    }

    i32 count = 0, dirs = 0, nrms = 0;
    if (!tplmode && ready && criteria == 0 && cb9) {
        i32 st = 0;
        cb9(NRM_CAP, count, NRMPTS, dirs, NRMDIR, nrms, NRMNRM, st);
        if (st < 0) {
            status = -1;
            return;
        }
        // The count comes from the procedure's callback: kept within the
        // 5000 positions the buffers hold, so that no figure is kept or read
        // past them.
        if (count < 0) count = 0;
        if (count > NRM_CAP / 3) count = NRM_CAP / 3;
        for (i32 k = 0; k < count; ++k) {
            f32* p = NRMPTS + 3 * k;
            if (dirs) darrow(p, NRMDIR + 3 * k, 1);
            i32 inst = 0;
            tm_inst_id(1, inst);
            if (inst > 0) figdel(inst);
            f32 zero[3] = {0, 0, 0};
            NRMFIG[k] = -1;
            i32 sst = 0;
            SHOWTL(CURTOL, p, nrms ? NRMNRM + 3 * k : zero, NRMFIG[k], sst);
            if (sst < 0) {
                // The display stops with status -1 and no question; the
                // positions drawn so far (this one included) are still
                // erased below, so no arrow or tool figure stays on screen.
                status = -1;
                count = k + 1;
                break;
            }
        }
    }

    if (status >= 0) {
        DlgFlags f{ready, pausable, recompute, update, geom_kept, criteria, PRMWRN, OLDVER, level, stockproc, tplmode};
        RRNOTE(f, suspended);
        recompute = f.recompute;
        level = f.level;
        i32 answer = 0;
        EXEASK(ready, pausable, recompute, update, suspended, tplmode, level, stockproc, criteria, answer);
        switch (answer) {
        case ANS_YES:
            status = 0;
            if (w6 == 0 && recompute == 0) suspended = 0;
            break;
        case ANS_NO: status = -2; break;
        case ANS_SUSPEND:
            status = 0;
            suspended = 1;
            break;
        case ANS_FORCE:
            status = 0;
            recompute = 1;
            break;
        default: status = answer < 0 ? answer : -1; break;
        }
    }

    if (!tplmode && count > 0) {
        for (i32 k = 0; k < count; ++k) {
            if (dirs) darrow(NRMPTS + 3 * k, NRMDIR + 3 * k, 0);
            if (NRMFIG[k] >= 0) {
                figdel(NRMFIG[k]);
                edele1(NRMFIG[k]);
            }
        }
        tool_at_display();
    }
    (void)w7;
    (void)w9;
    (void)option;
}

void RRNOTE(DlgFlags& f, const i32& suspended)
{
    Notes n;
    // A reason for re-execution raises the recompute flag whether or not the
    // notes below name it (at an optimization-only level, or for a procedure
    // that is not ready with changes, nothing is noted).
    const bool w6 = EDA2[EDA2_SUSPST] != 0, w7 = EDA2[EDA2_MANUAL] != 0, w9 = EDA2[EDA2_INTR] != 0;
    const bool reason = f.oldver || w6 || w7 || w9;
    if (f.level != 1 && f.level != 3) {
        bool warned = false;
        bool more = true;
        if (!f.ready) {
            if (is_some_template_operation() == 0 ||
                (is_some_template_CreateRead_operation() == 0 && EDA2[EDA2_OPENED] != 0)) {
                n.first(host_text(319, f.warnings ? 550 : 560));
                warned = f.warnings != 0;
            }
            if (f.recompute || f.update) more = false;
        } else if (f.geom_kept == 0) {
            n.second("WARNING: GEOMETRIC ENTITIES WILL NOT BE AVAILABLE FOR RERUN");
        } else if (f.criteria && is_some_template_CreateRead_operation() == 0) {
            n.first("NOTE:  GEOMETRY BY CRITERIA CAN NOT BE UPDATED");
        }
        if (more) {
            if (!f.recompute) {
                if (f.update == 0 && f.level == 0) {
                    n.first(f.warnings && !warned
                                ? "NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS. ATTENTION: WARNINGS ISSUED"
                                : "NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS");
                } else if (f.update && suspended == 0 && f.level == 0) {
                    n.first("NOTE: CHANGES DO NOT REQUIRE RE-EXECUTION");
                }
            }
            if (reason) {
                if (f.ready && suspended == 0) {
                    std::string line = "RE-EXECUTION WILL BE DUE TO PROCEDURE BEING";
                    const char* reasons[3] = {w6 ? "SUSPENDED" : w9 ? "INTERRUPTED" : nullptr,
                                              f.oldver ? "FROM OLD VERSION" : nullptr,
                                              w7 ? "MANUALLY CHANGED" : nullptr};
                    // The reasons' column counts from the start of their
                    // own sentence. When the geometric warning already holds
                    // line 2 the sentence begins at its column 61 and the
                    // line is cut at 80 inside the lead text, so the reasons
                    // counted either way would not show.
                    bool firstr = true;
                    for (const char* r : reasons) {
                        if (!r) continue;
                        std::string add = (firstr ? " " : ", ") + std::string(r);
                        if (line.size() + add.size() > 80) break;
                        line += add;
                        firstr = false;
                    }
                    n.second(line);
                }
            }
        }
    }
    if (reason) f.recompute = 1;
    // Level 3 (a feed change) is noted by the host's own text for it, in
    // place of the optimization note, and is level 1 from here on.
    if (f.level == 3) {
        f.level = 1;
        n.first(host_text(339, 90));
    } else if (f.level == 1) {
        n.first("NOTE: ONLY OPTIMIZATION WILL BE CALCULATED FOR THIS PROCEDURE");
    }
    n.show();
}

void EXEASK(const i32& ready, const i32& pausable, const i32& recompute, const i32& update, const i32& suspended,
            const i32& tplmode, const i32& level, const i32& stockproc, const i32& criteria, i32& answer)
{
    (void)stockproc;
    static const char* const YN = "YES    @NO     ";
    static const char* const YNF = "YES    @NO     @force  ";
    bool isupdate = false;
    while (true) {
        isupdate = false;
        if (suspended && pausable == 0) {
            answer = -1;
            break;
        }
        const bool force = suspended == 0 && indbug() != 0 && ready && criteria == 0;
        if (ready && suspended == 0 && (recompute || level != 0) && criteria == 0) {
            std::string q = level == 1 ? host_text(319, 10) : "OK TO EXECUTE?";
            if (tplmode) {
                answer = (orbis_flag_get() != 0 && execute_flag_get() != 0) ? ANS_YES : ANS_SUSPEND;
                break;
            }
            const char* set;
            bool f3 = false;
            if (pausable == 0) {
                set = force ? YNF : YN;
                f3 = force;
            } else if (force && level != 1) {
                set = "YES    @NO     @SUSPEND@force  ";
            } else if (level == 1) {
                set = "YES   @NO    @UPDATE";
            } else {
                set = "YES    @NO     @SUSPEND";
            }
            answer = ask(q, set);
            if (f3 && answer == 3) answer = ANS_FORCE;
        } else {
            const bool suspend_case = (!ready && recompute) || (ready && recompute && suspended) ||
                                      (ready && recompute && criteria) || (suspended && level != 0);
            if (!suspend_case && update) {
                if (tplmode) {
                    answer = ANS_YES;
                } else {
                    answer = ask("OK TO UPDATE?", force ? YNF : YN);
                    if (force && answer == 3) answer = ANS_FORCE;
                }
                isupdate = answer == ANS_YES;
            } else if (!suspend_case) {
                if (tplmode) {
                    answer = (orbis_flag_get() != 0 && replace_flag_get() != 0) ? ANS_YES : -1;
                } else {
                    answer = ask(host_text(319, 100), force ? YNF : YN);
                    if (answer == ANS_YES) answer = -1;
                    else if (force && answer == 3) answer = ANS_FORCE;
                }
            } else {
                if (tplmode) {
                    answer = ANS_SUSPEND;
                } else {
                    answer = ask(level == 1 ? host_text(319, 12) : "OK TO SUSPEND?", YN);
                    if (answer == ANS_YES) answer = ANS_SUSPEND;
                }
            }
        }
        if ((answer >= 1 && answer <= 4) || answer == -1 || answer == -2) break;
    }
    if (answer == ANS_YES && isupdate) {
        prmptc("U P D A T I N G");
    } else if (answer == ANS_YES || answer == ANS_FORCE) {
        prexec();
    } else if (answer == ANS_SUSPEND && level != 1) {
        prmptc("S U S P E N D I N G");
    }
}

void STLINE(const i32& index, const i32& state, const i32& updated)
{
    i32 type, number, manual = 0, st = state;
    if (index < 0) {
        // A procedure not in the tables yet: the code given is its type.
        type = state;
        st = 13;
        number = 0;
        CURBLK(number);
    } else if (index >= 1 && index <= PRCTAB.count && index <= PRT_MAX) {
        type = PRCTAB.type[index];
        number = PRCTAB.number[index];
        manual = PRCTAB.manual[index];
    } else {
        // Index 0, or one past the procedure tables, names no procedure:
        // nothing is shown rather than a row read out of the tables.
        return;
    }
    const char* text;
    switch (st) {
    case 8: text = "VERIFYING PROCEDURE"; break;
    case 10:
    case 15: text = "EXECUTING PROCEDURE"; break;
    case 11: text = "MODIFYING PROCEDURE"; break;
    case 13: text = "PROCEDURE"; break;
    case 18: text = "LOADING PARAMETERS FOR PROCEDURE"; break;
    case 19: text = "SAVING PARAMETERS OF PROCEDURE"; break;
    case 31: text = "OPTIMIZING PROCEDURE"; break;
    case 33: text = "CHECKING CRITERIA"; break;
    default: text = "RE_RUNNING PROCEDURE"; break;
    }
    char name[9];
    PRCNAM(type, name);
    name[8] = '\0';
    i32 nl = 8;
    while (nl > 0 && name[nl - 1] == ' ') --nl;
    name[nl] = '\0';
    char line[200];
    std::snprintf(line, sizeof line, "%s %s=%d", text, name, number);
    std::string s = line;
    if (ISMTYP(type) == 0 && gnccod(type) != 0) s += " FROM USER";
    if (st == 13 && !updated) {
        shlmsg(s.c_str(), static_cast<i32>(s.size()));
        return;
    }
    if (!updated) {
        i32 modify = 0;
        gs_modify(1, modify);
        if (manual && modify != 1) s += "|NOTE: MANUAL CHANGES WILL BE CANCELLED,FOR UPDATE ONLY USE 'MODIFY'";
    } else {
        s += manual ? "|NOTE: WORK AREA HAS BEEN UPDATED. MANUAL CHANGES WILL BE CANCELLED"
                    : "|NOTE: WORK AREA HAS BEEN UPDATED";
    }
    usmsgc(s.c_str());
}

void CRTCNT(const i32& first, const i32& last, const i32& count)
{
    if (first > last || count == 0) return;
    char line[120];
    if (first == last && count == 1) {
        std::snprintf(line, sizeof line, "PROCEDURE NUMBER %d IS CREATED", first);
    } else {
        std::snprintf(line, sizeof line, "%s NUMBER %d  %d ARE CREATED",
                      last - first + 1 == count ? "PROCEDURES" : "PROCEDURES/MESSAGES", first, last);
    }
    shlmsg(line, static_cast<i32>(std::strlen(line)));
    shlmsg(" ", 1);
}

void EXTIME(const i32& index, const i32& suspended, const i32& blank)
{
    if (suspended) {
        const char* t = "PROCEDURE EXECUTION IS SUSPENDED";
        shlmsg(t, static_cast<i32>(std::strlen(t)));
        shlmsg(" ", 1);
        return;
    }
    if (blank) {
        shlmsg(" ", 1);
        return;
    }
    static const char* const LABELS[8] = {
        "PROCEDURE EXECUTION START TIME  :", "PROCEDURE EXECUTION END TIME    :", "PROCEDURE EXECUTION INTERRUPT AT:",
        "PROCEDURE EXECUTION RESUME TIME :", "PROC. OPTIMIZATION START TIME   :", "PROC. OPTIMIZATION END TIME     :",
        "PROC. OPTIMIZATION INTERRUPT AT :", "PROC. OPTIMIZATION RESUME TIME  :"};
    if (index < 1 || index > 8) return;
    i32 dt[6];
    GETDTM(dt);
    shlms1(LABELS[index - 1], "C", dt);
    if (index == 2) shlmsg(" ", 1);
}
