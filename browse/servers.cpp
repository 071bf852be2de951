// The local panel's server list, the entry of this machine, and the rule that
// lists each server once.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <string.h>
#include <winsock2.h>

namespace {

const int kCchKey = 256; // a key's units: an entry's (never more than its bytes, under 202) behind its length and kind
enum { kText = 1, kBytes = 2 }; // a key's kinds

WCHAR FoldAscii(WCHAR c)
{
    return c >= 'a' && c <= 'z' ? (WCHAR)(c - 'a' + 'A') : c;
}

// The key of an entry: its length in units, its kind and its text in UTF-16
// as it stands. Bytes that are no text of the code page are their own key,
// of another kind, a unit a byte, their ASCII letters folded. Returns the
// key's length in units.
int KeyOf(const char *entry, WCHAR *key)
{
    int cch = 0;
    while (entry[cch] != '\0' && (BYTE)entry[cch] < 0x80 && cch < kCchKey - 3) // the usual name, in ASCII
        key[2 + cch] = (BYTE)entry[cch], ++cch;
    key[1] = kText;
    if (entry[cch] != '\0' && (BYTE)entry[cch] >= 0x80 &&
        (cch = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, entry, -1, key + 2, kCchKey - 2) - 1) < 0) {
        key[1] = kBytes;
        for (cch = 0; entry[cch] != '\0' && cch < kCchKey - 3; ++cch)
            key[2 + cch] = FoldAscii((BYTE)entry[cch]);
    }
    key[0] = (WCHAR)cch;
    return cch + 2;
}

// Two keys name one server: texts that CompareStringOrdinal finds equal,
// letter case aside, as Windows compares computer names; bytes that are
// the same, ASCII's letter case aside.
bool SameKey(const WCHAR *a, const WCHAR *b)
{
    if (a[1] != b[1])
        return false;
    if (a[1] == kBytes)
        return a[0] == b[0] && memcmp(a + 2, b + 2, a[0] * sizeof *a) == 0;
    return CompareStringOrdinal(a + 2, a[0], b + 2, b[0], TRUE) == CSTR_EQUAL;
}

// Where unit c's class of letter case stands among those met, in the
// ordinal comparison's order; true when it is there.
bool FindClass(const ServerFill *fill, WCHAR c, size_t *at)
{
    size_t lo = 0, hi = fill->cClasses;
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        int order = CompareStringOrdinal(&c, 1, fill->classes + mid, 1, TRUE);
        if (order == CSTR_EQUAL)
            return *at = mid, true;
        if (order == CSTR_LESS_THAN)
            hi = mid;
        else
            lo = mid + 1;
    }
    *at = lo;
    return false;
}

// The place of c's class, kept now if it was not met before. False when
// there is no room for it.
bool KeepClass(ServerFill *fill, WCHAR c, size_t *at)
{
    if (FindClass(fill, c, at))
        return true;
    size_t cb = fill->cClasses * sizeof(WCHAR);
    if (!GrowBlock((void **)&fill->classes, &fill->cbClasses, cb, cb + sizeof(WCHAR)))
        return false;
    MoveMemory(fill->classes + *at + 1, fill->classes + *at, cb - *at * sizeof(WCHAR));
    fill->classes[*at] = c;
    ++fill->cClasses;
    return true;
}

// The unit that hashes for c, the same for every unit that the ordinal
// comparison holds equal to it: the first of its class met in this fill.
// ASCII's classes are met first, as their folded units, so that a unit
// equal to an ASCII letter hashes as the letter does. False when there is no
// room for a class.
bool ClassOf(ServerFill *fill, WCHAR *c)
{
    if (*c < 0x80) {
        *c = FoldAscii(*c);
        return true;
    }
    size_t at;
    if (fill->cClasses == 0)
        for (WCHAR a = 1; a < 0x80; ++a)
            if (a == FoldAscii(a) && !KeepClass(fill, a, &at))
                return false;
    if (!KeepClass(fill, *c, &at))
        return false;
    *c = fill->classes[at];
    return true;
}

// FNV-1a over the kind and the units' classes: keys that SameKey finds equal
// hash alike. False when there is no room for a class.
bool HashOf(ServerFill *fill, const WCHAR *key, DWORD *hash)
{
    DWORD h = (2166136261u ^ key[1]) * 16777619u;
    for (int i = 0; i < key[0]; ++i) {
        WCHAR c = key[2 + i];
        if (key[1] == kText && !ClassOf(fill, &c))
            return false;
        h = (h ^ c) * 16777619u;
    }
    *hash = h;
    return true;
}

