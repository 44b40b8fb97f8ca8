#include "records/FileHelpers.h"

#include "app/DataFiles.h"
#include "app/ErrorInfo.h"
#include "app/Settings.h"
#include "records/DurableFile.h"
#include "records/FileNameCase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

bool FileExists(const QString& path) {
    if (path.trimmed().isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isDir())
        return false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    return file.error() == QFileDevice::PermissionsError && info.exists();
}

QByteArray ReadWholeFile(const QString& path) {
    if (!FileExists(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise(ErrorNumber::PermissionDenied, QStringLiteral("The file \"%1\" could not be read: %2.")
                                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
    if (file.size() > kMaxRecordFileBytes)
        Raise(ErrorNumber::InvalidFileFormat,
              QStringLiteral("The file \"%1\" is %2 MB large and cannot be a record file.")
                  .arg(QDir::toNativeSeparators(path))
                  .arg(file.size() / (1024 * 1024)));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Raise(ErrorNumber::DeviceIoError, QStringLiteral("The file \"%1\" could not be read: %2.")
                                              .arg(QDir::toNativeSeparators(path), file.errorString()));
    return bytes;
}

bool IsSameFile(const QString& target, const QString& fileName) {
    if (SameFileName(target, fileName))
        return true;
    const QString canonical = QFileInfo(target).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(fileName).canonicalFilePath();
}

void WriteWholeFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder))
        QDir().mkdir(folder); // one level only; a failure shows as the write error below
    ReplaceDurably(path, bytes);
}

QString WritableProgramFolder() {
    return OwnFilesFolder();
}
