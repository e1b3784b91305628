// Resource identifiers of the program: dialog templates, their controls,
// bitmaps, icon and cursor. Shared by the resource script and the code.
#pragma once

// Dialog templates.
#define IDD_WIZARD 102
#define IDD_MESSAGE 129
#define IDD_DOWNLOAD 217

// Controls of the templates (IDOK and IDCANCEL are the platform's 1 and 2).
#define IDC_DEVICE_LIST 1002
#define IDC_PANEL 1004
#define IDC_BACK 1005
#define IDC_NEXT 1006
#define IDC_LINK 1015
#define IDC_PROGRESS 1025
#define IDC_PROGRESS_LINE 1026
// Made by the wizard at run time, not by its template: the words of the
// banner and of the page picture.
#define IDC_BANNER_WORDS 1027
#define IDC_PAGE_WORDS 1028

// Icon and cursor.
#define IDI_APPLICATION_ICON 138
#define IDC_POINTING_HAND 190

// Skin of the wizard window and of the dialogs.
#define IDB_BACKGROUND 154
#define IDB_PANEL_BACKGROUND 191
#define IDB_WELCOME 192
#define IDB_SIDE_PICTURE 194
#define IDB_BANNER 195

// Page images: the two list pages (250 x 250) ...
#define IDB_SELECT_DRIVE_ZH 164
#define IDB_CHOOSE_FIRMWARE_ZH 165
#define IDB_SELECT_DRIVE_EN 168
#define IDB_CHOOSE_FIRMWARE_EN 169
// ... and the full pages (500 x 250).
#define IDB_NO_CONNECTION_ZH 172
#define IDB_CATALOGUE_MISSING_ZH 173
#define IDB_CATALOGUE_MISSING_EN 174
#define IDB_NO_CONNECTION_EN 175
#define IDB_NO_NEW_FIRMWARE_LAST_ZH 176
#define IDB_NO_NEW_FIRMWARE_MORE_ZH 177
#define IDB_NO_NEW_FIRMWARE_LAST_EN 178
#define IDB_NO_DRIVE_ZH 179
#define IDB_NO_NEW_FIRMWARE_MORE_EN 180
#define IDB_NO_DRIVE_EN 181
