// The result text of a check round.
#include "mailcheck/result_text.h"

#include <cstring>

// Appends `part` to the line of `*length` bytes in a buffer of kResultSize bytes; 0 when it would
// not fit with the terminator.
static int appendPart(char *line, size_t *length, const char *part) {
    size_t partLength = strlen(part);
    if (*length + partLength >= kResultSize)
        return 0;
    memcpy(line + *length, part, partLength + 1);
    *length += partLength;
    return 1;
}

// "name ： count 通\n"; 0 when it does not fit a line buffer. The count is above 0.
static int formatLine(char *line, size_t *length, const char *name, int count) {
    char digits[12];
    char *digit = digits + sizeof digits - 1;
    *digit = '\0';
    for (unsigned value = static_cast<unsigned>(count); value; value /= 10)
        *--digit = static_cast<char>('0' + value % 10);
    *length = 0;
    line[0] = '\0';
    return appendPart(line, length, name) && appendPart(line, length, " ： ") &&
           appendPart(line, length, digit) && appendPart(line, length, " 通\n");
}

void buildResultText(char *text, const char names[kAccountSlots][kNameSize],
                     const int counts[kAccountSlots]) {
    memset(text, 0, kResultSize);
    size_t length = 0;
    for (int slot = 0; slot < kAccountSlots; slot++) {
        char line[kResultSize];
        size_t lineLength;
        if (counts[slot] > 0 && formatLine(line, &lineLength, names[slot], counts[slot]))
            appendPart(text, &length, line);
    }
}
