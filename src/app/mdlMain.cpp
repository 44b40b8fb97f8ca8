#include "app/mdlMain.h"

#include "app/FileTypeRegistration.h"
#include "app/QtMessagePresenter.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

namespace {
// The program's icon for every window, from the icon theme when installed, else built in.
QIcon ProgramIcon() {
    QIcon builtIn;
    for (int size : {16, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/marklog-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("marklog"), builtIn);
}

// The whole command line is one record file path, even when it holds blanks and the desktop
// passed it in pieces.
QString CommandLinePath(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}
} // namespace

int Main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marklog"));
    QApplication::setOrganizationName(QStringLiteral("Trevanta"));
    QApplication::setDesktopFileName(QStringLiteral("marklog"));
    Q_INIT_RESOURCE(icons); // the icons live in a static library
    QApplication::setWindowIcon(ProgramIcon());
    InstallQtMessagePresenter();

    const ProcessLanguage language; // before the first window, released after the last one
    auto* main = new frmMain(CommandLinePath(QApplication::arguments()));
    main->Form_Load();
    main->show();
    RegisterFileType(GetText(QStringLiteral("GEN_FILETYPE_STN")), GetText(QStringLiteral("GEN_SYSOPEN")));
    return QApplication::exec();
}
