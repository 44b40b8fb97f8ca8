#include "support/ShortenPath.h"

namespace {

constexpr qsizetype kShortestShortened = 36; // shorter paths stay whole
constexpr qsizetype kTailLength = 28;        // the tail search starts 28 characters before the end

bool IsSeparator(QChar c, const QString& separators) {
    return separators.contains(c);
}

// The first separator at or after a 0-based index, or -1.
qsizetype SeparatorFrom(const QString& path, qsizetype from, const QString& separators) {
    for (qsizetype i = from; i < path.size(); ++i) {
        if (IsSeparator(path[i], separators))
            return i;
    }
    return -1;
}

} // namespace

QString PathSeparators() {
#ifdef Q_OS_WIN
    return QStringLiteral("\\/");
#else
    return QStringLiteral("/");
#endif
}

QString ShortenPath(const QString& path) {
    return ShortenPath(path, PathSeparators());
}

QString ShortenPath(const QString& path, const QString& separators) {
    const qsizetype length = path.size();
    if (length < kShortestShortened)
        return path;

    // Move the search start back one character at a time from 28 characters before the end: the
    // tail begins at the first separator among the last 29 characters, else at the last one before.
    qsizetype tail = -1;
    for (qsizetype start = length - kTailLength - 1; start >= 0 && tail < 0; --start)
        tail = SeparatorFrom(path, start, separators);
    if (tail < 0)
        return path; // nothing to cut at

    const bool network = IsSeparator(path[0], separators) && IsSeparator(path[1], separators);
    qsizetype headLength = 3; // drive, colon and separator
    if (network)
        headLength = 2;
    else if (IsSeparator(path[0], separators))
        headLength = 1; // a root path without a drive letter
    return path.left(headLength) + QStringLiteral("...") + path.mid(tail);
}
