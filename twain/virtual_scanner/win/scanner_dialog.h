// Resource ids of the data source's dialog (scanner_dialog.rc).
#pragma once

#define KORVIX_IDD_SCANNER 100
#define KORVIX_IDC_SETTINGS 101
