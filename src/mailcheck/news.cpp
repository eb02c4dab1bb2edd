// The memory of what each account's queries have seen, and what is new.
#include "mailcheck/news.h"

#include <cstring>

void forgetMailbox(MailboxMemory *memory) {
    memset(memory, 0, sizeof *memory);
}
