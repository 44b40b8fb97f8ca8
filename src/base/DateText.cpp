#include "base/DateText.h"

#include <QLocale>

QString GeneralDateTimeText(const QDateTime& moment) {
    const QLocale locale = QLocale::system();
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years make old and new entries ambiguous.
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(moment.date(), format) + QLatin1Char(' ') +
           moment.time().toString(QStringLiteral("HH:mm:ss"));
}
