#pragma once

#include <QString>
#include <functional>

class QWidget;

// Hands a document or web address to the desktop to be opened with its registered program.
// Returns 0 when the desktop accepted it, a non-zero code otherwise (no caller relies on it).
// The parameters and working folder are kept for the family's interface; the desktop opens
// documents without them.
qint32 StartDoc(const QString& document, QWidget* window, const QString& parameters, const QString& folder);

// Test seam: receives every request instead of the desktop.
using DocumentOpener = std::function<bool(const QString& document)>;
DocumentOpener SetDocumentOpener(DocumentOpener opener);
