#include "base/DataFiles.h"

#include "base/Settings.h"

#include <QCoreApplication>
#include <QDir>
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

bool InstalledSystemWide() {
    const QString prefix = QFileInfo(QCoreApplication::applicationDirPath()).absolutePath();
    return QFileInfo::exists(prefix + QStringLiteral("/share/applications/marklog.desktop"));
}

QString OwnFilesFolder() {
    const QString beside = ApplicationPath();
    if (!InstalledSystemWide() && QFileInfo(beside).isWritable())
        return beside;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return beside;
    return QDir::toNativeSeparators(data) + QDir::separator();
}
