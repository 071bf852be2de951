// comdlg32 and shell32 fakes: the Open dialog and the shell's print verb.
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
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    bool sta = CoGetApartmentType(&type, &qualifier) == S_OK && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
    fake::shell().executes.push_back(
        {owner, verb ? verb : "", file ? file : "", parameters != nullptr, directory != nullptr, show, sta});
    fake::Events().push_back("ShellExecute");
    return (HINSTANCE)fake::shell().executeResult;
}

} // namespace

extern "C" {
decltype(&FakeGetOpenFileNameA) __imp_GetOpenFileNameA = FakeGetOpenFileNameA;
decltype(&FakeShellExecuteA) __imp_ShellExecuteA = FakeShellExecuteA;
}
