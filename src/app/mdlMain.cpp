#include "app/mdlMain.h"

#include "app/FileTypeRegistration.h"
#include "app/QtMessagePresenter.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"

#include <QApplication>
#include <QStringList>

namespace {
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
    InstallQtMessagePresenter();

    auto* main = new frmMain(CommandLinePath(QApplication::arguments()));
    main->Form_Load();
    main->show();
    RegisterFileType(GetText(QStringLiteral("GEN_FILETYPE_STN")), GetText(QStringLiteral("GEN_SYSOPEN")));
    return QApplication::exec();
}
