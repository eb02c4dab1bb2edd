// The APOP builder on any greeting, user and password (the input's parts, split at zero bytes):
// a command exactly when the greeting has a "<" with a ">" after its last one, and then exactly
// "APOP user digest\r\n" with the digest of that timestamp followed by the password.
#include "crypto/md5.h"
#include "mailcheck/apop.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    input += std::string(3, '\0');
    const char *greeting = input.c_str();
    const char *user = greeting + strlen(greeting) + 1;
    const char *password = user + strlen(user) + 1;

    const char *open = strrchr(greeting, '<');
    const char *close = open ? strrchr(open, '>') : NULL;
    char *command = buildApopCommand(greeting, user, password);
    if ((command != NULL) != (close != NULL))
        abort();
    if (!command)
        return 0;

    std::string digestInput = std::string(open, close + 1) + password;
    unsigned char digest[16];
    md5Digest(digestInput.data(), digestInput.size(), digest);
    std::string expected = std::string("APOP ") + user + " ";
    for (unsigned char byte : digest) {
        expected += "0123456789abcdef"[byte >> 4];
        expected += "0123456789abcdef"[byte & 15];
    }
    expected += "\r\n";
    if (expected.size() + 1 != strlen(user) + 41 || expected != command)
        abort();
    releaseBlock(command);
    return 0;
}
