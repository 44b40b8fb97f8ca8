#pragma once

#include <QString>
#include <QVariant>

// "Software\Trevanta": settings shared by the family's programs.
QString FamilyKeyPath();

// The family key followed by "\" and the executable's base name: this program's own settings.
QString ProgramKeyPath();

// The executable's file name without folder and extension.
QString ExecutableBaseName();

// REG_SZ values in the program key; a failed write is ignored, a missing value reads as empty.
void WriteSetting(const QString& name, const QVariant& value);
QVariant ReadSetting(const QString& name);

// The executable's folder with a trailing separator.
QString ApplicationPath();

// Check box values are stored as "0"/"1"; only "1" (case ignored) reads back as checked.
bool IsCheckedValue(const QVariant& value);
QString CheckBoxValue(bool checked);
