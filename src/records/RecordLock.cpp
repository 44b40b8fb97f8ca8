#include "records/RecordLock.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/FileHelpers.h"

#include <QDir>

QString RecordLockPath(const QString& recordFile) {
    return CanonicalRecordPath(recordFile) + QStringLiteral(".lock");
}

std::unique_ptr<QLockFile> LockRecordFile(const QString& recordFile) {
    auto lock = std::make_unique<QLockFile>(RecordLockPath(recordFile));
    // Held for a whole race: never stale for its age, only when its process is gone.
    lock->setStaleLockTime(0);
    QString host = QStringLiteral("?");
    qint64 process = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A short wait lets a holder that is just starting write who it is.
        if (lock->tryLock(100))
            return lock;
        if (lock->error() != QLockFile::LockFailedError)
            return nullptr;
        if (lock->getLockInfo(&process, &host, nullptr))
            break;
        // A lock that names no process was cut short as its writer died; one still being written
        // is held by its writer's file lock and stays.
        lock->removeStaleLockFile();
    }
    Raise(ErrorNumber::PermissionDenied,
          GetText(QStringLiteral("MKL_ERR_INUSE"),
                  {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(recordFile)},
                   {QStringLiteral("[host]"), host},
                   {QStringLiteral("[process]"), QString::number(process)},
                   {QStringLiteral("[path]"), QDir::toNativeSeparators(lock->fileName())}}));
}
