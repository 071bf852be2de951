// user32 fakes: device contexts, the default window procedure, timers, the
// menu colour, message boxes and the setting-change broadcast.
#include "fakes/fakes.h"
#include "fakes/real.h"

namespace fake {
User &user()
{
    static User u;
    return u;
}
} // namespace fake

namespace {

HDC WINAPI FakeGetDC(HWND hwnd)
{
    HDC hdc = REAL("user32.dll", GetDC)(hwnd);
    if (hdc)
        ++fake::user().getDC;
    return hdc;
}

int WINAPI FakeReleaseDC(HWND hwnd, HDC hdc)
{
    ++fake::user().releaseDC;
    return REAL("user32.dll", ReleaseDC)(hwnd, hdc);
}

LRESULT WINAPI FakeDefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    fake::user().defWindowProc.push_back(msg);
    return REAL("user32.dll", DefWindowProcA)(hwnd, msg, wParam, lParam);
}

DWORD WINAPI FakeGetSysColor(int index)
{
    if (index == COLOR_MENU && fake::user().menuColour)
        return *fake::user().menuColour;
    auto set = fake::user().sysColours.find(index);
    if (set != fake::user().sysColours.end())
        return set->second;
    return REAL("user32.dll", GetSysColor)(index);
}

UINT_PTR WINAPI FakeSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    fake::user().timers.push_back({hwnd, id, elapse, false});
    fake::Events().push_back("SetTimer " + std::to_string(id));
    return REAL("user32.dll", SetTimer)(hwnd, id, elapse, proc);
}

BOOL WINAPI FakeKillTimer(HWND hwnd, UINT_PTR id)
{
    fake::user().timers.push_back({hwnd, id, 0, true});
    fake::Events().push_back("KillTimer " + std::to_string(id));
    return REAL("user32.dll", KillTimer)(hwnd, id);
}

// A queue that is full when the directory's last news comes.
BOOL WINAPI FakePostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (fake::user().refuseLastNews && msg == WM_APP + 1 && lParam == 1)
        return SetLastError(ERROR_NOT_ENOUGH_QUOTA), FALSE;
    return REAL("user32.dll", PostMessageA)(hwnd, msg, wParam, lParam);
}

BOOL WINAPI FakeShowWindow(HWND hwnd, int show)
{
    if (fake::user().onShowWindow)
        fake::user().onShowWindow(hwnd, show);
    fake::Events().push_back("ShowWindow " + std::to_string(GetDlgCtrlID(hwnd)) + " " + std::to_string(show));
    return REAL("user32.dll", ShowWindow)(hwnd, show);
}

BOOL WINAPI FakeMoveWindow(HWND hwnd, int x, int y, int w, int h, BOOL repaint)
{
    fake::Events().push_back("MoveWindow " + std::to_string(x) + "," + std::to_string(y) + " " +
                             std::to_string(w) + "x" + std::to_string(h));
    return REAL("user32.dll", MoveWindow)(hwnd, x, y, w, h, repaint);
}

int WINAPI FakeMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    fake::user().messageBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    fake::Events().push_back("MessageBox");
    if (fake::user().onMessageBox)
        fake::user().onMessageBox();
    return IDOK;
}

LRESULT WINAPI FakeSendMessageTimeoutA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                       UINT timeout, PDWORD_PTR result)
{
    std::optional<std::string> section;
    if (lParam)
        section = reinterpret_cast<const char *>(lParam);
    fake::user().broadcasts.push_back({hwnd, msg, wParam, section, flags, timeout, result != nullptr});
    fake::Events().push_back("Broadcast");
    return 1;
}

HWND WINAPI FakeCreateWindowExA(DWORD exStyle, LPCSTR cls, LPCSTR text, DWORD style, int x, int y, int w, int h,
                                HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    // Recorded before the call: a window's children are made inside it.
    std::vector<fake::CreateCall> &creates = fake::user().creates;
    size_t at = creates.size();
    creates.push_back({exStyle, IS_INTRESOURCE(cls) ? std::string("#atom") : std::string(cls), text != nullptr,
                       style, x, y, w, h, parent, (INT_PTR)menu, instance, param, NULL});
    HWND result = REAL("user32.dll", CreateWindowExA)(exStyle, cls, text, style, x, y, w, h, parent, menu,
                                                      instance, param);
    fake::user().creates[at].result = result;
    return result;
}

BOOL WINAPI FakeSystemParametersInfoA(UINT action, UINT param, PVOID value, UINT winIni)
{
    if (action != SPI_GETHIGHCONTRAST || !fake::user().highContrast) // Wine's is always off
        return REAL("user32.dll", SystemParametersInfoA)(action, param, value, winIni);
    ((HIGHCONTRASTA *)value)->dwFlags = HCF_HIGHCONTRASTON;
    return TRUE;
}

void WINAPI FakeNotifyWinEvent(DWORD event, HWND hwnd, LONG object, LONG child)
{
    fake::user().winEvents.push_back({event, hwnd});
    REAL("user32.dll", NotifyWinEvent)(event, hwnd, object, child);
}

} // namespace

extern "C" {
decltype(&FakeSystemParametersInfoA) __imp_SystemParametersInfoA = FakeSystemParametersInfoA;
decltype(&FakeNotifyWinEvent) __imp_NotifyWinEvent = FakeNotifyWinEvent;
decltype(&FakeCreateWindowExA) __imp_CreateWindowExA = FakeCreateWindowExA;
decltype(&FakeGetDC) __imp_GetDC = FakeGetDC;
decltype(&FakePostMessageA) __imp_PostMessageA = FakePostMessageA;
decltype(&FakeReleaseDC) __imp_ReleaseDC = FakeReleaseDC;
decltype(&FakeDefWindowProcA) __imp_DefWindowProcA = FakeDefWindowProcA;
decltype(&FakeGetSysColor) __imp_GetSysColor = FakeGetSysColor;
decltype(&FakeSetTimer) __imp_SetTimer = FakeSetTimer;
decltype(&FakeKillTimer) __imp_KillTimer = FakeKillTimer;
decltype(&FakeShowWindow) __imp_ShowWindow = FakeShowWindow;
decltype(&FakeMoveWindow) __imp_MoveWindow = FakeMoveWindow;
decltype(&FakeMessageBoxA) __imp_MessageBoxA = FakeMessageBoxA;
decltype(&FakeSendMessageTimeoutA) __imp_SendMessageTimeoutA = FakeSendMessageTimeoutA;
}
