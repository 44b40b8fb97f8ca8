#pragma once

#include <QString>
#include <QVariant>

// A keyed settings store with the shape of the Windows registry. On Windows it is the registry;
// elsewhere each key path maps to a per-user configuration file in QSettings' native format,
// so the program key and the family key stay apart.
enum class RegistryRoot { CurrentUser, ClassesRoot };

namespace RegistryType {
constexpr qint32 String = 1;      // REG_SZ
constexpr qint32 Binary = 3;      // REG_BINARY, one byte written
constexpr qint32 DWord = 4;       // REG_DWORD
constexpr qint32 MultiString = 7; // REG_MULTI_SZ, read only
} // namespace RegistryType

// Writes a value; valueName "" addresses the key's default value. Returns 0 on success, a system
// error code when the store cannot be written, and -1 for an unsupported value type.
qint32 SetRegistryValue(RegistryRoot root, const QString& keyPath, const QString& valueName, const QVariant& value,
                        qint32 valueType);

// Reads a value: a QString, a qint32, or an invalid QVariant ("empty") when it is missing.
QVariant GetRegistryValue(RegistryRoot root, const QString& keyPath, const QString& valueName);
