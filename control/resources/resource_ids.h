// Resource identifiers of the module, shared by the .rc file and the code.
#pragma once

// Toolbox bitmap that containers show for the control: 16 x 15, 24 bpp.
#define IDB_TOOLBOX_BITMAP 30000
