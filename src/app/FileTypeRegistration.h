#pragma once

#include <QString>

// Registers the ".stn" record file type with the desktop, so a double-clicked record file opens
// in this program. Repeated at every start; failures are silent.
// On Windows: the keys ".stn" and "Trevanta.STNFile" with icon and open command under the
// classes root (the per-user classes key when the machine-wide one is not writable).
// Elsewhere: a freedesktop MIME type for *.stn and a .desktop entry whose Exec opens the file with
// this executable, in the user's data folder; each rewritten only when its content changed, and
// left out when an installed system-wide entry already does the job.
void RegisterFileType(const QString& typeDescription, const QString& openCaption);

// The texts written for the desktop (exposed for tests).
QString MimePackageText(const QString& typeDescription);
QString DesktopEntryText(const QString& executable, const QString& typeDescription);

// "application/x-marklog-stn"
QString StnMimeType();