// Doubles the slots and places every key again.
bool GrowSlots(ServerFill *fill)
{
    if (fill->cSlots > MAXDWORD / 2 / sizeof(ServerSlot))
        return false; // no count of slots that large, nor their size
    DWORD cSlots = fill->cSlots ? 2 * fill->cSlots : 256;
    ServerSlot *slots = (ServerSlot *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cSlots * sizeof *slots);
    if (!slots)
        return false;
    for (DWORD i = 0; i < fill->cSlots; ++i) {
        if (!fill->slots[i].at)
            continue;
        DWORD s = fill->slots[i].hash & (cSlots - 1);
        while (slots[s].at)
            s = (s + 1) & (cSlots - 1);
        slots[s] = fill->slots[i];
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
    DWORD hash;
    if (!HashOf(fill, key, &hash) || (2 * (fill->cKeys + 1) > fill->cSlots && !GrowSlots(fill)))
        return -1;
    DWORD s = hash & (fill->cSlots - 1);
    for (; fill->slots[s].at; s = (s + 1) & (fill->cSlots - 1))
        if (fill->slots[s].hash == hash && SameKey(fill->keys + fill->slots[s].at - 1, key))
            return 0;
    size_t cbSize = fill->cchSize * sizeof(WCHAR);
    if (!GrowBlock((void **)&fill->keys, &cbSize, fill->cchUsed * sizeof(WCHAR), (fill->cchUsed + cch) * sizeof(WCHAR)))
        return -1;
    fill->cchSize = cbSize / sizeof(WCHAR);
    CopyMemory(fill->keys + fill->cchUsed, key, cch * sizeof *key);
    fill->slots[s].at = (DWORD)fill->cchUsed + 1;
    fill->slots[s].hash = hash;
    fill->cchUsed += cch;
    ++fill->cKeys;
    return 1;
}

// Out of memory: the entries listed so far, one by one, by the same equality.
bool Listed(HWND list, const WCHAR *key)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char szOther[kCchKey];
        if (GetListEntry(list, i, szOther, sizeof szOther) == LB_ERR)
            continue;
        WCHAR other[kCchKey];
        KeyOf(szOther, other);
        if (SameKey(other, key))
            return true;
    }
    return false;
}

} // namespace

bool GrowBlock(void **block, size_t *cbSize, size_t cbUsed, size_t cbNeeded)
{
    if (*cbSize >= cbNeeded)
        return true;
    size_t cb = *cbSize ? *cbSize : 1024;
    while (cb < cbNeeded) {
        if (cb > (size_t)-1 / 2)
            return false; // no block that large
        cb *= 2;
    }
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

bool SameServer(const char *a, const char *b)
{
    WCHAR keyA[kCchKey], keyB[kCchKey];
    KeyOf(a, keyA);
    KeyOf(b, keyB);
    return SameKey(keyA, keyB);
}

void BeginServerFill(ServerFill *fill, HWND hwndList)
{
    ZeroMemory(fill, sizeof *fill);
    fill->list = hwndList;
}

// Adds to the list, its redraw off from the first add until the fill paints.
static LRESULT AddToList(ServerFill *fill, const char *entry)
{
    if (!fill->quiet) {
        BeginListFill(fill->list);
        fill->quiet = true;
    }
    LRESULT at = SendMessageA(fill->list, LB_ADDSTRING, 0, (LPARAM)entry);
    return at >= 0 ? at : -1;
}

LRESULT AddServerEntry(ServerFill *fill, const char *entry)
{
    // "\\" alone, from a server part that is empty, names no server: every
    // entry begins with it, so it is added only into a list that is still empty.
    size_t cb = strlen(entry);
    if (cb <= 2 && strspn(entry, "\\") == cb)
        return SendMessageA(fill->list, LB_GETCOUNT, 0, 0) == 0 ? AddToList(fill, entry) : -1;
    WCHAR key[kCchKey];
    int cch = KeyOf(entry, key);
    int kept = fill->searchList ? -1 : KeepKey(fill, key, cch);
    if (kept < 0) {
        // Out of memory: from here on the list itself is searched, which
        // holds every entry added so far.
        fill->searchList = true;
        kept = !Listed(fill->list, key);
    }
    return kept == 1 ? AddToList(fill, entry) : -1;
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
    if (fill->classes)
        HeapFree(GetProcessHeap(), 0, fill->classes);
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
