#include "base/Registry.h"

#include <QByteArray>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace {

#ifdef Q_OS_WIN
constexpr qint32 kAccessDenied = 5; // ERROR_ACCESS_DENIED
constexpr qint32 kInvalidData = 13; // ERROR_INVALID_DATA
#else
constexpr qint32 kAccessDenied = 13; // EACCES
constexpr qint32 kInvalidData = 22;  // EINVAL
constexpr qint32 kNotSupported = 95; // EOPNOTSUPP
#endif

// QSettings addresses a key's default value as ".".
QString StoredName(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral(".") : valueName;
}

#ifdef Q_OS_WIN
QString RootText(RegistryRoot root) {
    return root == RegistryRoot::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT\\")
                                             : QStringLiteral("HKEY_CURRENT_USER\\");
}
#endif

// Opens the store of one key. On Windows this is the registry key itself. Elsewhere the first
// component after "Software" names the organisation and the rest the application, so
// "Software\Trevanta\Marklog" is Trevanta/Marklog.conf and "Software\Trevanta" Trevanta/Trevanta.conf.
bool OpenKey(RegistryRoot root, const QString& keyPath, std::unique_ptr<QSettings>& settings) {
#ifdef Q_OS_WIN
    settings = std::make_unique<QSettings>(RootText(root) + keyPath, QSettings::NativeFormat);
    return true;
#else
    if (root != RegistryRoot::CurrentUser)
        return false;
    QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return false;
    const QString organisation = parts.takeFirst();
    const QString application = parts.isEmpty() ? organisation : parts.join(QLatin1Char('_'));
    settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    // Without this a missing program setting would silently read the family key's value.
    settings->setFallbacksEnabled(false);
    return true;
#endif
}

QByteArray LittleEndian(qint32 value, int bytes) {
    QByteArray data;
    for (int i = 0; i < bytes; ++i)
        data.append(static_cast<char>((static_cast<quint32>(value) >> (8 * i)) & 0xFF));
    return data;
}

QVariant IntegerFromBytes(const QByteArray& data) {
    if (data.size() > 4)
        return {};
    quint32 value = 0;
    for (int i = 0; i < data.size(); ++i)
        value |= static_cast<quint32>(static_cast<unsigned char>(data[i])) << (8 * i);
    return QVariant(static_cast<qint32>(value));
}

qint32 IntegerOf(const QVariant& value) {
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? static_cast<qint32>(number) : 0;
}

} // namespace

qint32 SetRegistryValue(RegistryRoot root, const QString& keyPath, const QString& valueName, const QVariant& value,
                        qint32 valueType) {
    std::unique_ptr<QSettings> settings;
    if (!OpenKey(root, keyPath, settings)) {
#ifdef Q_OS_WIN
        return kAccessDenied;
#else
        return kNotSupported;
#endif
    }
    if (settings->status() != QSettings::NoError)
        return kInvalidData;
    const QString name = StoredName(valueName);
    switch (valueType) {
    case RegistryType::String:
        settings->setValue(name, value.toString());
        break;
    case RegistryType::Binary:
        settings->setValue(name, LittleEndian(IntegerOf(value), 1));
        break;
    case RegistryType::DWord:
#ifdef Q_OS_WIN
        settings->setValue(name, IntegerOf(value));
#else
        // A plain number in a configuration file would read back as text; bytes keep the type.
        settings->setValue(name, LittleEndian(IntegerOf(value), 4));
#endif
        break;
    default:
        return -1;
    }
    settings->sync();
    switch (settings->status()) {
    case QSettings::NoError:
        return 0;
    case QSettings::AccessError:
        return kAccessDenied;
    default:
        return kInvalidData;
    }
}

QVariant GetRegistryValue(RegistryRoot root, const QString& keyPath, const QString& valueName) {
    std::unique_ptr<QSettings> settings;
    if (!OpenKey(root, keyPath, settings))
        return {};
    const QVariant stored = settings->value(StoredName(valueName));
    switch (stored.typeId()) {
    case QMetaType::QString:
        return stored;
    case QMetaType::QStringList:
        // A multi-string reads as one text with its inner terminators kept.
        return stored.toStringList().join(QChar(0));
    case QMetaType::QByteArray:
        return IntegerFromBytes(stored.toByteArray());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QVariant(static_cast<qint32>(stored.toLongLong()));
    default:
        return {};
    }
}
