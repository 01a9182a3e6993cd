// Every identifier of a command, control, dialog, bitmap and icon, defined once. Read by the
// resource compiler and by the code alike, so it holds #defines only.
#pragma once

// Icons and bitmaps
#define IDI_LARGE 11   // 32 x 32
#define IDI_SMALL 12   // 16 x 16
#define IDB_TOOLBAR 23 // 207 x 16 strip, 12 declared images
#define IDB_TOOLBAR_EXTRA 24 // 32 x 16: the help and exit pictures, images 12 and 13

// Menus and dialogs
#define IDR_MAIN_MENU 200
#define IDD_EXPORT_SETTINGS 1
#define IDD_ABOUT 2
#define IDD_EXPORT_PROGRESS 3

// Menu commands
#define IDM_OPEN 201
#define IDM_VIEW_NORMAL 202
#define IDM_VIEW_ASM 203
#define IDM_VIEW_C 204
#define IDM_VIEW_BASIC 205
#define IDM_EXPORT_C 206
#define IDM_EXPORT_ASM 207
#define IDM_EXPORT_BASIC 208
#define IDM_HELP 209
#define IDM_ABOUT 210
#define IDM_EXIT 211

// Toolbar commands: button k sends 330 + k and shows image k of the strip
#define IDT_OPEN 330
#define IDT_VIEW_NORMAL 331
#define IDT_VIEW_C 332
#define IDT_VIEW_ASM 333
#define IDT_VIEW_BASIC 334
#define IDT_FORWARD 335
#define IDT_BACK 336
#define IDT_FORWARD_10 337
#define IDT_BACK_10 338
#define IDT_EXPORT_C 339
#define IDT_EXPORT_ASM 340
#define IDT_EXPORT_BASIC 341
#define IDT_HELP 342
#define IDT_EXIT 343
#define TOOLBAR_BUTTON_COUNT 14

// Child controls of the main window
#define IDC_STATUS 1
#define IDC_TOOLBAR 329
#define IDC_VIEW 951

// About dialog
#define IDC_ABOUT_CLOSE 114

// Export settings dialog
#define IDC_BROWSE 111
#define IDC_EXPORT_OK 112
#define IDC_EXPORT_CANCEL 113
#define IDC_LABEL 121
#define IDC_DESTINATION 122

// Export progress dialog; its button is the system's IDCANCEL, so that Esc presses it too
#define IDC_PROGRESS_DESTINATION 131
#define IDC_PROGRESS_BAR 132
#define IDC_PROGRESS_TEXT 133
