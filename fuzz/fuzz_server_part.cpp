// The server part of a network browse description.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "app/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the buffer's size; the rest is the description.
    size_t cb = size ? data[0] % 210 : 0;
    std::string description(reinterpret_cast<const char *>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    std::string buf(cb + 1, '\x7f'); // one guard byte past the buffer
    size_t n = ServerPartOfDescription(description.c_str(), &buf[0], cb);
    if (cb) {
        if (n >= cb || strlen(buf.c_str()) != n || memchr(buf.data(), '\\', n))
            __builtin_trap();
        const char *start = description.c_str() + strspn(description.c_str(), "\\");
        if (strncmp(start, buf.c_str(), n) != 0)
            __builtin_trap();
    }
    if (buf[cb] != '\x7f')
        __builtin_trap();
    return 0;
}
