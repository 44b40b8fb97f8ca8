#include "records/RecordPath.h"

#include <QDir>
#include <QFileInfo>

QString WithoutQuotes(QString path) {
    if (path.startsWith(QLatin1Char('"')))
        path.remove(0, 1);
    if (path.endsWith(QLatin1Char('"')))
        path.chop(1);
    return path;
}

QString AbsoluteRecordPath(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isRelative())
        return path;
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}
