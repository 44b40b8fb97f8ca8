#pragma once

#include <QtGlobal>

// One recorded passage: a running identifier (never stored in the file) and the bib.
struct tBib {
    qint32 ID = 0;
    qint32 Bib = 0;
};
