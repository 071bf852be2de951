// COM on the window's thread: started when first needed, by the status line's
// mark for screen readers or by the shell's print verb, and ended once the
// message loop is over.
#include "app/app.h"

#include <objbase.h>

namespace {

bool s_bComTried;   // started once, whatever the answer
bool s_bComStarted; // CoInitializeEx succeeded, to be balanced

} // namespace

void UseCom(void)
{
    if (s_bComTried)
        return;
    s_bComTried = true;
    // A single-threaded apartment, as the shell's verbs need; no window for
    // OLE 1's DDE, which nothing here speaks.
    s_bComStarted = SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void ReleaseCom(void)
{
    if (s_bComStarted)
        CoUninitialize();
    s_bComStarted = s_bComTried = false;
}
