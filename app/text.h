// Bounded text handling. Every name that Zelvane shows may come from another
// machine, so every copy and composition here takes the size of its
// destination and cuts the text to fit, always leaving it terminated.
// Nothing here needs a window or the spooler.
//
// A text holds characters of the process code page, which may take several
// bytes each: a cut to fit a buffer falls before a character, never inside
// one.
#ifndef ZELVANE_TEXT_H
#define ZELVANE_TEXT_H

#include <stddef.h>

// How the cuts tell characters apart: one byte each (the default), UTF-8
// (code page 65001), or a double-byte code page whose lead bytes lie in
// leadByteRanges (pairs of first and last byte, ended by a 0,0 pair, as
// GetCPInfo gives them, in cbRanges bytes at most).
void SetTextCodePage(unsigned codePage, const unsigned char *leadByteRanges, size_t cbRanges);

#ifdef _WIN32
// The process code page: the one that the A functions convert through.
void UseProcessCodePage(void);
#endif


// Copies src (a null src counts as empty) into dst of cb bytes, cut to the
// whole characters that fit in cb - 1 bytes. Returns the length written in
// bytes. Does nothing when cb is 0.
size_t CopyText(char *dst, size_t cb, const char *src);

// Appends src to the text already in dst, cut to fit cb bytes.
size_t AppendText(char *dst, size_t cb, const char *src);

// dst = head followed directly by tail, cut to fit cb bytes; a head that is
// cut is followed by nothing. dst must not overlap head or tail.
size_t ComposeText(char *dst, size_t cb, const char *head, const char *tail);

// dst = server, a backslash and printer, cut to fit cb bytes as ComposeText
// cuts. dst must not overlap server or printer.
size_t ComposePrinterPath(char *dst, size_t cb, const char *server, const char *printer);

// The part of a printer name after its last backslash; the whole name when
// it holds none. A null name gives "".
const char *LastNamePart(const char *name);

// The server part of a browse description: leading backslashes skipped, then
// everything up to the next backslash or the end. Cut to fit cb bytes.
size_t ServerPartOfDescription(const char *description, char *dst, size_t cb);

// The computer's name in the text of WS-Discovery's pub:Computer ("NAME/
// Workgroup:WG", "NAME\\NotJoined"), in UTF-16 units: the units before the
// first slash or backslash. Returns their count, or 0 when no Windows
// computer can have that name: empty, one of \ / : * ? " < > |, a control
// character, half of a surrogate pair, U+FFFD (what a decoder makes of bytes
// that are no text) or a noncharacter after it, or longer than a DNS label's
// 63 bytes in UTF-8. Such a name is dropped, never cut or changed.
size_t ComputerNameOf(const unsigned short *text, size_t cch);

// "<id> - <document>", cut to fit cb bytes; a null document counts as empty.
size_t FormatJobEntry(char *dst, size_t cb, long id, const char *document);

// Cuts a profile device value ("name,driver,port") after its first token, as
// strtok(value, ",") would, keeping any leading commas in place. Returns 1
// when the value holds a token, 0 when it is empty or made only of commas
// (it is then left as it was).
int CutDeviceName(char *value);

#endif
