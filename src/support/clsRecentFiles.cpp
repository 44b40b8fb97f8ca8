#include "support/clsRecentFiles.h"

#include "base/Settings.h"

#include <QVariant>

namespace {

QString SettingName(int position) {
    return QStringLiteral("LastFile") + QString::number(position);
}

} // namespace

QString clsRecentFiles::GetLastFile(qint16 position) const {
    const QVariant value = ReadSetting(SettingName(position));
    return value.isValid() ? value.toString() : QString();
}

QStringList clsRecentFiles::Entries() const {
    QStringList entries;
    for (qint16 position = 1; position <= m_listSize; ++position) {
        const QString path = GetLastFile(position);
        if (!path.isEmpty())
            entries << path;
    }
    return entries;
}

void clsRecentFiles::Store(qint16 position, const QString& fileName) const {
    WriteSetting(SettingName(position), fileName);
}

qint16 clsRecentFiles::Find(const QString& fileName) const {
    for (qint16 position = 1; position <= m_listSize; ++position) {
        if (SameFileName(GetLastFile(position), fileName, m_platform))
            return position;
    }
    return 0;
}

void clsRecentFiles::SetFirstFile(const QString& fileName) {
    // The others follow in their order, gaps closed, so that none is stored twice.
    QStringList files{fileName};
    for (const QString& path : Entries()) {
        if (!SameFileName(path, fileName, m_platform))
            files << path;
    }
    for (qint16 position = 1; position <= m_listSize; ++position)
        Store(position, position <= files.size() ? files[position - 1] : QString());
}

void clsRecentFiles::Delete(const QString& fileName) {
    const qint16 position = Find(fileName);
    if (position == 0)
        return;
    for (qint16 target = position; target < m_listSize; ++target)
        Store(target, GetLastFile(target + 1));
    Store(m_listSize, QString());
}
