// The remote panel: shown and hidden in turn, its server list filled by the
// spooler's network browse each time it is shown, and joined by the servers
// that the lookups find as they come.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"
#include "browse/lookup.h"

#include <string.h>

namespace {

LookupSource *const kSources[] = {&g_directoryLookup, &g_networkLookup};

ServerFill s_fill;    // the servers of this showing of the panel
bool s_bOpen;         // the panel is shown, and servers found for it may join
bool s_bShowing;      // the panel is being shown: nothing of its list has been seen
bool s_bEmptied;      // the list was emptied for this showing
char s_szChosen[202]; // the server selected when the list was emptied, until it joins again

// The list keeps what it had until the first server is found.
void EmptyOnce(void)
{
    if (!s_bEmptied)
        SendMessageA(s_fill.list, LB_RESETCONTENT, 0, 0);
    s_bEmptied = true;
}

// The entry whose row of the view stays put as servers join: the selected
// one if it is in view; else, in a list that the user has scrolled, the one
// at the top; else none (-1).
LRESULT AnchorOf(HWND list, LRESULT top)
{
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    LRESULT cy = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    RECT rc;
    if (sel >= top && cy > 0 && GetClientRect(list, &rc) && sel < top + (rc.bottom + cy - 1) / cy)
        return sel;
    return top > 0 ? top : -1;
}

// Servers join the list: the rows that the user sees stay where they stood.
// The anchor keeps its row of the view, as far as the list can scroll; with
// none the list shows its first rows, as it does for what joins while the
// panel is being shown. The join that empties the list finds the anchor, and
// the server that was selected, again by the fill's equality: the same
// server may come back in other letters. That server is selected again as it
// joins, its printers and jobs left as they are, once the page is in; the
// view is set after it, since the selection scrolls the list. The caret
// stays on the selection, wherever servers join.
void JoinRemoteServers(const char *entries, size_t cb)
{
    if (!s_bOpen)
        return;
    HWND list = s_fill.list;
    LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    LRESULT anchor = s_bShowing ? -1 : AnchorOf(list, top);
    LRESULT row = anchor >= 0 ? anchor - top : 0, chosen = -1;
    char szAnchor[202] = "";
    if (!s_bEmptied) {
        if (anchor >= 0 && GetListEntry(list, anchor, szAnchor, sizeof szAnchor) == LB_ERR)
            szAnchor[0] = '\0';
        if (GetSelectedEntry(list, s_szChosen, sizeof s_szChosen) == LB_ERR)
            s_szChosen[0] = '\0';
        EmptyOnce();
        anchor = -1;
    }
    for (size_t at = 0; at < cb; at += strlen(entries + at) + 1) {
        const char *entry = entries + at;
        LRESULT added = AddServerEntry(&s_fill, entry);
        if (added < 0)
            continue;
        anchor += added <= anchor; // sorted in above it
        chosen += added <= chosen;
        if (szAnchor[0] && SameServer(entry, szAnchor))
            anchor = added, szAnchor[0] = '\0';
        if (s_szChosen[0] && SameServer(entry, s_szChosen))
            chosen = added, s_szChosen[0] = '\0';
    }
    // A server sorted in above the selection moves it down but leaves the
    // caret on its row, and the keys go on from the caret: the selection is
    // set again, which takes the caret with it.
    LRESULT sel = chosen >= 0 ? chosen : SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel >= 0 && (chosen >= 0 || SendMessageA(list, LB_GETCARETINDEX, 0, 0) != sel))
        SendMessageA(list, LB_SETCURSEL, (WPARAM)sel, 0);
    LRESULT want = anchor > row ? anchor - row : 0;
    if (SendMessageA(list, LB_GETTOPINDEX, 0, 0) != want)
        SendMessageA(list, LB_SETTOPINDEX, (WPARAM)want, 0);
    PaintServerFill(&s_fill); // a page of servers listed already leaves it unpainted
}

void EndRemoteFill(void)
{
    EndServerFill(&s_fill);
    s_bOpen = false;
}

// What a lookup's news brought: the fill ends with the last lookup that
// serves it, and one that ended incomplete may say so.
void Took(HWND hwnd, const LookupSource *s, LONG result)
{
    if (!s_bOpen || result < kLookupUnreached)
        return;
    if (result == kLookupIncomplete && s->incomplete) // the servers found are listed; some are missing
        ShowStatus(hwnd, s->incomplete, STATUS_ERROR);
    for (const LookupSource *other : kSources)
        if (other->awaited)
            return;
    EndRemoteFill();
}

} // namespace

bool RemoteFillOpen(void)
{
    return s_bOpen;
}

void NoteRemoteServerChosen(void)
{
    s_szChosen[0] = '\0'; // a choice in the new list stands
}

void OnServersNews(HWND hwnd, WPARAM serial, LPARAM ended)
{
    for (LookupSource *s : kSources)
        Took(hwnd, s, TakeNews(s, serial, ended, JoinRemoteServers));
}

void OnServersTick(HWND hwnd)
{
    for (LookupSource *s : kSources)
        Took(hwnd, s, CatchUp(s, JoinRemoteServers));
}

void ForgetLookups(void)
{
    EndRemoteFill();
    for (LookupSource *s : kSources)
        ForgetLookup(s);
}

int FillRemoteServerList(HWND hwndOwner, HWND hwndList)
{
    EndRemoteFill(); // the showing before, if it was never hidden
    OnServersTick(hwndOwner); // a lookup that ended unheard is over
    BeginServerFill(&s_fill, hwndList);
    s_bOpen = s_bShowing = true;
    s_bEmptied = false;
    s_szChosen[0] = '\0';

    // The browse's servers replace the list, and its selection with it.
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_REMOTE, NULL, 1);
    const PRINTER_INFO_1A *records = (const PRINTER_INFO_1A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        char szServer[200];
        char szEntry[202];
        ServerPartOfDescription(records[i].pDescription, szServer, sizeof szServer);
        ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
        EmptyOnce();
        AddServerEntry(&s_fill, szEntry);
    }
    PaintServerFill(&s_fill);
    ReleasePrinterRecords(&pr);

    // The browse list is gone from current networks: a domain's print
    // servers are in its directory, and the computers of a network without
    // one answer WS-Discovery, each when it will. What a lookup still
    // running has found joins now; without one the fill ends here.
    bool directory = FindDirectoryServers(hwndOwner);
    if (!FindNetworkServers(hwndOwner) && !directory)
        EndRemoteFill();
    else
        OnServersTick(hwndOwner);
    s_bShowing = false;
    return 1;
}

void ToggleRemotePanel(HWND hwnd)
{
    HWND panel[] = {g_hwndRemoteFrame, g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs};

    // The flag changes first: the size handling imposes the layout it names.
    if (g_bRemoteHidden) {
        g_bRemoteHidden = 0;
        for (HWND h : panel)
            ShowWindow(h, SW_SHOW);
        FillRemoteServerList(hwnd, g_hwndRemoteServers);
        PlaceWindow(hwnd, 0, 0);
    } else {
        g_bRemoteHidden = 1;
        EndRemoteFill(); // what the lookups find now is not for a hidden list
        PlaceWindow(hwnd, 0, 0);
        LeaveRemoteLists(); // a hidden list must not keep the keys
        for (HWND h : panel)
            ShowWindow(h, SW_HIDE);
    }
    // The move repaints only what it uncovers; the labels of the other layout
    // ("Status :" moves, the lower column labels come and go) need the whole
    // client area painted afresh.
    InvalidateRect(hwnd, NULL, TRUE);
}
