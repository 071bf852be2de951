#include "app/app.h"
#include "app/text.h"

LRESULT GetListEntry(HWND hwndList, LRESULT index, char *buf, size_t cb)
{
    if (index < 0 || cb == 0)
        return LB_ERR;
    LRESULT len = SendMessageA(hwndList, LB_GETTEXTLEN, (WPARAM)index, 0);
    if (len == LB_ERR)
        return LB_ERR;
    if ((size_t)len < cb)
        return SendMessageA(hwndList, LB_GETTEXT, (WPARAM)index, (LPARAM)buf);

    // LB_GETTEXT has no size: read a long entry whole, then cut it.
    HANDLE heap = GetProcessHeap();
    char *whole = (char *)HeapAlloc(heap, HEAP_ZERO_MEMORY, (SIZE_T)len + 1);
    if (!whole)
        return LB_ERR;
    LRESULT result = SendMessageA(hwndList, LB_GETTEXT, (WPARAM)index, (LPARAM)whole);
    if (result != LB_ERR)
        result = (LRESULT)CopyText(buf, cb, whole);
    HeapFree(heap, 0, whole);
    return result;
}

LRESULT GetSelectedEntry(HWND hwndList, char *buf, size_t cb)
{
    LRESULT index = SendMessageA(hwndList, LB_GETCURSEL, 0, 0);
    if (index < 0)
        return LB_ERR;
    // An entry that can't be read is no selection: its text would be stale.
    if (GetListEntry(hwndList, index, buf, cb) == LB_ERR)
        return LB_ERR;
    return index;
}

void BeginListFill(HWND hwndList)
{
    SendMessageA(hwndList, WM_SETREDRAW, FALSE, 0);
}

// The frame too: the scroll bar may have moved while the redraw was off.
void EndListFill(HWND hwndList)
{
    SendMessageA(hwndList, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(hwndList, NULL, NULL, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}
