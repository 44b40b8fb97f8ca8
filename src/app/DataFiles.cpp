#include "app/DataFiles.h"

#include "app/Settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString DataFilePath(const QString& name) {
    const QString beside = ApplicationPath() + name;
    if (QFileInfo::exists(beside))
        return beside;
    // The installation prefix of this executable first, then the system's data folders.
    QStringList folders{
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/marklog")).absoluteFilePath()};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + QStringLiteral("/marklog");
    for (const QString& folder : folders) {
        const QString candidate = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return beside;
}
