#include "records/FileNameCase.h"

Qt::CaseSensitivity FileNameCase(FileNamePlatform platform) {
    return platform == FileNamePlatform::Unix ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

bool SameFileName(const QString& a, const QString& b, FileNamePlatform platform) {
    return a.compare(b, FileNameCase(platform)) == 0;
}
