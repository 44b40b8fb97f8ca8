#include "lapcounter/LapCounting.h"

#include "base/NumericValue.h"
#include "lapcounter/LapStandings.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr QLatin1String kColumnGap("\t\t");
constexpr int kSeparatorLength = 106;

void AppendNumber(char16_t* text, qsizetype& size, qint64 value) {
    char16_t digits[20];
    int count = 0;
    quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    do {
        digits[count++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        text[size++] = u'-';
    while (count > 0)
        text[size++] = digits[--count];
}

void AppendGap(char16_t* text, qsizetype& size) {
    text[size++] = u'\t';
    text[size++] = u'\t';
}

} // namespace

LapLineWriter::LapLineWriter(double target, std::function<QString(qint32 bib)> nameOf)
    : m_target(target), m_nameOf(std::move(nameOf)) {
    const QLocale locale;
    m_plainWholeNumbers = locale.zeroDigit() == QLatin1String("0") && locale.negativeSign() == QLatin1String("-") &&
                          !(locale.numberOptions() & QLocale::IncludeTrailingZeroesAfterDot);
}

// The numbers are written straight into a buffer, the laps remaining too when they are whole and
// the locale writes plain digits (up to 15 digits DoubleText writes no exponent): formatting
// doubles through the locale would take most of a refresh's time.
QString LapLineWriter::Line(const LapRow& row) const {
    char16_t text[64];
    qsizetype size = 0;
    AppendNumber(text, size, row.Bib);
    AppendGap(text, size);
    AppendNumber(text, size, row.Laps);
    QString remaining;
    if (m_target > 0) {
        AppendGap(text, size);
        const double value = m_target - row.Laps;
        if (m_plainWholeNumbers && value == std::floor(value) && std::abs(value) < 1e15)
            AppendNumber(text, size, qint64(value));
        else
            remaining = DoubleText(value);
    }
    QString line = QString::fromUtf16(text, size);
    line += remaining;
    if (m_nameOf)
        line += kColumnGap + m_nameOf(row.Bib);
    return line;
}

QString LapList::Line(qsizetype index) const {
    return index < heading.size() ? heading.at(index) : writer.Line(rows[size_t(index - heading.size())]);
}

QStringList LapList::Lines() const {
    QStringList lines = heading;
    lines.reserve(Count());
    for (const LapRow& row : rows)
        lines.append(writer.Line(row));
    return lines;
}

void BuildLapList(const LapStandings& standings, const LapListInput& input, LapList& list) {
    list = LapList();
    const double target = NumericValue(input.targetText);
    QString heading = input.bibHeading + kColumnGap + input.lapsHeading;
    if (target > 0)
        heading += kColumnGap + input.remainingHeading;
    if (input.nameOf)
        heading += kColumnGap + input.nameHeading;
    list.heading = QStringList{heading, QString(kSeparatorLength, QLatin1Char('-'))};
    list.writer = LapLineWriter(target, input.nameOf);
    const LapRanking& ranking = standings.Ranking();
    if (ranking.Size() == 0)
        return;
    // The minimum is read only when there is a row to filter, so a faulty minimum fails after the
    // heading, as the refresh has always done.
    const qint64 listed = standings.ListedCount(NumericValue(input.minimumText));
    list.rows.reserve(size_t(listed));
    ranking.ForEach([&list, listed](const LapRow& row) {
        if (qint64(list.rows.size()) < listed)
            list.rows.push_back(row);
    });
    if (!input.descending)
        std::reverse(list.rows.begin(), list.rows.end());
}

qint64 LapLineOf(qint64 rank, qint64 listed, bool descending) {
    if (rank < 0 || rank >= listed)
        return -1;
    return 2 + (descending ? rank : listed - 1 - rank);
}

QString DoubleText(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}
