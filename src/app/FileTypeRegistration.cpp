#include "app/FileTypeRegistration.h"

#include "base/DataFiles.h"
#include "base/Registry.h"
#include "base/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

QString StnMimeType() {
    return QStringLiteral("application/x-marklog-stn");
}

namespace {

QString XmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Writes a file only when its content differs, so the desktop databases are not rebuilt at
// every start. Returns true when the file was written.
bool WriteIfChanged(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return false;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}

void RunQuietly(const QString& program, const QStringList& arguments) {
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty())
        QProcess::startDetached(found, arguments);
}

#ifdef Q_OS_WIN
void RegisterWithRegistry(const QString& typeDescription, const QString& openCaption) {
    const QString command = QStringLiteral("\"%1Marklog.exe\" \"%2\"").arg(ApplicationPath(), QStringLiteral("%1"));
    const std::pair<QString, QString> keys[] = {
        {QStringLiteral(".stn"), QStringLiteral("Trevanta.STNFile")},
        {QStringLiteral("Trevanta.STNFile"), typeDescription},
        {QStringLiteral("Trevanta.STNFile\\DefaultIcon"), ApplicationPath() + QStringLiteral("stn.ico")},
        {QStringLiteral("Trevanta.STNFile\\Shell\\"), QStringLiteral("Open")},
        {QStringLiteral("Trevanta.STNFile\\Shell\\Open"), openCaption},
        {QStringLiteral("Trevanta.STNFile\\Shell\\Open\\command"), command},
    };
    for (const auto& [key, value] : keys) {
        if (SetRegistryValue(RegistryRoot::ClassesRoot, key, QString(), value, RegistryType::String) != 0)
            SetRegistryValue(RegistryRoot::CurrentUser, QStringLiteral("Software\\Classes\\") + key, QString(), value,
                             RegistryType::String);
    }
}
#else
// An installed package brings its own MIME type and desktop entry. Entries an earlier run from a
// build folder left for the user would hide the package's and open another program: they go.
void RemoveUserRegistration(const QString& data) {
    const QString entry = data + QStringLiteral("/applications/marklog.desktop");
    const QString mime = data + QStringLiteral("/mime/packages/marklog.xml");
    if (QFile::exists(entry) && QFile::remove(entry))
        RunQuietly(QStringLiteral("update-desktop-database"), {data + QStringLiteral("/applications")});
    if (QFile::exists(mime) && QFile::remove(mime))
        RunQuietly(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")});
}

void RegisterWithDesktop(const QString& typeDescription) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return;
    if (InstalledSystemWide()) {
        RemoveUserRegistration(data);
        return;
    }
    if (WriteIfChanged(data + QStringLiteral("/mime/packages/marklog.xml"), MimePackageText(typeDescription).toUtf8()))
        RunQuietly(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")});
    const QString executable = QCoreApplication::applicationFilePath();
    if (WriteIfChanged(data + QStringLiteral("/applications/marklog.desktop"),
                       DesktopEntryText(executable, typeDescription).toUtf8()))
        RunQuietly(QStringLiteral("update-desktop-database"), {data + QStringLiteral("/applications")});
}
#endif

} // namespace

QString MimePackageText(const QString& typeDescription) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                          "  <mime-type type=\"%1\">\n"
                          "    <comment>%2</comment>\n"
                          "    <glob pattern=\"*.stn\"/>\n"
                          "  </mime-type>\n"
                          "</mime-info>\n")
        .arg(StnMimeType(), XmlEscaped(typeDescription));
}

QString DesktopEntryText(const QString& executable, const QString& typeDescription) {
    // Exec quoting: the path in double quotes, with the characters special there escaped.
    QString quoted = executable;
    for (const char* special : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1String(special), QLatin1String("\\") + QLatin1String(special));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Marklog\n"
                          "Comment=%1\n"
                          "Exec=\"%2\" %f\n"
                          "Icon=marklog\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "MimeType=%3;\n"
                          "Categories=Utility;\n")
        .arg(typeDescription, quoted, StnMimeType());
}

void RegisterFileType(const QString& typeDescription, const QString& openCaption) {
#ifdef Q_OS_WIN
    RegisterWithRegistry(typeDescription, openCaption);
#else
    Q_UNUSED(openCaption);
    RegisterWithDesktop(typeDescription);
#endif
}
