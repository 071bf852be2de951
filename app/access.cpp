// Keyboard and screen readers: the lists' names and tab stops, the focus kept
// across activation, the status line spoken, and contrast themes.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"

#include <oleacc.h>

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace {

// Written out here: mingw-w64's import libraries give some of these as
// import stubs rather than the GUIDs themselves.
const CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const int kLivePolite = 1; // LiveSetting's Polite

struct ListName {
    int id;
    const wchar_t *name;
};

// The headings that a sighted user reads above each list; the remote panel's
// say so, as the two panels are told apart by ear.
const ListName kNames[] = {
    {IDC_LOCAL_SERVERS, L"Server's Name"},
    {IDC_LOCAL_PRINTERS, L"Printer's Share Name"},
    {IDC_LOCAL_JOBS, L"Jobs Running"},
    {IDC_REMOTE_SERVERS, L"Remote Server's Name"},
    {IDC_REMOTE_PRINTERS, L"Remote Printer's Share Name"},
    {IDC_REMOTE_JOBS, L"Remote Jobs Running"},
};

const ListName *NameOf(int id)
{
    for (const ListName &n : kNames)
        if (n.id == id)
            return &n;
    return NULL;
}

HWND s_hwndStatusRegion;          // holds the status message for screen readers
HWND s_hwndFocus;                 // the list that had the focus when the window was left
bool s_bMarkTried;                // the live region is marked at the first message
IAccPropServices *s_pAccProps;    // kept while the mark stands, to clear it

void MarkLiveRegion(void)
{
    UseCom();
    void *props = NULL;
    if (SUCCEEDED(CoCreateInstance(kAccPropServices, NULL, CLSCTX_INPROC_SERVER, kIAccPropServices, &props))) {
        s_pAccProps = (IAccPropServices *)props;
        VARIANT polite;
        polite.vt = VT_I4;
        polite.lVal = kLivePolite;
        // Wine answers E_NOTIMPL, Windows 7 may refuse: NVDA hears the
        // event all the same, so nothing else changes.
        if (FAILED(s_pAccProps->SetHwndProp(s_hwndStatusRegion, (DWORD)OBJID_CLIENT, CHILDID_SELF,
                                            kLiveSettingProperty, polite))) {
            s_pAccProps->Release();
            s_pAccProps = NULL;
        }
    }
}

} // namespace

// Windows' oleacc names a list by the static just before it in z-order,
// shown or not; Wine's by the list's own text. Both are given, so either
// reads the same name; only the order counts, not the hidden label's place.
// Made wide: the names go to the screen reader as UTF-16 whatever the code
// page.
void CreateListLabel(HWND hwnd, int id)
{
    const ListName *n = NameOf(id);
    if (n)
        CreateWindowExW(0, L"static", n->name, WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, hwnd,
                        (HMENU)(INT_PTR)IDC_LIST_NAME, g_hInstance, NULL);
}

void MakeListReachable(HWND list, int id)
{
    const ListName *n = NameOf(id);
    if (!list || !n)
        return;
    SetWindowTextW(list, n->name);
    SetWindowLongPtrA(list, GWL_STYLE, GetWindowLongPtrA(list, GWL_STYLE) | WS_TABSTOP);
}

// One pixel on the window's background that draws nothing (its owner leaves
// WM_DRAWITEM to the default): UI Automation skips a hidden or empty window,
// and the status line keeps its own drawing. No prefix, so that a message
// with an ampersand gives the dialog manager no mnemonic.
void CreateStatusRegion(HWND hwnd)
{
    s_hwndStatusRegion = CreateWindowExW(0, L"static", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_NOPREFIX,
                                         0, 0, 1, 1, hwnd, (HMENU)(INT_PTR)IDC_STATUS_REGION, g_hInstance, NULL);
}

void AnnounceStatus(const char *text)
{
    if (!s_hwndStatusRegion)
        return;
    if (!s_bMarkTried) { // COM and oleacc load at the first message, not at start
        s_bMarkTried = true;
        MarkLiveRegion();
    }
    SetWindowTextA(s_hwndStatusRegion, text);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, s_hwndStatusRegion, OBJID_CLIENT, CHILDID_SELF);
}

void SilenceStatus(void)
{
    if (s_hwndStatusRegion)
        SetWindowTextA(s_hwndStatusRegion, "");
}

void ReleaseAccessibility(void)
{
    if (s_pAccProps) {
        MSAAPROPID live = kLiveSettingProperty;
        s_pAccProps->ClearHwndProps(s_hwndStatusRegion, (DWORD)OBJID_CLIENT, CHILDID_SELF, &live, 1);
        s_pAccProps->Release();
        s_pAccProps = NULL;
    }
    s_bMarkTried = false;
    s_hwndStatusRegion = s_hwndFocus = NULL;
}

// Called as the window is deactivated: the focus is still where it was.
void SaveListFocus(HWND hwnd)
{
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd, focus))
        s_hwndFocus = focus;
}

// The default handling of activation gives the main window itself the focus;
// it goes on to the list that had it, or to the local server list.
void RestoreListFocus(void)
{
    HWND to = s_hwndFocus && IsWindowVisible(s_hwndFocus) ? s_hwndFocus : g_hwndLocalServers;
    if (to)
        SetFocus(to);
}

void LeaveRemoteLists(void)
{
    HWND focus = GetFocus();
    if (focus && (focus == g_hwndRemoteServers || focus == g_hwndRemotePrinters || focus == g_hwndRemoteJobs))
        SetFocus(g_hwndLocalServers);
}

bool HighContrast(void)
{
    HIGHCONTRASTA hc;
    hc.cbSize = sizeof hc;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}
