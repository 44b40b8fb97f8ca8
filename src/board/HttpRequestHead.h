#pragma once

#include <QByteArray>

// How much of a request the lap board reads before it gives up on it.
struct HttpRequestLimits {
    int maxHeadBytes = 8192;   // request line and header fields, blank line included
    int maxRequestLine = 2048; // method, target and version
    int maxHeaderFields = 48;
};

// The head of one HTTP/1.x request, read from the start of what a client sent so far.
struct HttpRequestHead {
    enum class State { Incomplete, Complete, Invalid };
    State state = State::Incomplete;
    int status = 0;         // Invalid: the status to answer (400, 414, 431 or 505)
    qsizetype length = 0;   // Complete: the bytes of the head, blank line included
    QByteArray method;      // as sent: upper-case letters
    QByteArray path;        // the target without its query
    QByteArray ifNoneMatch; // the entity tag a client already holds
    bool keepAlive = false; // the client keeps the connection for another request
    bool hasBody = false;   // a body follows, which the lap board never reads
};

// Reads the head at the start of `received` within the limits. Incomplete asks for more bytes;
// Invalid says which error to answer before the connection closes.
HttpRequestHead ParseHttpRequestHead(const QByteArray& received, const HttpRequestLimits& limits = {});
