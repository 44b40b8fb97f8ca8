#include "app/mdlMain.h"

#include "app/CommandLine.h"
#include "app/FileHandoff.h"
#include "app/FileTypeRegistration.h"
#include "base/QtMessagePresenter.h"
#include "base/Settings.h"
#include "board/LapBoardHost.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "records/RecordPath.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
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

QStringList ArgumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("marklog"));
    QCoreApplication::setOrganizationName(QStringLiteral("Trevanta"));
}

// A command that needs no window runs without the window system, so it works on a server or in a
// script without a display.
int RunWithoutWindow(const CommandLine& commandLine, int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    NameApplication();
    const ProcessLanguage language; // messages in the operator's chosen language
    gLanguage->SetLanguage(ReadSetting(QStringLiteral("Language")).toString());
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return commandLine.Run(out, err);
}
} // namespace

int Main(int argc, char* argv[]) {
    CommandLine commandLine;
    commandLine.Parse(ArgumentsOf(argc, argv));
    if (!commandLine.OpensWindow())
        return RunWithoutWindow(commandLine, argc, argv);

    QApplication application(argc, argv);
    NameApplication();
    QApplication::setDesktopFileName(QStringLiteral("marklog"));
    Q_INIT_RESOURCE(icons); // the icons live in a static library
    QApplication::setWindowIcon(ProgramIcon());
    InstallQtMessagePresenter();

    // A file opened from the file manager goes to a copy already running with none.
    const QString recordFile = AbsoluteRecordPath(WithoutQuotes(commandLine.RecordFile()));
    if (QFileInfo(recordFile).isFile() && HandFileToRunningCopy(recordFile))
        return 0;

    const ProcessLanguage language; // before the first window, released after the last one
    auto* main = new frmMain(commandLine.RecordFile());
    main->Form_Load();
    if (const quint16 port = commandLine.LapBoardPort())
        main->LapBoard().Start(port); // a port in use is told in the status bar; recording goes on
    main->show();
    RegisterFileType(GetText(QStringLiteral("GEN_FILETYPE_STN")), GetText(QStringLiteral("GEN_SYSOPEN")));
    new FileHandoff(main); // owned by the window; listens from here, where it answers at once
    return QApplication::exec();
}
