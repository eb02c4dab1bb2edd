// The result text of a check round.
#include "mailcheck/result_text.h"

#include <cstring>

int appendText(char *text, size_t size, size_t *length, const char *part) {
    size_t partLength = strlen(part);
    if (*length + partLength >= size)
        return 0;
    memcpy(text + *length, part, partLength + 1);
    *length += partLength;
    return 1;
}

const char *decimalText(unsigned value, char (&digits)[12]) {
    char *digit = digits + sizeof digits - 1;
    *digit = '\0';
    do
        *--digit = static_cast<char>('0' + value % 10);
    while (value /= 10);
    return digit;
}

// "name ： count 通\n"; 0 when it does not fit a line buffer. The count is above 0.
static int formatLine(char *line, size_t *length, const char *name, int count) {
    char digits[12];
    *length = 0;
    line[0] = '\0';
    return appendText(line, kResultSize, length, name) &&
           appendText(line, kResultSize, length, " ： ") &&
           appendText(line, kResultSize, length,
                      decimalText(static_cast<unsigned>(count), digits)) &&
           appendText(line, kResultSize, length, " 通\n");
}

void buildResultText(char *text, const char names[kAccountSlots][kNameSize],
                     const int counts[kAccountSlots]) {
    memset(text, 0, kResultSize);
    size_t length = 0;
    for (int slot = 0; slot < kAccountSlots; slot++) {
        char line[kResultSize];
        size_t lineLength;
        if (counts[slot] > 0 && formatLine(line, &lineLength, names[slot], counts[slot]))
            appendText(text, kResultSize, &length, line);
    }
}
