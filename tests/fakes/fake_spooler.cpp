#include "fakes/spooler.h"
#include "fakes/fakes.h"

#include <string.h>

namespace fake {
Spooler &spooler()
{
    static Spooler s;
    return s;
}
void ResetSpooler()
{
    spooler() = Spooler();
}
} // namespace fake

namespace {

// Lays out n fixed records and their strings into buf (or only measures
// when buf is null). Returns the bytes needed.
class Layout {
  public:
    Layout(BYTE *buf, size_t fixed) : buf_(buf), end_(fixed) {}
    LPSTR Put(const fake::Text &text)
    {
        if (!text)
            return nullptr;
        size_t at = end_;
        end_ += text->size() + 1;
        if (!buf_)
            return nullptr;
        memcpy(buf_ + at, text->c_str(), text->size() + 1);
        return reinterpret_cast<LPSTR>(buf_ + at);
    }
    size_t Size() const { return end_; }

  private:
    BYTE *buf_;
    size_t end_;
};

void FillInfo2(PRINTER_INFO_2A *r, Layout &lay, const fake::Printer &p)
{
    PRINTER_INFO_2A rec = {};
    rec.pServerName = lay.Put(p.server);
    rec.pPrinterName = lay.Put(p.printer);
    rec.pShareName = lay.Put(p.share);
    rec.pPortName = lay.Put(p.port);
    rec.pDriverName = lay.Put(p.driver);
    rec.pComment = lay.Put(p.description);
    rec.Attributes = p.attributes;
    rec.cJobs = p.cJobs.value_or((DWORD)p.jobs.size());
    if (r)
        *r = rec;
}

size_t LayPrinters(BYTE *buf, DWORD level, const std::vector<fake::Printer> &list)
{
    size_t each = level == 1 ? sizeof(PRINTER_INFO_1A) : sizeof(PRINTER_INFO_2A);
    Layout lay(buf, each * list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (level == 1) {
            PRINTER_INFO_1A rec = {};
            rec.Flags = PRINTER_ENUM_CONTAINER;
            rec.pDescription = lay.Put(list[i].description);
            rec.pName = lay.Put(list[i].printer);
            if (buf)
                reinterpret_cast<PRINTER_INFO_1A *>(buf)[i] = rec;
        } else {
            FillInfo2(buf ? reinterpret_cast<PRINTER_INFO_2A *>(buf) + i : nullptr, lay, list[i]);
        }
    }
    return lay.Size();
}

const fake::Printer *PrinterOf(HANDLE h)
{
    auto it = fake::spooler().live.find(h);
    if (it == fake::spooler().live.end())
        return nullptr;
    auto p = fake::spooler().printers.find(it->second);
    if (p != fake::spooler().printers.end())
        return &p->second;
    return fake::spooler().anyPrinter ? &*fake::spooler().anyPrinter : nullptr;
}

} // namespace

