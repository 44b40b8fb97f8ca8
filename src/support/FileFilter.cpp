#include "support/FileFilter.h"

#include "support/ShortenPath.h"

#include <QStringList>

QString NameFilter(const QString& text, const QString& patterns) {
    const QString spaced = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    const bool labelled = text.endsWith(QStringLiteral(" (") + spaced + QLatin1Char(')'), Qt::CaseInsensitive) ||
                          text.endsWith(QStringLiteral(" (") + patterns + QLatin1Char(')'), Qt::CaseInsensitive);
    return labelled ? text : text + QStringLiteral(" (") + spaced + QLatin1Char(')');
}

bool IsNetworkPath(const QString& path) {
    return path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"));
}

QString FolderPart(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (PathSeparators().contains(path[i]))
            return path.left(i + 1);
    }
    return QString();
}
