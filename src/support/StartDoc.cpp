#include "support/StartDoc.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <utility>

namespace {
bool OpenWithDesktop(const QString& document) {
    // A path to an existing file opens as a file; anything else is taken as an address.
    const QUrl url = QFileInfo::exists(document) ? QUrl::fromLocalFile(document) : QUrl::fromUserInput(document);
    return QDesktopServices::openUrl(url);
}

DocumentOpener& Opener() {
    static DocumentOpener opener = OpenWithDesktop;
    return opener;
}
} // namespace

qint32 StartDoc(const QString& document, QWidget* /*window*/, const QString& /*parameters*/,
                const QString& /*folder*/) {
    return Opener()(document) ? 0 : 1;
}

DocumentOpener SetDocumentOpener(DocumentOpener opener) {
    DocumentOpener previous = std::move(Opener());
    Opener() = opener ? std::move(opener) : DocumentOpener(OpenWithDesktop);
    return previous;
}