extern "C" {

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed,
                          LPDWORD returned)
{
    fake::Spooler &s = fake::spooler();
    s.enumCalls.push_back({flags, name ? fake::Text(name) : fake::Text(), level, cb, buf != nullptr});
    fake::Events().push_back("EnumPrinters " + std::to_string(flags));
    static const std::vector<fake::Printer> none;
    auto it = s.answers.find(flags);
    const std::vector<fake::Printer> &list = it == s.answers.end() ? none : it->second;

    size_t size = list.empty() ? 0 : LayPrinters(nullptr, level, list);
    *needed = (DWORD)size;
    *returned = 0;
    if (size > cb || (size && !buf)) {
        if (s.grows > 0 && it != s.answers.end()) { // another printer comes meanwhile
            --s.grows;
            fake::Printer more = list.back();
            more.share = more.share.value_or("") + "+";
            it->second.push_back(more);
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (s.failEnumFill) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (size)
        LayPrinters(buf, level, list);
    *returned = s.claimedCount.value_or((DWORD)list.size());
    return TRUE;
}

BOOL WINAPI OpenPrinterA(LPSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSA defaults)
{
    (void)defaults;
    fake::Spooler &s = fake::spooler();
    s.opened.push_back(name ? name : "");
    fake::Events().push_back("OpenPrinter");
    *handle = NULL;
    if (s.failOpen || !name || (!s.printers.count(name) && !s.anyPrinter)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    static INT_PTR next = 0x5000;
    *handle = (HANDLE)(next += 4);
    s.live[*handle] = name;
    ++s.opens;
    return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE h)
{
    fake::Spooler &s = fake::spooler();
    fake::Events().push_back("ClosePrinter");
    if (!s.live.erase(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ++s.closes;
    return TRUE;
}

BOOL WINAPI GetPrinterA(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed)
{
    fake::Spooler &s = fake::spooler();
    const fake::Printer *p = PrinterOf(h);
    *needed = 0;
    if (!p || level != 2) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Layout measure(nullptr, sizeof(PRINTER_INFO_2A));
    FillInfo2(nullptr, measure, *p);
    *needed = s.zeroPrinterSize ? 0 : (DWORD)measure.Size();
    if (!buf || cb < measure.Size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (s.failGetPrinter) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Layout lay(buf, sizeof(PRINTER_INFO_2A));
    FillInfo2(reinterpret_cast<PRINTER_INFO_2A *>(buf), lay, *p);
    return TRUE;
}

BOOL WINAPI SetPrinterA(HANDLE h, DWORD level, LPBYTE buf, DWORD command)
{
    fake::Spooler &s = fake::spooler();
    fake::Events().push_back("SetPrinter");
    if (!PrinterOf(h) || level != 2 || !buf || command != 0 || s.failSetPrinter) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const PRINTER_INFO_2A *rec = reinterpret_cast<const PRINTER_INFO_2A *>(buf);
    s.setAttributes.push_back(rec->Attributes);
    s.setPrinterNames.push_back(rec->pPrinterName ? rec->pPrinterName : "");
    return TRUE;
}

BOOL WINAPI EnumJobsA(HANDLE h, DWORD first, DWORD count, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed,
                      LPDWORD returned)
{
    fake::Spooler &s = fake::spooler();
    const fake::Printer *p = PrinterOf(h);
    *needed = 0;
    *returned = 0;
    if (!p || level != 2) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s.jobCounts.push_back(count);
    size_t n = p->jobs.size() > first ? p->jobs.size() - first : 0;
    if (n > count)
        n = count;
    Layout measure(nullptr, n * sizeof(JOB_INFO_2A));
    for (size_t i = 0; i < n; ++i)
        measure.Put(p->jobs[first + i].document);
    *needed = (DWORD)measure.Size();
    if ((!buf || cb < measure.Size()) && s.grows > 0) { // another job comes meanwhile
        --s.grows;
        std::vector<fake::Job> &jobs = const_cast<fake::Printer *>(p)->jobs; // first in line, and longer each time
        jobs.insert(jobs.begin(), {(DWORD)(1000 + jobs.size()), std::string(20 + 10 * jobs.size(), 'j')});
    }
    if (!buf) {
        if (s.jobSizeError) {
            SetLastError(s.jobSizeError);
            return FALSE;
        }
        if (s.jobSizeSucceeds || n == 0)
            return TRUE;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (cb < measure.Size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (s.failEnumJobs) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Layout lay(buf, n * sizeof(JOB_INFO_2A));
    JOB_INFO_2A *recs = reinterpret_cast<JOB_INFO_2A *>(buf);
    for (size_t i = 0; i < n; ++i) {
        JOB_INFO_2A rec = {};
        rec.JobId = p->jobs[first + i].id;
        rec.pDocument = lay.Put(p->jobs[first + i].document);
        recs[i] = rec;
    }
    *returned = s.claimedJobs.value_or((DWORD)n);
    return TRUE;
}

} // extern "C"
