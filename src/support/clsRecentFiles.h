#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

// The most recently used record files as the settings "LastFile1" to "LastFile4" (1 is the most
// recent), shown as the recent-file entries of the owner window's File menu. The entries are found
// on the owner as objects named "mnuFile_LFM" + n, or named "mnuFile_LFM" with the property
// "index" n; the separator above them is named "mnuFile_LFMSep". Each object is made for one call.
class clsRecentFiles {
public:
    // The window whose menu entries show the list; set before calling any operation.
    QPointer<QObject> OwnerForm;

    qint16 ListSize() const { return m_listSize; }

    // The stored path at a position (1 to ListSize); empty when missing.
    QString GetLastFile(qint16 position) const;

    // Puts a file at the top; a file already in the list (case ignored) moves up, otherwise the
    // last one drops out. Refreshes the menu.
    void SetFirstFile(const QString& fileName);

    // Removes a file (case ignored) and moves the later ones up. Refreshes the menu.
    void Delete(const QString& fileName);

    // Rebuilds the menu entries from the settings; false when the owner has no entry 1 or the
    // rebuild failed (the failure is reported).
    bool ReadRecentFiles();

private:
    // The first position holding the file (case ignored), or 0.
    qint16 Find(const QString& fileName) const;
    void Store(qint16 position, const QString& fileName) const;
    QObject* Entry(int number) const;

    qint16 m_listSize = 4;
};
