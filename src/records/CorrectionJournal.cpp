#include "records/CorrectionJournal.h"

#include "records/DurableFile.h"
#include "records/TimesSidecar.h"

QString JournalPath(const QString& recordFile) {
    return recordFile + QStringLiteral(".journal");
}

QByteArray JournalLine(const JournalEntry& entry) {
    const auto bib = [](const std::optional<qint32>& value) {
        return value ? QByteArray::number(*value) : QByteArray();
    };
    return TimesSidecar::FormatTime(entry.time) + ';' + entry.operation.toUtf8() + ';' +
           QByteArray::number(entry.position) + ';' + bib(entry.oldBib) + ';' + bib(entry.newBib) + "\r\n";
}

void AppendToJournal(const QString& recordFile, const JournalEntry& entry) {
    AppendDurably(JournalPath(recordFile), JournalLine(entry));
}
