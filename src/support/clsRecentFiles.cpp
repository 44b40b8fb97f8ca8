#include "support/clsRecentFiles.h"

#include "app/ErrorHandler.h"
#include "app/ErrorInfo.h"
#include "app/Settings.h"

#include <QVariant>

namespace {

const QString kEntryName = QStringLiteral("mnuFile_LFM");
const QString kSeparatorName = QStringLiteral("mnuFile_LFMSep");

QString SettingName(int position) {
    return QStringLiteral("LastFile") + QString::number(position);
}

} // namespace

QString clsRecentFiles::GetLastFile(qint16 position) const {
    const QVariant value = ReadSetting(SettingName(position));
    return value.isValid() ? value.toString() : QString();
}

void clsRecentFiles::Store(qint16 position, const QString& fileName) const {
    WriteSetting(SettingName(position), fileName);
}

qint16 clsRecentFiles::Find(const QString& fileName) const {
    for (qint16 position = 1; position <= m_listSize; ++position) {
        if (GetLastFile(position).compare(fileName, Qt::CaseInsensitive) == 0)
            return position;
    }
    return 0;
}

void clsRecentFiles::SetFirstFile(const QString& fileName) {
    qint16 position = Find(fileName);
    if (position == 0)
        position = m_listSize;
    // Shift the entries above it down by one; an empty one leaves its successor as it was.
    for (qint16 target = position; target >= 2; --target) {
        const QString above = GetLastFile(target - 1);
        if (!above.isEmpty())
            Store(target, above);
    }
    Store(1, fileName);
    ReadRecentFiles();
}

void clsRecentFiles::Delete(const QString& fileName) {
    const qint16 position = Find(fileName);
    if (position > 0) {
        for (qint16 target = position; target < m_listSize; ++target)
            Store(target, GetLastFile(target + 1));
        Store(m_listSize, QString());
    }
    ReadRecentFiles();
}

QObject* clsRecentFiles::Entry(int number) const {
    if (!OwnerForm)
        return nullptr;
    if (QObject* named = OwnerForm->findChild<QObject*>(kEntryName + QString::number(number)))
        return named;
    const QList<QObject*> entries = OwnerForm->findChildren<QObject*>(kEntryName);
    for (QObject* entry : entries) {
        if (entry->property("index").toInt() == number)
            return entry;
    }
    return nullptr;
}

bool clsRecentFiles::ReadRecentFiles() {
    try {
        if (!Entry(1))
            return false;
        int shown = 0;
        for (qint16 position = 1; position <= m_listSize; ++position) {
            const QString path = GetLastFile(position);
            if (path.isEmpty())
                continue;
            ++shown;
            // The caption's first four characters are the prefix "&k  "; the File menu's click
            // handler reads the path from the fifth character on.
            if (QObject* entry = Entry(shown)) {
                entry->setProperty("text", QLatin1Char('&') + QString::number(shown) + QStringLiteral("  ") + path);
                entry->setProperty("visible", true);
            }
        }
        for (int number = shown + 1; number <= m_listSize; ++number) {
            if (QObject* entry = Entry(number))
                entry->setProperty("visible", false);
        }
        if (QObject* separator = OwnerForm->findChild<QObject*>(kSeparatorName))
            separator->setProperty("visible", !GetLastFile(1).isEmpty());
        return true;
    } catch (const RaisedError& error) {
        ReportError(error.info(), QString());
        return false;
    }
}
