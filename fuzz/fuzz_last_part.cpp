// The last part of a printer name, cut into a remote printer entry.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "app/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string name(reinterpret_cast<const char *>(data), size);
    const char *part = LastNamePart(name.c_str());
    if (strchr(part, '\\') || part < name.c_str() || part > name.c_str() + strlen(name.c_str()))
        __builtin_trap();
    char entry[100];
    size_t n = CopyText(entry, sizeof entry, part);
    if (n > 99 || strlen(entry) != n || strncmp(entry, part, n) != 0)
        __builtin_trap();
    return 0;
}
