// Resource numbers of the Win32 front end, shared by orvik.rc and the code (plain defines:
// the resource compiler reads this file too).
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_ORVIK_DIALOG 102
#define IDD_PROGRESS 103
#define IDI_ORVIK 147

// System-menu item of the About box; system commands keep the low four bits free.
#define IDM_ABOUTBOX 0x0010

// Controls of the progress dialog and the About box.
#define IDC_PROGRESS_BAR 1003
#define IDC_PROGRESS_PERCENT 1004
#define IDC_PROGRESS_STATUS 1005
#define IDC_ABOUT_VERSION 1100
#define IDC_ABOUT_FOLDER 1101
#define IDC_ABOUT_LAST_UPDATE 1102
#define IDC_ABOUT_MIDI_OUTPUTS 1103
#define IDM_RUN 0x0020
