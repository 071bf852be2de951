// The computer's name in WS-Discovery's pub:Computer text, from any units.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "app/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t cch = size / 2;
    unsigned short *text = new unsigned short[cch ? cch : 1]; // exactly the units: ASan sees a read past them
    memcpy(text, data, cch * 2);
    size_t n = ComputerNameOf(text, cch);
    // A name ends where the text does, or at its first slash or backslash.
    size_t end = 0;
    while (end < cch && text[end] != '/' && text[end] != '\\')
        ++end;
    if (n != 0 && n != end)
        __builtin_trap();
    // What is taken is whole text of a name that Windows allows, at most 63 bytes in UTF-8.
    size_t cb = 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned c = text[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c < 0x80 && strchr(":*?\"<>|", (int)c)) ||
            (c >= 0xDC00 && c < 0xE000) || c >= 0xFFFD)
            __builtin_trap();
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= n || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000)
                __builtin_trap();
            ++i, cb += 4;
        } else {
            cb += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    if (cb > 63)
        __builtin_trap();
    delete[] text;
    return 0;
}
