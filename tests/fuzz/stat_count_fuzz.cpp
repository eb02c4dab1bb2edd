// statCount against the C library: the second blank-separated token read by strtoll, clamped to
// the range of int.
#include "mailcheck/pop3.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int referenceCount(std::string reply) {
    char *rest = NULL;
    if (!strtok_r(&reply[0], " ", &rest))
        return 0;
    const char *count = strtok_r(NULL, " ", &rest);
    if (!count)
        return 0;
    long long value = strtoll(count, NULL, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string reply(reinterpret_cast<const char *>(data), size);
    reply.resize(strlen(reply.c_str())); // the reply is used as a zero-terminated text
    if (statCount(reply.c_str()) != referenceCount(reply))
        abort();
    return 0;
}
