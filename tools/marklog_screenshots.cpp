// Takes the README's screenshots of the real windows filled from a sample race:
//   marklog_screenshots <output-folder>
// scripts/screenshots runs it under Xvfb for the look a user sees (QT_SCALE_FACTOR=2 doubles the
// pixels). Settings and clock are fixed, so the pictures only change when the program does.

#include "base/Settings.h"
#include "display/frmDisplay.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/AckSound.h"
#include "recording/frmMain.h"

#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTextStream>

namespace {

// A race of ten runners over up to five laps, passing in a shuffled but repeatable order.
QByteArray SampleRace() {
    const int bibs[] = {7, 12, 23, 31, 44, 58, 61, 75, 88, 102};
    const int laps[] = {5, 5, 4, 5, 3, 4, 5, 2, 4, 3};
    QByteArray text;
    int position = 0;
    for (int lap = 1; lap <= 5; ++lap) {
        for (int i = 0; i < 10; ++i) {
            const int runner = (i * 7 + lap * 3) % 10; // a different order on every lap
            if (laps[runner] >= lap)
                text += QByteArray::number(++position) + ';' + QByteArray::number(bibs[runner]) + "\r\n";
        }
    }
    return text;
}

template <typename Window> Window* Opened(QWidget* main, const char* command) {
    main->findChild<QAction*>(QLatin1String(command))->trigger();
    Window* window = main->findChild<Window*>();
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

bool Save(QWidget* window, const QString& path) {
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    QTextStream(stdout) << path << ": " << picture.width() << "x" << picture.height() << "\n";
    return !picture.isNull() && picture.save(path);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marklog"));
    QApplication::setOrganizationName(QStringLiteral("Trevanta"));
    if (argc != 2) {
        QTextStream(stderr) << "usage: marklog_screenshots <output-folder>\n";
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(output.path()))
        return 1;

    IsolatedEnvironment environment;
    const ProcessLanguage language;
    FixedClock clock(QDateTime(QDate(2025, 5, 18), QTime(10, 42, 0)));
    ScriptedMessages messages;
    SetSoundSink([](const QString&) {});
    WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
    WriteSetting(QStringLiteral("LC_Laps"), QStringLiteral("5"));
    WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("1"));
    WriteSetting(QStringLiteral("LC_Descending"), QStringLiteral("1"));
    const QString race = QDir(environment.path()).filePath(QStringLiteral("city-run-2025.stn"));
    WriteBytes(race, SampleRace());

    auto* main = new frmMain(race);
    main->Form_Load();
    main->show();
    if (!QTest::qWaitForWindowExposed(main))
        return 1;
    auto* lapCounter = Opened<frmLapcounter>(main, "mnuExtras_LapCounter");
    auto* display = Opened<frmDisplay>(main, "mnuExtras_Display");
    if (!lapCounter || !display)
        return 1;
    // Two runners recorded, the next one being typed.
    QTest::keyClicks(main->findChild<QLineEdit*>(QStringLiteral("txtEnter")), QStringLiteral("44\r102\r6"));

    const bool saved = Save(main, output.filePath(QStringLiteral("main-window.png"))) &&
                       Save(lapCounter, output.filePath(QStringLiteral("lap-counter.png"))) &&
                       Save(display, output.filePath(QStringLiteral("scan-display.png")));
    if (!messages.shown().isEmpty())
        QTextStream(stderr) << "unexpected message: " << messages.lastText() << "\n";
    QPointer<frmMain> closing(main);
    main->close(); // deleted on close, with the windows it owns
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return saved && messages.shown().isEmpty() && closing.isNull() ? 0 : 1;
}
