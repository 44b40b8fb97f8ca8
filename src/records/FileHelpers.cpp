#include "records/FileHelpers.h"

#include "base/DataFiles.h"
#include "base/ErrorInfo.h"
#include "base/Settings.h"
#include "lang/clsLanguage.h"
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

namespace {
QString ReadFailureText(const QString& path, const QString& reason) {
    return GetText(QStringLiteral("MKL_ERR_READ"), {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)},
                                                    {QStringLiteral("[reason]"), reason}});
}
} // namespace

QByteArray ReadWholeFile(const QString& path, FileIdentity* identity) {
    if (!FileExists(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise(ErrorNumber::PermissionDenied, ReadFailureText(path, file.errorString()));
    if (file.size() > kMaxRecordFileBytes)
        Raise(ErrorNumber::InvalidFileFormat,
              GetText(QStringLiteral("MKL_ERR_FILETOOLARGE"),
                      {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)},
                       {QStringLiteral("[size]"), QString::number(file.size() / (1024 * 1024))}}));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Raise(ErrorNumber::DeviceIoError, ReadFailureText(path, file.errorString()));
    if (identity)
        *identity = IdentityOf(file);
    return bytes;
}

bool IsSameFile(const QString& target, const QString& fileName) {
    if (SameFileName(target, fileName))
        return true;
    const QString canonical = QFileInfo(target).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(fileName).canonicalFilePath();
}

QString CanonicalRecordPath(const QString& path) {
    const QFileInfo info(path);
    if (const QString file = info.canonicalFilePath(); !file.isEmpty())
        return file;
    if (const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath(); !folder.isEmpty())
        return folder + QLatin1Char('/') + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

void CreateEmptyRecordFile(const QString& path) {
    ReplaceDurably(path, QByteArray());
}

QString WritableProgramFolder() {
    return OwnFilesFolder();
}
