#include "results/ResultsCsv.h"

#include "results/RaceTimeText.h"
#include "startlist/CsvText.h"

QString SpreadsheetText(const QString& text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && kFormulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
}

QByteArray ResultsCsv(const RaceResult& result) {
    QByteArray csv =
        "\xEF\xBB\xBF" + CsvLine({QStringLiteral("place"), QStringLiteral("bib"), QStringLiteral("name"),
                                  QStringLiteral("category"), QStringLiteral("category_place"), QStringLiteral("laps"),
                                  QStringLiteral("elapsed"), QStringLiteral("last_passage")});
    for (const RankedRunner& runner : result.runners)
        csv += CsvLine(
            {QString::number(runner.place), QString::number(runner.bib), SpreadsheetText(runner.name),
             SpreadsheetText(runner.category),
             runner.categoryPlace > 0 ? QString::number(runner.categoryPlace) : QString(), QString::number(runner.laps),
             runner.elapsedMsecs ? ElapsedText(*runner.elapsedMsecs) : QString(), TimeOfDayText(runner.time)});
    return csv;
}
