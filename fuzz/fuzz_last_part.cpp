// The last part of a printer name, cut into a remote printer entry.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "app/text.h"
#include "codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the code page; the rest is the name.
    FuzzCodePage cp = UseFuzzCodePage(size ? data[0] : 0);
    std::string name(reinterpret_cast<const char *>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    name = name.c_str();
    // The part begins after the last character that is a backslash.
    size_t start = 0;
    for (size_t at = 0; at < name.size(); at += CharLength(cp, name, at))
        if (name[at] == '\\')
            start = at + 1;
    const char *part = LastNamePart(name.c_str());
    if (part != name.c_str() + start)
        __builtin_trap();
    char entry[100];
    size_t n = CopyText(entry, sizeof entry, part);
    if (n != CutLength(cp, part, 99) || strlen(entry) != n || strncmp(entry, part, n) != 0)
        __builtin_trap();
    return 0;
}
