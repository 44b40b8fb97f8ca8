#include "startlist/PassagesCsv.h"

#include "records/clsFile.h"
#include "startlist/CsvText.h"

#include <QHash>

QByteArray BuildPassagesCsv(const QVector<qint32>& bibs, const PassageTimeOf& timeOf, const StartList& names) {
    QByteArray csv = CsvLine({QStringLiteral("position"), QStringLiteral("bib"), QStringLiteral("time"),
                              QStringLiteral("name"), QStringLiteral("category"), QStringLiteral("lap")});
    QHash<qint32, qint32> laps;
    for (qint32 index = 0; index < bibs.size(); ++index) {
        const qint32 bib = bibs[index];
        // As the times file holds it ("+00:00", never "Z"): the same instant reads the same in every
        // file of the race, and a million passages need no formatting.
        const QString time = timeOf ? QString::fromLatin1(timeOf(index)) : QString();
        const StartListEntry* entry = names.Find(bib);
        csv += CsvLine({QString::number(index + 1), QString::number(bib), time, entry ? entry->name : QString(),
                        entry ? entry->category : QString(), bib > 0 ? QString::number(++laps[bib]) : QString()});
    }
    return csv;
}

QByteArray PassagesCsvOf(const clsFile& records, const StartList& names) {
    QVector<qint32> bibs;
    bibs.reserve(records.Count());
    for (qint32 index = 0; index < records.Count(); ++index)
        bibs.append(records.GetRecord(index).Bib);
    return BuildPassagesCsv(
        bibs, [&records](qint32 index) { return records.PassageTimeText(index); }, names);
}
