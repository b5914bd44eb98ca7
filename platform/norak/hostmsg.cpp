// The host's numbered message texts that the module shows.
#include <map>
#include <string>
#include <utility>

#include "platform/norak/state.h"

namespace norak {

std::string host_message(i32 module, i32 number)
{
    static const std::map<std::pair<i32, i32>, const char*> texts = {
        {{301, 10}, "COORDINATE OUT OF RANGE"},
        {{316, 30}, "TOLERANCE MUST BE ABOVE ZERO"},
        {{322, 10}, "WRITING THE TOOL PATH LISTING"},
        {{316, 40}, "BALL TOOL WITH OFFSET -R: THE TOOL CENTRE MACHINES"},
        {{319, 10}, "ONLY OPTIMIZATION IS NEEDED. OK TO EXECUTE?"},
        {{319, 12}, "ONLY OPTIMIZATION IS NEEDED. OK TO SUSPEND?"},
        {{319, 40}, "READING THE GEOMETRY OF THE PROCEDURE"},
        {{319, 42}, "REDEFINE THE GEOMETRY BY CRITERIA?"},
        {{319, 100}, "NOTHING TO EXECUTE. LEAVE THE PROCEDURE?"},
        {{319, 550}, "NOTE: DEFINITION INCOMPLETE, WARNINGS ISSUED"},
        {{319, 560}, "NOTE: DEFINITION INCOMPLETE"},
        {{320, 40}, "USE A SMALLER TAPER ANGLE OR ANOTHER TOOL"},
        {{320, 240}, "APPROACH GOUGES: A VERTICAL MOTION IS USED"},
        {{320, 250}, "NO APPROACH DIRECTION: A VERTICAL MOTION IS USED"},
        {{320, 270}, "NO ROOM FOR THE ARC: A VERTICAL MOTION IS USED"},
        {{339, 70}, "THE STOCK GRID CANNOT BE ENLARGED: TOO MANY CELLS"},
        {{339, 74}, "TOO MANY CELLS IN THE STOCK GRID: CHOOSE A LARGER CELL"},
        {{339, 86}, "TOOL CREATED:"},
        {{339, 87}, "NO FREE NAME FOR A COPY OF"},
        {{339, 90}, "NOTE: FEED CHANGED, ONLY OPTIMIZATION WILL BE CALCULATED"},
        {{339, 160}, "TOO MANY CELLS IN THE STOCK DISPLAY: CHOOSE A LARGER CELL"},
        {{365, 10}, "SURFACE LIMITS"},
        {{365, 20}, "CUT DIRECTION"},
        {{365, 30}, "NO MAXIMUM SIDE FOR THE TRIANGLES"},
        {{392, 30}, "PART SURFACES"},
        {{392, 40}, "SECOND PART SURFACES"},
        {{410, 11}, "RELATION CHANGED:"},
        {{413, 19}, "TOLERANCE GREATER THAN THE TOOL DIAMETER"},
        {{413, 26}, "SCALLOP HEIGHT GREATER THAN THE TOOL RADIUS"},
        {{413, 27}, "TOOL DIAMETER TOO SMALL"},
        {{413, 28}, "SIDE STEP GREATER THAN THE TOOL DIAMETER"},
        {{413, 30}, "NOTE: NO HOLDER CHECK ON A 3-AXIS MACHINE"},
    };
    auto it = texts.find({module, number});
    if (it != texts.end()) return it->second;
    return "HOST MESSAGE " + std::to_string(module) + "/" + std::to_string(number);
}

}  // namespace norak
