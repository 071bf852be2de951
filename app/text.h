// Bounded text handling. Every name that Zelvane shows may come from another
// machine, so every copy and composition here takes the size of its
// destination and cuts the text to fit, always leaving it terminated.
// Nothing here needs a window or the spooler.
#ifndef ZELVANE_TEXT_H
#define ZELVANE_TEXT_H

#include <stddef.h>

// Copies src (a null src counts as empty) into dst of cb bytes, cut to cb - 1
// characters. Returns the length written. Does nothing when cb is 0.
size_t CopyText(char *dst, size_t cb, const char *src);

// Appends src to the text already in dst, cut to fit cb bytes.
size_t AppendText(char *dst, size_t cb, const char *src);

// dst = head followed directly by tail, cut to fit cb bytes. dst must not
// overlap head or tail.
size_t ComposeText(char *dst, size_t cb, const char *head, const char *tail);

// dst = server, a backslash and printer, cut to fit cb bytes. dst must not
// overlap server or printer.
size_t ComposePrinterPath(char *dst, size_t cb, const char *server, const char *printer);

// The part of a printer name after its last backslash; the whole name when
// it holds none. A null name gives "".
const char *LastNamePart(const char *name);

// The server part of a browse description: leading backslashes skipped, then
// everything up to the next backslash or the end. Cut to fit cb bytes.
size_t ServerPartOfDescription(const char *description, char *dst, size_t cb);

// "<id> - <document>", cut to fit cb bytes; a null document counts as empty.
size_t FormatJobEntry(char *dst, size_t cb, long id, const char *document);

// Cuts a profile device value ("name,driver,port") after its first token, as
// strtok(value, ",") would, keeping any leading commas in place. Returns 1
// when the value holds a token, 0 when it is empty or made only of commas
// (it is then left as it was).
int CutDeviceName(char *value);

#endif
