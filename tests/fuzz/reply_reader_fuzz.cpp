// Reading a reply line in pieces must give what reading it whole gives, wherever the stream is
// split, and never touch a byte outside the buffer. The first input byte chooses the piece size,
// the second the buffer size; the rest is the stream.
#include "mailcheck/pop3.h"
#include "support/session_buffers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Reading {
    std::vector<char> buffer;
    size_t length = 0;
    size_t used = 0;
    int ended = 0;
};

Reading read(const char *stream, size_t length, size_t piece, size_t size) {
    Reading r;
    r.buffer.assign(size, 0);
    while (!r.ended && r.used < length) {
        size_t count = length - r.used < piece ? length - r.used : piece;
        size_t used = 0;
        r.ended = takeReplyBytes(r.buffer.data(), size, &r.length, stream + r.used, count, &used);
        if (used > count || (!r.ended && used != count))
            abort();
        r.used += used;
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    size_t piece = data[0] % 64 + 1;
    size_t bufferSize = data[1] & 1 ? kReplySize : data[1] / 2 % 32 + 1; // or a small one
    const char *stream = reinterpret_cast<const char *>(data + 2);
    size_t length = size - 2;

    Reading whole = read(stream, length, length ? length : 1, bufferSize);
    Reading pieces = read(stream, length, piece, bufferSize);
    if (pieces.ended != whole.ended || pieces.used != whole.used || pieces.length != whole.length ||
        pieces.buffer != whole.buffer)
        abort();
    if (whole.length >= bufferSize || whole.buffer[whole.length] != 0)
        abort();
    // A line ends with its first LF and never takes more.
    const void *lineFeed = memchr(stream, '\n', length);
    if (whole.ended != (lineFeed != NULL))
        abort();
    if (lineFeed &&
        whole.used != static_cast<size_t>(static_cast<const char *>(lineFeed) - stream) + 1)
        abort();
    isPositiveReply(whole.buffer.data());
    statCount(whole.buffer.data());
    return 0;
}
