// Identifiers of the dialog templates, controls and images in glowpond.rc.
// Shared by the resource script and the Windows front end.
#pragma once

// Dialogs
#define IDD_SETTINGS "DIALOG_1"
#define IDD_LOAD_STATUS 108
#define IDD_ABOUT 2000
#define IDD_MODEL_SETTINGS 2010

// Images: the axis labels of the model settings dialog's spin controls, and the icon
#define IDB_AXIS_X 102
#define IDB_AXIS_Y 103
#define IDB_AXIS_Z 104
#define IDI_GLOWPOND 1

// Strings: the name of the saver in the system's list (it must be string 1)
#define IDS_SAVER_NAME 1

// Settings dialog
#define IDC_MODEL_LIST 1001
#define IDC_COLOR_SWATCH 1004
#define IDC_SHOW_STATUS 1008
#define IDC_ALLOW_ACCELERATION 1009
#define IDC_ADD 1010
#define IDC_ADD_FOLDER 1011
#define IDC_LOAD_SAVED 1013
#define IDC_SAVE_AS 1014
#define IDC_DELETE 1020
#define IDC_SPEED 1030
#define IDC_TOTAL_SIZE 1031
#define IDC_SPIN_SPEED 1032
#define IDC_PULSE_SPEED 1033
#define IDC_OBJECT_DURATION 1034
#define IDC_LIGHT_HEIGHT 1037
#define IDC_SPARE_PROCESSOR 1040
#define IDC_EVERY_MONITOR 1041
#define IDC_ABOUT 1060
// <windows.h> names a system cursor IDC_HELP; the dialog's button wins here.
#undef IDC_HELP
#define IDC_HELP 1061
#define IDC_CONFIGURE_MODELS 1090
#define IDC_LAVA_COLOR 1200

// Model settings dialog (1001, the model list, is shared with the settings dialog)
#define IDC_PICTURE 1002
#define IDC_SPIN_Y_ANCHOR 1003
#define IDC_SPIN_X_ANCHOR 1004
#define IDC_SPIN_Z_ANCHOR 1005
#define IDC_CURRENT_SELECTION 1010
#define IDC_SELECT 1080
#define IDC_DISPLAY 1081
#define IDC_REVERSE_NORMALS 3000
#define IDC_BACK_CULL 3001
#define IDC_SINGLE_LIGHT 3002
#define IDC_CLOSE 8

// Load-status window
#define IDC_STATUS_FILE 1005
#define IDC_STATUS_TEXT 1006
#define IDC_STATUS_CANCEL 1007

// About box
#define IDC_VERSION 1070
