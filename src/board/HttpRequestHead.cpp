#include "board/HttpRequestHead.h"

#include <QList>

namespace {

bool IsTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArray("!#$%&'*+-.^_`|~").contains(c);
}

bool IsVisible(char c) {
    return c > 0x20 && c < 0x7f;
}

// Field values may hold blanks and tabs, never other control characters.
bool IsFieldValue(const QByteArray& value) {
    for (char c : value) {
        if ((c < 0x20 && c != '\t') || c == 0x7f)
            return false;
    }
    return true;
}

HttpRequestHead Invalid(int status) {
    HttpRequestHead head;
    head.state = HttpRequestHead::State::Invalid;
    head.status = status;
    return head;
}

bool HasToken(const QByteArray& value, const char* token) {
    for (const QByteArray& part : value.split(','))
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The path of a request target: origin form ("/a?b") as it is, absolute form
// ("http://host:port/a?b") from the slash after its authority; empty for any other form.
QByteArray TargetPath(const QByteArray& target) {
    if (target.startsWith('/'))
        return target;
    const qsizetype schemeEnd = target.indexOf("://");
    const QByteArray scheme = target.left(schemeEnd).toLower();
    if (schemeEnd < 0 || (scheme != "http" && scheme != "https"))
        return QByteArray();
    const qsizetype authorityEnd = target.indexOf('/', schemeEnd + 3);
    const qsizetype queryStart = target.indexOf('?', schemeEnd + 3);
    if (authorityEnd < 0 || (queryStart >= 0 && queryStart < authorityEnd))
        return '/' + (queryStart < 0 ? QByteArray() : target.mid(queryStart));
    return target.mid(authorityEnd);
}

} // namespace

HttpRequestHead ParseHttpRequestHead(const QByteArray& received, const HttpRequestLimits& limits) {
    // Empty lines before the request line are ignored (a client may end its previous body with
    // an extra line end); they still count towards the head's size.
    qsizetype start = 0;
    while (start < received.size() && start < limits.maxHeadBytes &&
           (received[start] == '\n' ||
            (received[start] == '\r' && start + 1 < received.size() && received[start + 1] == '\n')))
        start += received[start] == '\r' ? 2 : 1;
    if (start >= limits.maxHeadBytes)
        return Invalid(400);
    if (start == received.size() || (start + 1 == received.size() && received[start] == '\r'))
        return HttpRequestHead{};
    // A request starts with its method's letters: anything else (a TLS greeting, binary noise)
    // is answered at once instead of waiting for a line end that may never come.
    const qsizetype firstLineEnd = received.indexOf('\n', start);
    const QByteArray firstLine = received.mid(start, (firstLineEnd < 0 ? received.size() : firstLineEnd) - start);
    for (qsizetype i = 0; i < firstLine.size(); ++i) {
        const char c = firstLine[i];
        // A carriage return only ends the line, or ends what arrived so far.
        if (!(IsVisible(c) || c == ' ' || (c == '\r' && i == firstLine.size() - 1)))
            return Invalid(400);
    }
    if (firstLine.size() > limits.maxRequestLine)
        return Invalid(414);

    // The head ends at the first empty line (CR LF, or a bare LF).
    qsizetype end = -1;
    for (qsizetype i = firstLineEnd; i >= 0; i = received.indexOf('\n', i + 1)) {
        if (i + 1 < received.size() && received[i + 1] == '\n') {
            end = i + 2;
            break;
        }
        if (i + 2 < received.size() && received[i + 1] == '\r' && received[i + 2] == '\n') {
            end = i + 3;
            break;
        }
    }
    if (end < 0)
        return received.size() >= limits.maxHeadBytes ? Invalid(431) : HttpRequestHead{};
    if (end > limits.maxHeadBytes)
        return Invalid(431);

    QList<QByteArray> lines = received.mid(start, end - start).split('\n');
    lines.removeLast(); // after the last line feed
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    lines.removeLast(); // the blank line
    if (lines.size() - 1 > limits.maxHeaderFields)
        return Invalid(431);

    const QList<QByteArray> parts = lines.first().split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[0].size() > 16)
        return Invalid(400);
    for (char c : parts[0]) {
        if (c < 'A' || c > 'Z')
            return Invalid(400);
    }
    const QByteArray target = TargetPath(parts[1]);
    if (target.isEmpty())
        return Invalid(400);
    const QByteArray& version = parts[2];
    if (!version.startsWith("HTTP/") || version.size() != 8 || version[6] != '.')
        return Invalid(400);
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return Invalid(505);

    HttpRequestHead head;
    head.method = parts[0];
    head.path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    bool closeAsked = version == "HTTP/1.0";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Invalid(400);
        const QByteArray name = line.left(colon);
        for (char c : name) {
            if (!IsTokenChar(c))
                return Invalid(400); // also a folded line, which starts with a blank
        }
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (!IsFieldValue(value))
            return Invalid(400);
        if (name.compare("Connection", Qt::CaseInsensitive) == 0) {
            if (HasToken(value, "close"))
                closeAsked = true;
            else if (HasToken(value, "keep-alive"))
                closeAsked = false;
        } else if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            head.hasBody = head.hasBody || value != "0";
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            head.hasBody = true;
        } else if (name.compare("If-None-Match", Qt::CaseInsensitive) == 0) {
            head.ifNoneMatch = value;
        }
    }
    head.keepAlive = !closeAsked;
    head.length = end;
    head.state = HttpRequestHead::State::Complete;
    return head;
}
