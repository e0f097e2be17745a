#include "options.h"

#include <stdlib.h>
#include <string.h>

char *ExtractOption(const char *tail, const char *option)
{
    const char *found = strstr(tail, option);
    if (!found)
        return nullptr;

    const char *value = found + strlen(option);
    // A quoted value may hold spaces and ends at its closing quote; an
    // unquoted one ends at the first space, so a quoted option after it
    // does not end up inside it.
    size_t length;
    if (*value == '"') {
        value++;
        const char *close = strchr(value, '"');
        length = close ? (size_t)(close - value) : strlen(value);
    } else {
        length = strcspn(value, " ");
    }

    char *copy = (char *)calloc(length + 1, 1);
    if (copy)
        memcpy(copy, value, length);
    return copy;
}
