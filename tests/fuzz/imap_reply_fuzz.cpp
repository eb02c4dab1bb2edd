// Reading an IMAP response in pieces must give what a plain reading of the whole stream gives: it
// ends with the first line that announces no literal, after skipping the bytes of every literal
// announced, wherever the stream is split; it never touches a byte outside the buffer, and the
// judges never read past the response. The first input byte chooses the piece size, the second
// the buffer size; the rest is the stream.
#include "mailcheck/imap.h"
#include "support/session_buffers.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Reading {
    std::vector<char> buffer;
    ImapReading state = {};
    size_t used = 0;
    int ended = 0;
};

Reading read(const char *stream, size_t length, size_t piece, size_t size) {
    Reading r;
    r.buffer.assign(size, 0);
    while (r.ended == 0 && r.used < length) {
        size_t count = length - r.used < piece ? length - r.used : piece;
        size_t used = 0;
        r.ended = takeImapBytes(r.buffer.data(), size, &r.state, stream + r.used, count, &used);
        if (used > count || (r.ended == 0 && used != count))
            abort();
        r.used += used;
    }
    return r;
}

// The end of the first response, read line by line: 1 and the bytes it takes, 0 and all of them
// when it goes on, -1 and the bytes up to the announcement of a literal that would take the
// response past its bound (inputs are far shorter than the bound itself).
int reference(const std::string &stream, size_t *used) {
    for (size_t start = 0;;) {
        size_t lineFeed = stream.find('\n', start);
        *used = lineFeed == std::string::npos ? stream.size() : lineFeed + 1;
        if (lineFeed == std::string::npos)
            return 0;
        std::string line = stream.substr(start, lineFeed - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t open = line.rfind('{');
        if (line.size() < 3 || line.back() != '}' || open == std::string::npos ||
            open + 2 >= line.size() ||
            line.find_first_not_of("0123456789", open + 1) != line.size() - 1)
            return 1;
        std::string digits = line.substr(open + 1, line.size() - open - 2);
        digits.erase(0, digits.find_first_not_of('0'));
        if (digits.size() > 10 || std::stoll("0" + digits) + 2 + static_cast<long long>(lineFeed) >
                                      static_cast<long long>(kMaxImapResponseBytes))
            return -1;
        start = lineFeed + 1 + std::stoull("0" + digits);
        if (start > stream.size()) {
            *used = stream.size();
            return 0;
        }
    }
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
    if (pieces.ended != whole.ended || pieces.used != whole.used ||
        pieces.state.length != whole.state.length || pieces.buffer != whole.buffer)
        abort();
    size_t used;
    if (whole.ended != reference(std::string(stream, length), &used) || whole.used != used)
        abort();
    size_t kept = whole.state.length;
    if (kept != (used < bufferSize - 1 ? used : bufferSize - 1) ||
        std::string(whole.buffer.data(), kept) != std::string(stream, kept) ||
        whole.buffer[kept] != 0)
        abort();
    imapCondition(whole.buffer.data(), "v2");
    imapCondition(whole.buffer.data(), "*");
    imapLoginDisabled(whole.buffer.data());
    if (imapStatusUnseen(whole.buffer.data(), NULL) < -1)
        abort();
    return 0;
}
