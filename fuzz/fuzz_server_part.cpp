// The server part of a network browse description.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "app/text.h"
#include "codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the buffer's size and the code page; the rest is
    // the description.
    size_t cb = size ? data[0] % 210 : 0;
    FuzzCodePage cp = UseFuzzCodePage(size > 1 ? data[1] : 0);
    std::string description(reinterpret_cast<const char *>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    description = description.c_str();
    std::string buf(cb + 1, '\x7f'); // one guard byte past the buffer
    size_t n = ServerPartOfDescription(description.c_str(), &buf[0], cb);
    if (cb) {
        // The server part ends at the first character that is a backslash.
        size_t start = strspn(description.c_str(), "\\"), end = start;
        while (end < description.size() && description[end] != '\\')
            end += CharLength(cp, description, end);
        std::string part = description.substr(start, end - start);
        if (n != CutLength(cp, part, cb - 1) || strlen(buf.c_str()) != n || part.compare(0, n, buf.c_str()) != 0)
            __builtin_trap();
    }
    if (buf[cb] != '\x7f')
        __builtin_trap();
    return 0;
}
