#pragma once

#include "records/FileNameCase.h"

#include <QString>
#include <QStringList>

// The most recently used record files as the settings "LastFile1" to "LastFile4" (1 is the most
// recent). The main window shows Entries() as the recent-file block of its File menu and builds
// it again after every change. Names match under the platform's letter-case rule.
class clsRecentFiles {
public:
    explicit clsRecentFiles(FileNamePlatform platform = kThisFileNamePlatform) : m_platform(platform) {}

    qint16 ListSize() const { return m_listSize; }

    // The stored path at a position (1 to ListSize); empty when missing.
    QString GetLastFile(qint16 position) const;

    // The stored paths from the most recent on, empty positions left out.
    QStringList Entries() const;

    // Puts a file at the top; a file already in the list moves up, otherwise the last one drops out.
    // Empty positions between the others close up.
    void SetFirstFile(const QString& fileName);

    // Removes a file and moves the later ones up.
    void Delete(const QString& fileName);

private:
    // The first position holding the file, or 0.
    qint16 Find(const QString& fileName) const;
    void Store(qint16 position, const QString& fileName) const;

    FileNamePlatform m_platform;
    qint16 m_listSize = 4;
};
