/* A planted DLL for the end-to-end test: loaded, it leaves a file named after
 * itself with ".mark" added, and refuses to load. Whatever loads it shows. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameA(hinst, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatA(path, ".mark");
            HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
        }
    }
    return FALSE;
}
