#include "base/Settings.h"

#include "base/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString FamilyKeyPath() {
    return QStringLiteral("Software\\Trevanta");
}

QString ExecutableBaseName() {
    const QString path = QCoreApplication::applicationFilePath();
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return name.isEmpty() ? QStringLiteral("Marklog") : name;
}

QString ProgramKeyPath() {
    return FamilyKeyPath() + QLatin1Char('\\') + ExecutableBaseName();
}

void WriteSetting(const QString& name, const QVariant& value) {
    SetRegistryValue(RegistryRoot::CurrentUser, ProgramKeyPath(), name, value, RegistryType::String);
}

QVariant ReadSetting(const QString& name) {
    return GetRegistryValue(RegistryRoot::CurrentUser, ProgramKeyPath(), name);
}

QString ApplicationPath() {
    QString path = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

bool IsCheckedValue(const QVariant& value) {
    return value.isValid() && value.toString().compare(QLatin1String("1"), Qt::CaseInsensitive) == 0;
}

QString CheckBoxValue(bool checked) {
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}
