// The local panel's server list, the entry of this machine, and the rule that
// lists each server once.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <string.h>
#include <winsock2.h>

namespace {

const int kCchKey = 258; // an entry's UTF-16 units (never more than its bytes), behind its length and kind

WCHAR FoldAscii(char c)
{
    return (WCHAR)(BYTE)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

// The key of an entry: its length, its kind and its text in UTF-16,
// upper-cased without regard to the user's language, as Windows compares
// computer names; so \\PRINTI and \\printi are one server under a Turkish
// locale too, and characters that a linguistic comparison passes over still
// tell names apart. Bytes that are no text of the code page are their own
// key, of another kind, their ASCII letters folded. Returns the key's length
// in units, or 0 when the entry is too long for one.
int KeyOf(const char *entry, WCHAR *key)
{
    int cch = 0;
    for (char c; (c = entry[cch]) != '\0' && (BYTE)c < 0x80 && cch < kCchKey - 2; ++cch) // the usual name, in ASCII
        key[2 + cch] = FoldAscii(c);
    int cb = entry[cch] == '\0' ? cch : cch + (int)strlen(entry + cch);
    if (cb > kCchKey - 2)
        return 0;
    if (cch == cb) {
        key[1] = 1;
    } else if ((cch = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, entry, cb, key + 2, kCchKey - 2)) > 0) {
        key[1] = 1;
        // Unit by unit, as the ordinal comparison upper-cases: a surrogate
        // stays as it is.
        for (int at = 0; at < cch;) {
            int end = at;
            while (end < cch && (key[2 + end] < 0xD800 || key[2 + end] > 0xDFFF))
                ++end;
            if (end > at)
                CharUpperBuffW(key + 2 + at, (DWORD)(end - at));
            at = end + 1;
        }
    } else {
        key[1] = 2;
        for (cch = 0; cch < cb; ++cch)
            key[2 + cch] = FoldAscii(entry[cch]);
    }
    key[0] = (WCHAR)cch;
    return cch + 2;
}

DWORD HashOf(const WCHAR *key, int cch)
{
    DWORD h = 2166136261u; // FNV-1a
    for (int i = 0; i < cch; ++i)
        h = (h ^ key[i]) * 16777619u;
    return h;
}

// Doubles the slots and places every key again.
bool GrowSlots(ServerFill *fill)
{
    DWORD cSlots = fill->cSlots ? 2 * fill->cSlots : 256;
    DWORD *slots = (DWORD *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cSlots * sizeof *slots);
    if (!slots)
        return false;
    for (DWORD i = 0; i < fill->cSlots; ++i) {
        DWORD at = fill->slots[i];
        if (!at)
            continue;
        const WCHAR *key = fill->keys + at - 1;
        DWORD s = HashOf(key, key[0] + 2) & (cSlots - 1);
        while (slots[s])
            s = (s + 1) & (cSlots - 1);
        slots[s] = at;
    }
    if (fill->slots)
        HeapFree(GetProcessHeap(), 0, fill->slots);
    fill->slots = slots;
    fill->cSlots = cSlots;
    return true;
}

// Keeps the key unless the fill has it: 1 when it is kept (a server not
// listed yet), 0 when the fill had it, -1 when there is no room for it.
int KeepKey(ServerFill *fill, const WCHAR *key, int cch)
{
    if (2 * (fill->cKeys + 1) > fill->cSlots && !GrowSlots(fill))
        return -1;
    DWORD s = HashOf(key, cch) & (fill->cSlots - 1);
    for (; fill->slots[s]; s = (s + 1) & (fill->cSlots - 1)) {
        const WCHAR *other = fill->keys + fill->slots[s] - 1;
        if (other[0] == key[0] && memcmp(other, key, cch * sizeof *key) == 0)
            return 0;
    }
    size_t cbSize = fill->cchSize * sizeof(WCHAR);
    if (!GrowBlock((void **)&fill->keys, &cbSize, fill->cchUsed * sizeof(WCHAR), (fill->cchUsed + cch) * sizeof(WCHAR)))
        return -1;
    fill->cchSize = cbSize / sizeof(WCHAR);
    CopyMemory(fill->keys + fill->cchUsed, key, cch * sizeof *key);
    fill->slots[s] = (DWORD)fill->cchUsed + 1;
    fill->cchUsed += cch;
    ++fill->cKeys;
    return 1;
}

} // namespace

