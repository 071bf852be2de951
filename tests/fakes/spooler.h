// A scripted print spooler: test definitions of the winspool calls, which
// replace the import library in the test executable. Records are laid out as
// the platform lays them: the fixed-size records first, then their strings.
#ifndef ZELVANE_TESTS_SPOOLER_H
#define ZELVANE_TESTS_SPOOLER_H

#include <windows.h>
#include <winspool.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fake {

using Text = std::optional<std::string>; // none: the field is absent (null)

struct Job {
    DWORD id;
    Text document;
};

struct Printer {
    Text server, printer, share, description, driver, port;
    DWORD attributes = 0;
    std::vector<Job> jobs;
    std::optional<DWORD> cJobs; // what GetPrinter reports; none: jobs.size()
};

struct EnumCall {
    DWORD flags;
    Text name;
    DWORD level;
    DWORD cb;
    bool buffer;
};

struct Spooler {
    // Answers to EnumPrinters, by flags.
    std::map<DWORD, std::vector<Printer>> answers;
    // Printers that OpenPrinter opens, by path.
    std::map<std::string, Printer> printers;
    // Opened for any other path, when set.
    std::optional<Printer> anyPrinter;

    // Faults.
    bool failEnumFill = false;            // the filling EnumPrinters fails
    std::optional<DWORD> claimedCount;    // the count the filling call reports
    bool failOpen = false;
    bool zeroPrinterSize = false;         // the sizing GetPrinter names 0 bytes
    bool failGetPrinter = false;          // the filling GetPrinter fails
    DWORD jobSizeError = 0;               // the sizing EnumJobs fails with this error
    bool jobSizeSucceeds = false;         // the sizing EnumJobs returns TRUE
    bool failEnumJobs = false;            // the filling EnumJobs fails
    std::optional<DWORD> claimedJobs;     // the count the filling EnumJobs reports
    bool failSetPrinter = false;
    int grows = 0;                        // the next calls each leave one more printer or job than they found

    // Records.
    std::vector<EnumCall> enumCalls;
    std::vector<std::string> opened;      // paths asked for, opened or not
    long opens = 0, closes = 0;
    std::map<HANDLE, std::string> live;   // handles open now
    std::vector<DWORD> jobCounts;         // count asked of each EnumJobs
    std::vector<DWORD> setAttributes;     // Attributes of each SetPrinter
    std::vector<std::string> setPrinterNames;
};

Spooler &spooler();
void ResetSpooler();

} // namespace fake

#endif
