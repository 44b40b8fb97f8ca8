#include "base/DateText.h"

#include <QLocale>

QString GeneralDateText(const QDate& day) {
    const QLocale locale = QLocale::system();
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years make old and new entries ambiguous.
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(day, format);
}

QString GeneralDateTimeText(const QDateTime& moment) {
    return GeneralDateText(moment.date()) + QLatin1Char(' ') + moment.time().toString(QStringLiteral("HH:mm:ss"));
}
