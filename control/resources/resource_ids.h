// Resource identifiers of the module, shared by the .rc file and the code.
#pragma once

// Toolbox bitmap that containers show for the control: 16 x 15, 24 bpp.
#define IDB_TOOLBOX_BITMAP 30000

// The About box's pointing hand over its web address: 32 x 32, 16 colours,
// hot spot (11, 3) (hand.cur, made by make_hand_cursor.py).
#define IDC_ADDRESS_HAND 30100
