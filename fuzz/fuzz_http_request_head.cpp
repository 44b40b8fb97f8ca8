// Fuzz target for the lap board's request head parser, which reads what any device on the network
// sends: any bytes give Incomplete, an Invalid with an error status, or a Complete head within the
// bytes and the limits, which reads the same when nothing follows it.
#include "board/HttpRequestHead.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HttpRequestLimits limits;
    const HttpRequestHead head = ParseHttpRequestHead(received, limits);
    switch (head.state) {
    case HttpRequestHead::State::Incomplete:
        if (received.size() > limits.maxHeadBytes)
            std::abort(); // waiting for more than a head may hold
        break;
    case HttpRequestHead::State::Invalid:
        if (head.status < 400 || head.status > 505)
            std::abort();
        break;
    case HttpRequestHead::State::Complete: {
        if (head.length <= 0 || head.length > received.size() || head.length > limits.maxHeadBytes)
            std::abort();
        const HttpRequestHead alone = ParseHttpRequestHead(received.left(head.length), limits);
        if (alone.state != HttpRequestHead::State::Complete || alone.length != head.length ||
            alone.method != head.method || alone.path != head.path || alone.keepAlive != head.keepAlive)
            std::abort();
        break;
    }
    }
    return 0;
}
