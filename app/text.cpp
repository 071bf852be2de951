#include "app/text.h"

#include <stdio.h>
#include <string.h>

size_t CopyText(char *dst, size_t cb, const char *src)
{
    if (cb == 0)
        return 0;
    size_t n = 0;
    if (src)
        while (n + 1 < cb && src[n] != '\0') {
            dst[n] = src[n];
            ++n;
        }
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

size_t ComposeText(char *dst, size_t cb, const char *head, const char *tail)
{
    CopyText(dst, cb, head);
    return AppendText(dst, cb, tail);
}

size_t ComposePrinterPath(char *dst, size_t cb, const char *server, const char *printer)
{
    CopyText(dst, cb, server);
    AppendText(dst, cb, "\\");
    return AppendText(dst, cb, printer);
}

const char *LastNamePart(const char *name)
{
    if (!name)
        return "";
    const char *slash = strrchr(name, '\\');
    return slash ? slash + 1 : name;
}

size_t ServerPartOfDescription(const char *description, char *dst, size_t cb)
{
    if (cb == 0)
        return 0;
    const char *p = description ? description : "";
    while (*p == '\\')
        ++p;
    size_t n = 0;
    while (n + 1 < cb && p[n] != '\0' && p[n] != '\\') {
        dst[n] = p[n];
        ++n;
    }
    dst[n] = '\0';
    return n;
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
