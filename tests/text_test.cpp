// The bounded text helpers, on their own.
#include <gtest/gtest.h>

#include <string>

#include "app/text.h"
#include "fakes/fakes.h"

TEST(Text, CopyCutsToTheBufferAndTerminates)
{
    char buf[8];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(7u, CopyText(buf, sizeof buf, "0123456789"));
    EXPECT_STREQ("0123456", buf);
    EXPECT_EQ(0u, CopyText(buf, sizeof buf, nullptr));
    EXPECT_STREQ("", buf);
    EXPECT_EQ(0u, CopyText(buf, 0, "abc")); // nothing written at all
    EXPECT_STREQ("", buf);
}

TEST(Text, ComposeAndAppendNeverOverflow)
{
    char buf[13];
    ComposeText(buf, sizeof buf, "Printing  ", "C:\\a.txt");
    EXPECT_STREQ("Printing  C:", buf);
    ComposePrinterPath(buf, sizeof buf, "\\\\PS1", "Laser5");
    EXPECT_STREQ("\\\\PS1\\Laser5", buf);
    ComposePrinterPath(buf, sizeof buf, "\\\\PS1", "Laser55");
    EXPECT_STREQ("\\\\PS1\\Laser5", buf);
    AppendText(buf, sizeof buf, "more");
    EXPECT_STREQ("\\\\PS1\\Laser5", buf);
}

TEST(Text, LastNamePart)
{
    EXPECT_STREQ("Laser5", LastNamePart("\\\\PS1\\Laser5"));
    EXPECT_STREQ("Laser5", LastNamePart("Laser5"));
    EXPECT_STREQ("", LastNamePart("\\\\PS1\\"));
    EXPECT_STREQ("", LastNamePart(nullptr));
}

TEST(Text, ServerPartOfDescription)
{
    struct Case {
        const char *description, *part;
    } cases[] = {
        {"\\\\SERVER\\PRINTER,driver,comment", "SERVER"},
        {"SERVER, with blanks,x", "SERVER, with blanks,x"},
        {"", ""},
        {"\\\\\\", ""},
        {nullptr, ""},
    };
    for (const Case &c : cases) {
        char buf[200];
        ServerPartOfDescription(c.description, buf, sizeof buf);
        EXPECT_STREQ(c.part, buf) << (c.description ? c.description : "(null)");
    }
    char small[4] = "old";
    EXPECT_EQ(0u, ServerPartOfDescription("\\\\ABCDEF\\x", small, 0)); // no room, not even for the end
    EXPECT_STREQ("old", small);
    EXPECT_EQ(3u, ServerPartOfDescription("\\\\ABCDEF\\x", small, sizeof small));
    EXPECT_STREQ("ABC", small);
}

TEST(Text, JobEntry)
{
    char buf[300];
    FormatJobEntry(buf, sizeof buf, 7, "Report");
    EXPECT_STREQ("7 - Report", buf);
    FormatJobEntry(buf, sizeof buf, -1, nullptr);
    EXPECT_STREQ("-1 - ", buf);
    std::string longDoc(70000, 'd');
    EXPECT_EQ(299u, FormatJobEntry(buf, sizeof buf, 12, longDoc.c_str()));
    EXPECT_EQ("12 - " + std::string(294, 'd'), buf);
}

TEST(Text, DeviceNameCutLikeStrtok)
{
    struct Case {
        const char *value, *name;
        int found;
    } cases[] = {
        {"Laser,winspool,Ne00:", "Laser", 1},
        {",,Laser,winspool", ",,Laser", 1},
        {"No Comma Here", "No Comma Here", 1},
        {"My Printer,drv,port", "My Printer", 1},
        {",,,", ",,,", 0},
        {"", "", 0},
    };
    for (const Case &c : cases) {
        char buf[64];
        strcpy(buf, c.value);
        EXPECT_EQ(c.found, CutDeviceName(buf)) << c.value;
        EXPECT_STREQ(c.name, buf) << c.value;
    }
}

// A cut to fit a buffer backs up to the start of a character, by the code
// page in force; the rest of the tests run in the process's own.
TEST(Text, CutsFallBeforeACharacter)
{
    const unsigned char kShiftJis[] = {0x81, 0x9f, 0xe0, 0xfc}; // its two ranges, the last read to the end
    struct Case {
        unsigned codePage;
        const char *src;
        size_t cb;
        const char *want;
    } cases[] = {
        {65001, "Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba", 16, "Drukarka-\xc5\x81\xc3\xb3\x64"}, // Łódź, ź cut whole
        {65001, "Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba", 17, "Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba"},
        {65001, "\xe6\x89\x93\xe5\x8d\xb0\xe6\x9c\xba", 9, "\xe6\x89\x93\xe5\x8d\xb0"}, // 打印机
        {65001, "\xe6\x89\x93", 3, ""},
        {65001, "\xf0\x9f\x96\xa8x", 4, ""},                     // a character beyond the BMP
        {65001, "\xe6\x89x", 3, "\xe6\x89"},                     // a broken sequence: a byte each
        {65001, "\xed\xa0\x80", 3, "\xed\xa0"},                  // a surrogate's form is no character
        {932, "\x83\x5c\x83\x5c", 4, "\x83\x5c"},                // ソソ, whose second bytes are backslashes
        {932, "a\x83", 3, "a\x83"},                              // a lead byte at the end stands alone
        {932, "\x83\x5c\xe0\x40", 4, "\x83\x5c"},                // the last range's lead bytes too
        {1252, "\xc3\xa9", 2, "\xc3"},                           // single bytes: cut where the buffer ends
        {1252, "0123456789", 8, "0123456"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("code page " + std::to_string(c.codePage) + ", " + std::to_string(c.cb) + " bytes: " + c.src);
        SetTextCodePage(c.codePage, c.codePage == 932 ? kShiftJis : nullptr, sizeof kShiftJis);
        char buf[32];
        EXPECT_EQ(strlen(c.want), CopyText(buf, c.cb, c.src));
        EXPECT_STREQ(c.want, buf);
        ComposeText(buf, c.cb + 2, "\\\\", c.src); // the same cut behind a head
        EXPECT_EQ(std::string("\\\\") + c.want, buf);
    }
    SetTextCodePage(932, kShiftJis, sizeof kShiftJis);
    EXPECT_STREQ("\x83\x5c", LastNamePart("\\\\S\\\x83\x5c"));
    char part[8];
    ServerPartOfDescription("\\\\\x83\x5cX\\p", part, sizeof part);
    EXPECT_STREQ("\x83\x5cX", part);
    fake::kernel().codePage = 932; // the process's own, its lead bytes as the platform gives them
    UseProcessCodePage();
    EXPECT_EQ(2u, CopyText(part, 4, "\x83\x5c\x83\x5c"));
    fake::kernel().codePage = 0;
    UseProcessCodePage();
}
