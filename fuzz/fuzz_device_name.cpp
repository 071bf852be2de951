// The name part of the profile's device entry.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "app/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string value(reinterpret_cast<const char *>(data), size);
    std::string before(value.c_str());
    int found = CutDeviceName(&value[0]);
    const char *name = value.c_str();
    size_t commas = strspn(before.c_str(), ",");
    if (!found) {
        if (before.c_str()[commas] != '\0' || before != name) // only commas, left whole
            __builtin_trap();
        return 0;
    }
    // The leading commas, then the first token, nothing after it.
    size_t len = strlen(name);
    if (len <= commas || strchr(name + commas, ',') || before.compare(0, len, name) != 0)
        __builtin_trap();
    return 0;
}
