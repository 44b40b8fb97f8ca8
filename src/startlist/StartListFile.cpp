#include "startlist/StartListFile.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "startlist/StartListImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString StartListPath(const QString& recordFile) {
    return recordFile + QStringLiteral(".startlist.csv");
}

StartListRead ReadStartListFor(const QString& recordFile) {
    const QString path = StartListPath(recordFile);
    if (!QFileInfo::exists(path))
        return {};
    return ParseStartList(ReadWholeFile(path));
}

void SaveStartListFor(const QString& recordFile, const StartList& list) {
    ReplaceDurably(StartListPath(recordFile), FormatStartList(list));
}

void RemoveStartListFor(const QString& recordFile) {
    QFile file(StartListPath(recordFile));
    if (file.exists() && !file.remove())
        Raise(ErrorNumber::PathFileAccessError,
              GetText(QStringLiteral("MKL_ERR_STARTLISTREMOVE"),
                      {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(file.fileName())},
                       {QStringLiteral("[reason]"), file.errorString()}}));
}