bool GrowBlock(void **block, size_t *cbSize, size_t cbUsed, size_t cbNeeded)
{
    if (*cbSize >= cbNeeded)
        return true;
    size_t cb = *cbSize ? *cbSize : 1024;
    while (cb < cbNeeded)
        cb *= 2;
    void *grown = HeapAlloc(GetProcessHeap(), 0, cb);
    if (!grown)
        return false;
    if (*block) {
        CopyMemory(grown, *block, cbUsed);
        HeapFree(GetProcessHeap(), 0, *block);
    }
    *block = grown;
    *cbSize = cb;
    return true;
}

void BeginServerFill(ServerFill *fill, HWND hwndList)
{
    ZeroMemory(fill, sizeof *fill);
    fill->list = hwndList;
}

// Adds to the list, its redraw off from the first add until the fill paints.
static bool AddToList(ServerFill *fill, const char *entry)
{
    if (!fill->quiet) {
        BeginListFill(fill->list);
        fill->quiet = true;
    }
    return SendMessageA(fill->list, LB_ADDSTRING, 0, (LPARAM)entry) >= 0;
}

bool AddServerEntry(ServerFill *fill, const char *entry)
{
    // "\\" alone, from a server part that is empty, names no server: every
    // entry begins with it, so it is added only into a list that is still empty.
    size_t cb = strlen(entry);
    if (cb <= 2 && strspn(entry, "\\") == cb)
        return SendMessageA(fill->list, LB_GETCOUNT, 0, 0) == 0 && AddToList(fill, entry);
    if (!fill->searchList) {
        WCHAR key[kCchKey];
        int cch = KeyOf(entry, key);
        int kept = cch ? KeepKey(fill, key, cch) : -1;
        if (kept >= 0)
            return kept == 1 && AddToList(fill, entry);
        // Out of memory, or a name longer than any entry: from here on the
        // list itself is searched, which holds every entry added so far.
        fill->searchList = true;
    }
    return SendMessageA(fill->list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry) == LB_ERR &&
           AddToList(fill, entry);
}

void PaintServerFill(ServerFill *fill)
{
    if (fill->quiet)
        EndListFill(fill->list);
    fill->quiet = false;
}

void EndServerFill(ServerFill *fill)
{
    PaintServerFill(fill);
    if (fill->keys)
        HeapFree(GetProcessHeap(), 0, fill->keys);
    if (fill->slots)
        HeapFree(GetProcessHeap(), 0, fill->slots);
    HWND list = fill->list;
    BeginServerFill(fill, list);
}

void ComposeLocalMachineEntry(char *buf, size_t cb)
{
    char szHost[20];
    bool named = false;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) == 0) {
        named = gethostname(szHost, sizeof szHost) == 0 && szHost[0] != '\0';
        WSACleanup();
    }
    if (!named) {
        // No sockets layer, or a host name over 19 characters.
        DWORD cch = sizeof szHost;
        if (!GetComputerNameA(szHost, &cch))
            szHost[0] = '\0';
    }
    ComposeText(buf, cb, "\\\\", szHost);
}

int FillLocalServerList(HWND hwndOwner, HWND hwndList)
{
    (void)hwndOwner; // silent: nothing is reported
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 2);
    g_cPrinters = pr.count;

    const PRINTER_INFO_2A *records = (const PRINTER_INFO_2A *)pr.records;
    ServerFill fill;
    BeginServerFill(&fill, hwndList);
    for (DWORD i = 0; i < pr.count; ++i) {
        char szEntry[200];
        if (records[i].pServerName)
            CopyText(szEntry, sizeof szEntry, records[i].pServerName);
        else // a printer of this machine, listed under its name
            ComposeLocalMachineEntry(szEntry, sizeof szEntry);
        AddServerEntry(&fill, szEntry);
    }
    EndServerFill(&fill);

    ReleasePrinterRecords(&pr);
    return 1;
}
