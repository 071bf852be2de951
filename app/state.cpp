#include "app/state.h"

HINSTANCE g_hInstance;
HWND g_hwndMain;
UINT g_uDpi = 96;
int g_bRemoteHidden = 1;
HWND g_hwndLocalServers;
HWND g_hwndLocalPrinters;
HWND g_hwndLocalJobs;
HWND g_hwndRemoteFrame;
HWND g_hwndRemoteServers;
HWND g_hwndRemotePrinters;
HWND g_hwndRemoteJobs;
DWORD g_cPrinters;
char g_szPrinterPath[300];
