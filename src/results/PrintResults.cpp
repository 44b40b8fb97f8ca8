#include "results/PrintResults.h"

#include "base/DateText.h"
#include "lang/clsLanguage.h"
#include "records/PrintSheet.h"
#include "results/RaceTimeText.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

constexpr double kMargin = 15;
constexpr double kTitleTop = 10;
constexpr double kHeadTop = 22;
constexpr double kFirstRowTop = 29;
constexpr double kRowHeight = 5.5;
constexpr double kFootTop = 12; // above the lower edge

// Column widths in millimetres; the name takes what the others leave.
constexpr std::array<double, 7> kWidths = {12, 16, 0, 28, 20, 12, 30};
constexpr int kNameColumn = 2;

// A line of the list: a runner, or the heading of a category's section.
struct Line {
    const RankedRunner* runner = nullptr;
    QString heading;
};

QVector<Line> LinesOf(const RaceResult& result, bool byCategory) {
    QVector<Line> lines;
    if (!byCategory) {
        for (const RankedRunner& runner : result.runners)
            lines.append({&runner, QString()});
        return lines;
    }
    QStringList categories;
    for (const RankedRunner& runner : result.runners) {
        if (!categories.contains(runner.category))
            categories << runner.category;
    }
    std::sort(categories.begin(), categories.end(), [](const QString& a, const QString& b) {
        return a.isEmpty() != b.isEmpty() ? b.isEmpty() : QString::localeAwareCompare(a, b) < 0;
    });
    for (const QString& category : categories) {
        lines.append({nullptr, category.isEmpty() ? GetText(QStringLiteral("MKL_PR_NOCATEGORY")) : category});
        for (const RankedRunner& runner : result.runners) {
            if (runner.category == category)
                lines.append({&runner, QString()});
        }
    }
    return lines;
}

// The lines of each sheet; a heading never stays alone at the foot of a sheet.
QVector<QVector<Line>> Paginate(const QVector<Line>& lines, int rowsPerSheet) {
    QVector<QVector<Line>> sheets(1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool headingAtFoot = !lines[i].runner && sheets.last().size() == rowsPerSheet - 1;
        if (sheets.last().size() >= rowsPerSheet || headingAtFoot)
            sheets.append(QVector<Line>());
        sheets.last().append(lines[i]);
    }
    return sheets;
}

QStringList Cells(const RankedRunner& runner) {
    const QString time = runner.elapsedMsecs ? ElapsedText(*runner.elapsedMsecs)
                                             : TimeOfDayText(runner.time).left(12); // without the offset
    return {QString::number(runner.place),
            QString::number(runner.bib),
            runner.name,
            runner.category,
            runner.categoryPlace > 0 ? QString::number(runner.categoryPlace) : QString(),
            QString::number(runner.laps),
            time};
}

class ResultsSheet {
public:
    ResultsSheet(QPainter& painter, const QString& title) : m_painter(painter), m_title(title) {}

    void Paint(const QVector<Line>& lines, int number, int count) {
        const MillimetreSheet sheet(*m_painter.device());
        SetBold(true, 14);
        PrintAt(m_painter, sheet, kMargin, kTitleTop, m_title);
        SetBold(true, 9);
        const QStringList heads = {
            GetText(QStringLiteral("MKL_PR_PLACE")),    GetText(QStringLiteral("MKL_PR_BIB")),
            GetText(QStringLiteral("MKL_PR_NAME")),     GetText(QStringLiteral("MKL_PR_CATEGORY")),
            GetText(QStringLiteral("MKL_PR_CATPLACE")), GetText(QStringLiteral("MKL_PR_LAPS")),
            GetText(QStringLiteral("MKL_PR_TIME"))};
        PrintRow(sheet, kHeadTop, heads);
        const double ruleY = kFirstRowTop - 1.5;
        m_painter.drawLine(QLineF(sheet.ToDevice(kMargin, ruleY), sheet.ToDevice(sheet.Width() - kMargin, ruleY)));
        double top = kFirstRowTop;
        for (const Line& line : lines) {
            if (line.runner) {
                SetBold(false, 10);
                PrintRow(sheet, top, Cells(*line.runner));
            } else {
                SetBold(true, 11);
                PrintAt(m_painter, sheet, kMargin, top, line.heading);
            }
            top += kRowHeight;
        }
        SetBold(false, 9);
        const QString page =
            GetText(QStringLiteral("MKL_PR_PAGE"), {{QStringLiteral("[page]"), QString::number(number)},
                                                    {QStringLiteral("[pages]"), QString::number(count)}});
        PrintAt(m_painter, sheet, (sheet.Width() - TextWidthInMm(m_painter, sheet, page)) / 2,
                sheet.Height() - kFootTop, page);
    }

    static int RowsPerSheet(const QPaintDevice& device) {
        const MillimetreSheet sheet(device);
        return std::max(2, int((sheet.Height() - kFootTop - 4 - kFirstRowTop) / kRowHeight));
    }

private:
    void SetBold(bool bold, double points) {
        QFont font = m_painter.font();
        font.setBold(bold);
        m_painter.setFont(font);
        SetFontSize(m_painter, points);
    }

    // The cells of a row in their columns, each cut to its column's width.
    void PrintRow(const MillimetreSheet& sheet, double top, const QStringList& cells) {
        const double fixed = std::accumulate(kWidths.begin(), kWidths.end(), 0.0);
        const QFontMetricsF metrics(m_painter.font(), m_painter.device());
        double left = kMargin;
        for (int column = 0; column < int(kWidths.size()); ++column) {
            const double width = column == kNameColumn ? sheet.Width() - 2 * kMargin - fixed : kWidths[column];
            const double room = sheet.ToDevice(width - 2, 0).x();
            PrintAt(m_painter, sheet, left, top, metrics.elidedText(cells.value(column), Qt::ElideRight, room));
            left += width;
        }
    }

    QPainter& m_painter;
    QString m_title;
};

} // namespace

void PrintResults(const RaceResult& result, const QString& title, bool byCategory, QPrinter& printer) {
    if (result.runners.isEmpty()) {
        CheckPrinterExists(printer);
        return;
    }
    RunPrintJob(printer, [&](QPainter& painter, const NewSheetFunction& newSheet) {
        const QVector<QVector<Line>> sheets =
            Paginate(LinesOf(result, byCategory), ResultsSheet::RowsPerSheet(*painter.device()));
        ResultsSheet paper(painter, title);
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            if (i > 0)
                newSheet();
            paper.Paint(sheets[i], int(i + 1), int(sheets.size()));
        }
    });
}

QString ResultsTitle(const QString& recordFile, const QDate& raceDay) {
    return GetText(QStringLiteral("MKL_PR_TITLE"), {{QStringLiteral("[Filename]"), QFileInfo(recordFile).fileName()},
                                                    {QStringLiteral("[date]"), GeneralDateText(raceDay)}});
}
