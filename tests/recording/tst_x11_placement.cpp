#include "base/Settings.h"

#include "GuiFixture.h"

#include <QGuiApplication>
#include <QWindow>

// Window placement on a real X server under a window manager, where a window's frame is known only
// some time after it is shown: what a window stores when it closes, it gets back at the next start,
// frame included, and un-maximizing gives the stored normal rectangle back.
class TestX11Placement : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server with a window manager (Xvfb and openbox, see with_window_manager.sh)");
        m_f = std::make_unique<GuiFixture>();
    }
    void cleanup() {
        if (m_f)
            QVERIFY(m_f->Finish());
        m_f.reset();
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* name, const char* window, const char* stored) {
            QTest::newRow(name) << QString::fromLatin1(window) << QString::fromLatin1(stored);
        };
        // At 96 dpi: a frame at 100, 80 of 600 by 400 pixels.
        row("main window", "frmMain", "2;1500,1200,9000,6000");
        row("main window, maximized", "frmMain", "0;1500,1200,9000,6000");
        row("scan display", "frmDisplay", "2;1500,1200,9000,6000");
        row("lap counter", "frmLapcounter", "2;1500,1200,9000,6000");
    }
    void roundTrip() {
        QFETCH(QString, window);
        QFETCH(QString, stored);
        const QString setting = QStringLiteral("WndPos_") + window;
        WriteSetting(setting, stored);
        QVERIFY(m_f->LoadRecords("1;7\r\n"));
        QWidget* shown = m_f->window;
        if (window != QLatin1String("frmMain")) {
            m_f->Trigger(window == QLatin1String("frmDisplay") ? "mnuExtras_Display" : "mnuExtras_LapCounter");
            shown = m_f->window->findChild<QWidget*>(window);
        }
        QVERIFY(shown);
        if (stored.startsWith(QLatin1Char('0'))) {
            QTRY_VERIFY(shown->isMaximized());
            shown->showNormal();
        }
        // The frame as the window manager has it now, not as the widget last heard of it.
        const QWindow* framed = shown->windowHandle();
        QTRY_VERIFY(framed->frameMargins().top() > 0);
        QTRY_COMPARE(framed->frameGeometry(), QRect(100, 80, 600, 400));
        shown->close();
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(ReadSetting(setting).toString(), QStringLiteral("2") + stored.mid(1));
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestX11Placement)
#include "tst_x11_placement.moc"
