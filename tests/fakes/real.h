// The platform's own function behind a replaced import, for fakes that
// forward by default.
#ifndef ZELVANE_TESTS_REAL_H
#define ZELVANE_TESTS_REAL_H

#include <windows.h>

template <class F> F RealFunction(const char *dll, const char *name)
{
    static F real = nullptr; // one per F; every F here names one function
    if (!real)
        real = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(LoadLibraryA(dll), name)));
    return real;
}

#define REAL(dll, fn) RealFunction<decltype(&::fn)>(dll, #fn)

#endif
