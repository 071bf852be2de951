// The code page of a fuzz input, and where a cut of a text must fall in it,
// found by the C library's own UTF-8 decoder rather than the program's.
#ifndef ZELVANE_FUZZ_CODEPAGE_H
#define ZELVANE_FUZZ_CODEPAGE_H

#include <locale.h>
#include <stddef.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "app/text.h"

enum FuzzCodePage { kSingleByte, kUtf8, kShiftJis };

// Selects the code page named by a byte of the input.
inline FuzzCodePage UseFuzzCodePage(unsigned char selector)
{
    static const unsigned char shiftJis[] = {0x81, 0x9f, 0xe0, 0xfc, 0, 0};
    static bool utf8Locale = setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    if (!utf8Locale)
        __builtin_trap();
    FuzzCodePage cp = (FuzzCodePage)(selector % 3);
    SetTextCodePage(cp == kUtf8 ? 65001 : cp == kShiftJis ? 932 : 1252, shiftJis, cp == kShiftJis ? sizeof shiftJis : 0);
    return cp;
}

// The length of the character at s[at]: found by the C library's UTF-8
// decoder, or for Shift-JIS a lead byte with the byte after it.
inline size_t CharLength(FuzzCodePage cp, const std::string &s, size_t at)
{
    if (cp == kUtf8) {
        mbstate_t state = {};
        wchar_t c = 0;
        size_t len = mbrtowc(&c, s.data() + at, s.size() - at, &state);
        // A byte that begins no character stands alone; so does the start of
        // a form beyond U+10FFFF, which this decoder takes.
        return len == (size_t)-1 || len == (size_t)-2 || len == 0 || (unsigned long)c > 0x10ffff ? 1 : len;
    }
    unsigned char c = (unsigned char)s[at];
    return cp == kShiftJis && ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) && at + 1 < s.size() ? 2 : 1;
}

// How many bytes of s a cut to fit limit bytes keeps: its whole characters
// that fit.
inline size_t CutLength(FuzzCodePage cp, const std::string &s, size_t limit)
{
    size_t at = 0;
    for (size_t len; at < s.size() && at + (len = CharLength(cp, s, at)) <= limit; at += len) {
    }
    return at;
}

#endif
