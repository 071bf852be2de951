// ole32 fakes: COM's start and end on a thread, logged, then done for real.
#include "fakes/fakes.h"
#include "fakes/real.h"

#include <objbase.h>

namespace {

HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD flags)
{
    fake::Events().push_back("CoInitializeEx " + std::to_string(flags));
    return REAL("ole32.dll", CoInitializeEx)(reserved, flags);
}

void WINAPI FakeCoUninitialize(void)
{
    fake::Events().push_back("CoUninitialize");
    REAL("ole32.dll", CoUninitialize)();
}

} // namespace

extern "C" {
decltype(&FakeCoInitializeEx) __imp_CoInitializeEx = FakeCoInitializeEx;
decltype(&FakeCoUninitialize) __imp_CoUninitialize = FakeCoUninitialize;
}
