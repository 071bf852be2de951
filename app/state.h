// Process-wide window state of Zelvane.
#ifndef ZELVANE_STATE_H
#define ZELVANE_STATE_H

#include <windows.h>

extern HINSTANCE g_hInstance;         // module instance, for windows, dialogs and resources
extern HWND g_hwndMain;               // the main window, for the dialog manager's keys
extern UINT g_uDpi;                   // the main window's DPI; the layout's numbers are at 96
extern int g_bRemoteHidden;           // 1 while the remote panel is hidden (collapsed layout)
extern HWND g_hwndLocalServers;       // local panel: server list
extern HWND g_hwndLocalPrinters;      // local panel: printer list (share names)
extern HWND g_hwndLocalJobs;          // local panel: job list
extern HWND g_hwndRemoteFrame;        // remote panel: group box
extern HWND g_hwndRemoteServers;      // remote panel: server list
extern HWND g_hwndRemotePrinters;     // remote panel: printer list (last part of printer names)
extern HWND g_hwndRemoteJobs;         // remote panel: job list
extern DWORD g_cPrinters;             // records of the last local enumeration
extern char g_szPrinterPath[300];     // \\server\printer; written only by BuildSelectedPrinterPath

#endif
