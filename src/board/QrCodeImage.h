#pragma once

#include <QImage>
#include <QString>

// A QR code of the text (error correction level M), black on white with the four-module quiet
// zone, each module `moduleSize` pixels. A null image when the text cannot be encoded.
QImage QrCodeImage(const QString& text, int moduleSize);
