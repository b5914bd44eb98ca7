#include "core/listname.h"

#include <cstring>

#include "core/host.h"
#include "core/records.h"

void MCHTNM(const i32& code, char* name)
{
    struct Row {
        i32 code;
        const char* name;
    };
    static constexpr Row NAMES[] = {{12, "PUNCH     "}, {13, "PUNCH+INDX"}, {31, "LATHE     "}, {22, "MILL2.5X  "},
                                    {23, "MILL 3X   "}, {24, "MILL+POS  "}, {25, "MILL 4X   "}, {26, "MILL 5X   "},
                                    {62, "AGIE      "}, {63, "CHARMILLES"}, {65, "MAKINO    "}};
    for (const Row& r : NAMES)
        if (r.code == code) {
            std::memcpy(name, r.name, 10);
            return;
        }
    std::memcpy(name, "UNKNOWN   ", 10);
}

void MSGENT(i32& kind, char& marker, char* label, char* prompt, char* menu)
{
    struct Row {
        char marker;
        const char* label;
        const char* prompt;
        const char* menu;
    };
    static constexpr Row KINDS[4] = {
        {' ', "MSG=", "ENTER MESSAGE     ", "MESSAGE            "},
        {'$', "SCD=", "ENTER SEQ. CODE   ", "CODE WITH SEQ.     "},
        {'*', "COD=", "ENTER NO SEQ. CODE", "CODE WITHOUT SEQ.  "},
        {'@', "NAM=", "ENTER NAME        ", "USER DEF.BLOCK NAME"},
    };
    if (kind < 1 || kind > 4) kind = marker == '$' ? 2 : marker == '*' ? 3 : marker == '@' ? 4 : 1;
    const Row& r = KINDS[kind - 1];
    marker = r.marker;
    std::memcpy(label, r.label, 4);
    std::memcpy(prompt, r.prompt, 18);
    std::memcpy(menu, r.menu, 19);
}

void CRTPNM(const i32& kind, const char* suffix, const i32& slen, char* name, i32& length, i32& plen, i32& status)
{
    constexpr i32 NAMLEN = 256;
    char path[NAMLEN];
    i32 n = 0;
    std::memset(name, ' ', NAMLEN);
    length = plen = 0;
    gtpfnm(path, NAMLEN, n, status);
    if (status != 0) {
        eroutc("CRTPNM, CANNOT GET CURRENT PART FILE NAME", 0);
        status = -3;
        return;
    }
    // The bare part file name: its directory cut off (the host offers no
    // routine for it here; the path ends at the last "/"), then the part
    // file's extension (4 characters) after it.
    const char* bare = path;
    for (i32 k = 0; k < n; ++k)
        if (path[k] == '/') bare = path + k + 1;
    plen = n - static_cast<i32>(bare - path);
    char part[NAMLEN + 4];
    std::memcpy(part, bare, static_cast<size_t>(plen));
    gtpfmx(part + plen);
    char tag[8];
    std::memset(tag, ' ', 8);
    if (kind == 1 || kind == 2) {
        std::memcpy(tag, NPT1, 8);
    } else if (kind == 3 || kind == 4) {
        i32 view = 0, vkind = 0;
        gsvnum(view);
        gvtdat(view, vkind, tag);
    }
    // The text ends at its first zero.
    const i32 tlen = static_cast<i32>(strnlen(tag, 8));
    if (kind >= 1 && kind <= 4) {
        makfln(part, plen + 4, tag, tlen, suffix, slen, name, NAMLEN, length, status);
        if (status != 0) {
            eroutc("CRTPNM, CANNOT CREATE FILE NAME", 0);
            status = -3;
            return;
        }
        while (length > 0 && name[length - 1] == ' ') --length;
    } else {
        // The part name, "." and the suffix. A name that would not fit the
        // 256-character field is refused rather than cut: a listing under a
        // cut name would overwrite some other file.
        if (plen + 1 + slen >= NAMLEN) {
            eroutc("CRTPNM, CANNOT CREATE FILE NAME", 0);
            status = -3;
            return;
        }
        std::memcpy(name, bare, static_cast<size_t>(plen));
        name[plen] = '.';
        std::memcpy(name + plen + 1, suffix, static_cast<size_t>(slen));
        length = plen + 1 + slen;
        // The name is used as built: this host keeps file names as they are
        // given and has no conversion of a name's characters (convcs) to
        // make it the host's own.
    }
    status = 0;
    if ((kind == 1 || kind == 3 || kind == 5) && sexist(name, length) != 0) {
        i32 answer = 0;
        inqflw(name, length, answer);
        if (answer != 1) status = -1;
    }
}

void CRTPN2(const i32& kind, const char* suffix, const i32& slen, char* path, i32& length, i32& plen, i32& status)
{
    char name[256];
    CRTPNM(kind, suffix, slen, name, length, plen, status);
    // A name longer than 255 characters is refused, not cut to 255: the
    // listing must not go to a file under another name than its own.
    if (status == 0 && length > 255) status = -3;
    if (status != 0) length = 0;
    std::memcpy(path, name, static_cast<size_t>(length));
    path[length] = '\0';
}

i32 ISMTYP(const i32& code)
{
    static constexpr i32 GO[] = {10, 11, 12, 19, 20, 26, 39, 40, 41, 42};
    for (i32 c : GO)
        if (c == code) return 1;
    return 0;
}

i32 ISDYNM(const i32& code) { return code == 55 ? 1 : 0; }
