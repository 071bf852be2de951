/* Identifiers shared by the code and the resource script. Plain #defines only,
   so that the resource compiler can read this file too. */
#ifndef ZELVANE_IDS_H
#define ZELVANE_IDS_H

/* Resources */
#define IDR_MAINMENU        101
#define IDI_FILEICON        102
#define IDI_MAINICON        103
#define IDD_ABOUT           104

/* Controls of the main window (the local panel's group box has id 0) */
#define IDC_LOCAL_SERVERS   1
#define IDC_LOCAL_PRINTERS  2
#define IDC_LOCAL_JOBS      3
#define IDC_REMOTE_FRAME    5
#define IDC_REMOTE_SERVERS  6
#define IDC_REMOTE_PRINTERS 7
#define IDC_REMOTE_JOBS     8
#define IDC_STATUS_REGION   9   /* the status message, for screen readers */
#define IDC_LIST_NAME       (-1) /* the hidden label that names a list */

/* Menu commands */
#define IDM_EXIT            40002
#define IDM_SET_DEFAULT     40003
#define IDM_SHOW_REMOTE     40004
#define IDM_PRINT           40005
#define IDM_SHOW_DEFAULT    40007
#define IDM_ABOUT           40008

/* Timers of the main window */
#define TIMER_STATUS        1
#define TIMER_CLOCK         2

/* Kinds of status message */
#define STATUS_ERROR        1
#define STATUS_INFO         3

/* Panels, as BuildSelectedPrinterPath takes them */
#define PANEL_LOCAL         0
#define PANEL_REMOTE        1

#endif
