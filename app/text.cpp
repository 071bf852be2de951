#include "app/text.h"

#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool g_utf8;       // the code page is UTF-8
bool g_lead[256];  // lead bytes of a double-byte code page

bool InRange(unsigned char c, unsigned char low, unsigned char high)
{
    return c >= low && c <= high;
}

// The well-formed sequences of UTF-8: no overlong forms, no surrogates,
// nothing beyond U+10FFFF. Reads no further than the first byte that breaks
// the sequence, so never past the terminator.
size_t Utf8Size(const unsigned char *s)
{
    unsigned char c = s[0], low = 0x80, high = 0xBF;
    size_t n;
    if (c < 0x80)
        return 1;
    if (InRange(c, 0xC2, 0xDF)) {
        n = 2;
    } else if (InRange(c, 0xE0, 0xEF)) {
        n = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (InRange(c, 0xF0, 0xF4)) {
        n = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    if (!InRange(s[1], low, high))
        return 1;
    for (size_t i = 2; i < n; ++i)
        if (!InRange(s[i], 0x80, 0xBF))
            return 1;
    return n;
}

// The length in bytes of the character that begins at s, 0 at the end of the
// text. A byte that begins no whole character counts as one.
size_t CharSize(const char *s)
{
    const unsigned char *u = (const unsigned char *)s;
    if (u[0] == 0)
        return 0;
    if (g_utf8)
        return Utf8Size(u);
    return g_lead[u[0]] && u[1] != 0 ? 2 : 1;
}

} // namespace

void SetTextCodePage(unsigned codePage, const unsigned char *leadByteRanges, size_t cbRanges)
{
    g_utf8 = codePage == 65001;
    memset(g_lead, 0, sizeof g_lead);
    for (size_t i = 0; leadByteRanges && i + 1 < cbRanges && leadByteRanges[i]; i += 2) // no range starts at 0
        for (unsigned c = leadByteRanges[i]; c <= leadByteRanges[i + 1]; ++c)
            g_lead[c] = true;
}

#ifdef _WIN32
void UseProcessCodePage(void)
{
    CPINFO info;
    bool known = GetCPInfo(CP_ACP, &info) != 0;
    SetTextCodePage(GetACP(), known ? info.LeadByte : NULL, sizeof info.LeadByte);
}
#endif

size_t CopyText(char *dst, size_t cb, const char *src)
{
    if (cb == 0)
        return 0;
    size_t n = 0;
    for (size_t len; src && (len = CharSize(src + n)) != 0 && n + len < cb; n += len)
        memcpy(dst + n, src + n, len);
    dst[n] = '\0';
    return n;
}

size_t AppendText(char *dst, size_t cb, const char *src)
{
    if (cb == 0)
        return 0;
    size_t len = strnlen(dst, cb - 1);
    return len + CopyText(dst + len, cb - len, src);
}

// Once the head is cut, nothing follows it: a shorter character of the tail
// might still fit, and make another name of the two.
size_t ComposeText(char *dst, size_t cb, const char *head, const char *tail)
{
    size_t n = CopyText(dst, cb, head);
    if (head && head[n] != '\0')
        return n;
    return AppendText(dst, cb, tail);
}

size_t ComposePrinterPath(char *dst, size_t cb, const char *server, const char *printer)
{
    size_t n = CopyText(dst, cb, server);
    if (server && server[n] != '\0')
        return n;
    AppendText(dst, cb, "\\");
    return AppendText(dst, cb, printer);
}

const char *LastNamePart(const char *name)
{
    if (!name)
        return "";
    // Character by character: in a double-byte code page the second byte of
    // a character may be a backslash's.
    const char *part = name;
    for (const char *p = name; *p; p += CharSize(p))
        if (*p == '\\')
            part = p + 1;
    return part;
}

size_t ServerPartOfDescription(const char *description, char *dst, size_t cb)
{
    if (cb == 0)
        return 0;
    const char *p = description ? description : "";
    while (*p == '\\')
        ++p;
    size_t n = 0;
    for (size_t len; (len = CharSize(p + n)) != 0 && p[n] != '\\' && n + len < cb; n += len)
        memcpy(dst + n, p + n, len);
    dst[n] = '\0';
    return n;
}

size_t ComputerNameOf(const unsigned short *text, size_t cch)
{
    size_t n = 0, cbUtf8 = 0;
    for (; n < cch && text[n] != '/' && text[n] != '\\'; ++n) {
        unsigned c = text[n];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c < 0x80 && strchr(":*?\"<>|", (int)c)))
            return 0;
        if (c >= 0xD800 && c < 0xDC00) { // a pair: 4 bytes
            if (n + 1 == cch || text[n + 1] < 0xDC00 || text[n + 1] >= 0xE000)
                return 0;
            ++n;
            cbUtf8 += 4;
        } else if ((c >= 0xDC00 && c < 0xE000) || c >= 0xFFFD) { // U+FFFD: bytes that were no text
            return 0;
        } else {
            cbUtf8 += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return cbUtf8 <= 63 ? n : 0;
}

size_t FormatJobEntry(char *dst, size_t cb, long id, const char *document)
{
    if (cb == 0)
        return 0;
    char number[24];
    snprintf(number, sizeof number, "%ld - ", id);
    return ComposeText(dst, cb, number, document);
}

int CutDeviceName(char *value)
{
    char *token = value + strspn(value, ",");
    if (*token == '\0')
        return 0;
    char *comma = strchr(token, ',');
    if (comma)
        *comma = '\0';
    return 1;
}
