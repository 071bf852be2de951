// Lookups of servers that run on worker threads of their own and hand what
// they find to the window's thread, which never waits for them.
#ifndef ZELVANE_LOOKUP_H
#define ZELVANE_LOOKUP_H

#include <windows.h>

// A lookup's news to the window: wParam its serial, lParam 1 once it has ended.
#define WM_SERVERS_NEWS (WM_APP + 1)

enum { kLookupRunning, kLookupUnreached, kLookupComplete, kLookupIncomplete }; // how a lookup ended

struct Lookup; // shared by the worker and the window's thread; whichever lets go last frees it

// Server entries found together, each ended by a zero, handed over whole:
// once published, a page never changes.
struct ServerPage {
    ServerPage *next;  // the next page, once published
    char *text;        // in the ordinary heap
    size_t used, size; // bytes of text written and held
};

// A source of servers: its lookup, which the worker runs, and what the
// window's thread keeps of the one it awaits.
struct LookupSource {
    // On the worker: finds servers of subject, hands them over, and says how it ended.
    LONG (*run)(Lookup *l, const void *subject);
    const char *incomplete; // the status message of a lookup that ended incomplete, or null
    HANDLE hWork;           // set: a lookup waits in next for the worker
    Lookup *volatile next;
    bool worker;            // the worker was made; it is kept for the next lookup
    Lookup *awaited;        // the lookup that the window awaits, with its reference
    ServerPage *joined;     // its last page that joined this showing, or null
};

// The directory domain's print servers (browse/directory.cpp) and the
// computers of the local network (browse/discovery.cpp).
extern LookupSource g_directoryLookup, g_networkLookup;

// The worker's side. KeepServer adds an entry to a page (one that can't be
// kept is lost alone); HandOver publishes the page and tells the window, or
// frees it when it can't: the page is done with either way. Abandoned: the
// window let go; stop at the next step.
void KeepServer(ServerPage *page, const char *entry);
void HandOver(Lookup *l, ServerPage *page);
bool Abandoned(Lookup *l);
// "\\" and a name in UTF-16 (cch units) in the process code page, the name
// cut before a character to fit cb bytes. False when the code page lacks one
// of its characters, or it holds half of a pair: the name would become another.
bool EntryFromWide(const WCHAR *name, int cch, char *entry, size_t cb);

// The window's side. StartLookup has the source look for subject (cb bytes,
// at most kCbSubject, as the source reads it), unless its lookup still runs
// (perhaps waiting for a silent server): then the pages it found join the
// showing again. False when no lookup runs for it.
const size_t kCbSubject = 512;
bool StartLookup(LookupSource *s, HWND notify, const void *subject, size_t cb);
// The news of serial: the pages found since the last join go to join. The
// result is -1 when the source does not await that lookup, kLookupRunning
// while it runs, else how it ended: the window has let go of it then.
typedef void (*JoinProc)(const char *entries, size_t cb);
LONG TakeNews(LookupSource *s, WPARAM serial, LPARAM ended, JoinProc join);
// The news that may have been lost on the way (a full queue refuses a
// post): what it would have brought, taken as TakeNews takes it.
LONG CatchUp(LookupSource *s, JoinProc join);
// The window goes: a lookup still running is left to end alone.
void ForgetLookup(LookupSource *s);
// Whether any lookup still runs.
bool LookupsRunning(void);

#endif
