// Bounded composition: copies, appends, messages, printer paths and job
// entries, into buffers of every size.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <string>

#include "app/text.h"
#include "codepage.h"

namespace {

FuzzCodePage g_cp;

// Composes the parts into a buffer of cb bytes: each part is cut as a text of
// its own, and nothing follows a part that was cut, unless appended after it.
void Guarded(size_t cb, bool appended, std::initializer_list<std::string> parts,
             size_t (*compose)(char *, size_t, const std::string &, const std::string &), const std::string &a,
             const std::string &b)
{
    std::string buf(cb + 1, '\x7f');
    size_t n = compose(&buf[0], cb, a, b);
    if (buf[cb] != '\x7f')
        __builtin_trap(); // wrote past the buffer
    if (!cb) {
        if (n)
            __builtin_trap(); // nothing composed, nothing counted
        return;
    }
    std::string expect;
    for (const std::string &part : parts) {
        size_t kept = CutLength(g_cp, part, cb - 1 - expect.size());
        expect += part.substr(0, kept);
        if (kept < part.size() && !appended)
            break;
    }
    if (n != expect.size() || strcmp(buf.c_str(), expect.c_str()) != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t cb = data[0] % 320;
    g_cp = UseFuzzCodePage(data[1]);
    size_t split = size > 2 ? (data[1] / 3u) % (size - 1) : 0;
    std::string a(reinterpret_cast<const char *>(data) + 2, split);
    std::string b(reinterpret_cast<const char *>(data) + 2 + split, size - 2 - split);
    a = a.c_str(); // as the program sees them: terminated strings
    b = b.c_str();

    Guarded(cb, false, {a, b}, [](char *d, size_t c, const std::string &x, const std::string &y) {
        return ComposeText(d, c, x.c_str(), y.c_str());
    }, a, b);
    Guarded(cb, false, {a, "\\", b}, [](char *d, size_t c, const std::string &x, const std::string &y) {
        return ComposePrinterPath(d, c, x.c_str(), y.c_str());
    }, a, b);
    Guarded(cb, true, {a, b}, [](char *d, size_t c, const std::string &x, const std::string &y) {
        CopyText(d, c, x.c_str());
        return AppendText(d, c, y.c_str());
    }, a, b);
    long id = (long)(int32_t)((uint32_t)data[0] << 24 | (uint32_t)data[1] << 8 | (uint32_t)size);
    Guarded(cb, false, {std::to_string(id) + " - ", b}, [](char *d, size_t c, const std::string &x, const std::string &y) {
        return FormatJobEntry(d, c, std::stol(x), y.c_str());
    }, std::to_string(id), b);
    return 0;
}
