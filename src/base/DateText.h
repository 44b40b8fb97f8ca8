#pragma once

#include <QDateTime>
#include <QString>

// The platform's general date-time text: the locale's short date (always with a four-digit
// year), a blank and the time with seconds, e.g. "02.05.2021 14:05:09" under a German locale.
QString GeneralDateTimeText(const QDateTime& moment);

// The date alone, as GeneralDateTimeText writes it.
QString GeneralDateText(const QDate& day);
