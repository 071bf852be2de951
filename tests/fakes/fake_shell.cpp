// comdlg32, shell32 and ole32 fakes: the Open dialog, the shell's print verb
// and COM, which the verb may need, counted as it starts and ends.
#include "fakes/fakes.h"
#include "fakes/real.h"

#include <objbase.h>
#include <shellapi.h>
#include <string.h>

namespace fake {
Shell &shell()
{
    static Shell s;
    return s;
}
} // namespace fake

namespace {

BOOL WINAPI FakeGetOpenFileNameA(LPOPENFILENAMEA ofn)
{
    fake::Shell &s = fake::shell();
    s.dialogs.push_back(*ofn);
    s.initialNames.push_back(ofn->lpstrFile ? std::string(ofn->lpstrFile) : std::string());
    fake::Events().push_back("GetOpenFileName");
    if (s.onDialog)
        s.onDialog();
    if (s.realDialog)
        return REAL("comdlg32.dll", GetOpenFileNameA)(ofn);
    if (!s.chosenFile)
        return FALSE;
    if (s.chosenFile->size() + 1 > ofn->nMaxFile)
        return FALSE; // as the dialog does when the path does not fit
    memcpy(ofn->lpstrFile, s.chosenFile->c_str(), s.chosenFile->size() + 1);
    return TRUE;
}

HINSTANCE WINAPI FakeShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                   INT show)
{
    fake::shell().executes.push_back({owner, verb ? verb : "", file ? file : "", parameters != nullptr,
                                      directory != nullptr, show, fake::shell().com > 0});
    fake::Events().push_back("ShellExecute");
    return (HINSTANCE)fake::shell().executeResult;
}

// Wine's input method starts COM on a thread with windows too, so the
// apartment itself tells nothing: the program's own calls are counted.
HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD flags)
{
    HRESULT hr = REAL("ole32.dll", CoInitializeEx)(reserved, flags);
    fake::shell().com += SUCCEEDED(hr);
    return hr;
}

void WINAPI FakeCoUninitialize(void)
{
    --fake::shell().com;
    REAL("ole32.dll", CoUninitialize)();
}

} // namespace

extern "C" {
decltype(&FakeCoInitializeEx) __imp_CoInitializeEx = FakeCoInitializeEx;
decltype(&FakeCoUninitialize) __imp_CoUninitialize = FakeCoUninitialize;
decltype(&FakeGetOpenFileNameA) __imp_GetOpenFileNameA = FakeGetOpenFileNameA;
decltype(&FakeShellExecuteA) __imp_ShellExecuteA = FakeShellExecuteA;
}
