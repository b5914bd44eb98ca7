// Status-line fields of the machine state: the tool path and its machine,
// feed, spindle, coolant and the tool's name, and the setters that change one
// modal value and refresh its field. The context is the host's status window.
#pragma once

#include "core/words.h"

// Fields of the host status line.
constexpr i32 FLD_FEED = 4, FLD_SPIN = 5, FLD_COOL = 6, FLD_TOOL = 7, FLD_PATH = 11, FLD_MACHINE = 12;

// The 12-character machine name of a machine type (rotation axis 1, 2 or
// other for type 25); twelve blanks for a type without a name.
const char* MCHNAM(const i32& machine, const i32& axis);
// The 12-character coolant text of a coolant code; one blank outside 1-5.
const char* COOLTX(const i32& code);

// Hands the current tool's name to the host.
void MUTLNM(const i32& context);
// Hands the host the state its status line is formatted from: the display
// record, the modal state, the machine values, the tool's header and name.
void hand_status_state(const i32& context);
// Field 11: "TP=" and the tool path's name; field 12: its machine name.
void MUTPRC(const i32& context);
// Hands the records and the current tool's header to the host, refreshes the
// machine name fields and repaints the position fields.
void MUTPSW(const i32& window);
// Field 6: the coolant text.
void MUCOOL(const i32& context);
// Field 5: the spindle text.
void MUSPIN(const i32& context);
// Field 4: the feed text.
void MUFEED(const i32& context);

// Set one modal value (SETMOD) and refresh its field.
void SMOD01(const i32& context, const f32& feed);
void SMOD02(const i32& context, const i32& spindle);  // the spindle speed, field 5
void SMOD03(const i32& context, const i32& coolant);  // the coolant, field 6
void SMOD10(const i32& context, const f32& speed);  // the cutting speed, field 5
void SMD210(const i32& context, const i32& spindle, const f32& speed);  // spindle and cutting speed, field 5
void SMOD52(const i32& context, const i32& value);  // parameter 52, field 5
void SMOD53(const i32& context, const i32& value);  // parameter 53, field 4
void SMD100(const i32& context, const i32& tool);  // the tool (parameter 100), its field
