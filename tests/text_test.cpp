// The bounded text helpers, on their own.
#include <gtest/gtest.h>

#include <string>

#include "app/text.h"

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
    char small[4];
    ServerPartOfDescription("\\\\ABCDEF\\x", small, sizeof small);
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
