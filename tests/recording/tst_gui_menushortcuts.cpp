#include "GuiFixture.h"

#include <QSignalSpy>

#include <memory>

// The platform's standard shortcuts on the File commands, pressed as an operator does while the
// entry box has the focus, and the keys the window and the grid handle themselves left free.
class TestMenuShortcuts : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); } // every file dialog is cancelled
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void standardKeyRunsCommand_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("fileOpenAfter");
        // New and Open close the file first and then meet a cancelled dialog.
        QTest::newRow("new") << int(QKeySequence::New) << "mnuFile_New" << false;
        QTest::newRow("open") << int(QKeySequence::Open) << "mnuFile_Open" << false;
        QTest::newRow("print") << int(QKeySequence::Print) << "mnuFile_Print" << true;
        QTest::newRow("close") << int(QKeySequence::Close) << "mnuFile_Close" << false;
    }

    void standardKeyRunsCommand() {
        QFETCH(int, key);
        QFETCH(QString, command);
        const QString path = m_f->path();
        QVERIFY(m_f->LoadRecords("1;12\r\n"));
        QVERIFY(Entry()->hasFocus());
        m_f->messages.setNextAnswer(MsgAnswer::No); // the print question
        QSignalSpy triggered(Action(qPrintable(command)), &QAction::triggered);

        Press(Entry(), QKeySequence::StandardKey(key));
        QCOMPARE(triggered.count(), 1);
        QTEST(!m_f->window->RecordFile.FileName().isEmpty(), "fileOpenAfter");
        QCOMPARE(Entry()->text(), QString()); // the key typed nothing into the box
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n"));
        m_f->messages.clear();
    }

    void fileCommandsNeedOpenFile() {
        QVERIFY(m_f->Load());
        for (const auto& [key, command] :
             {std::pair{QKeySequence::Print, "mnuFile_Print"}, std::pair{QKeySequence::Close, "mnuFile_Close"}}) {
            QSignalSpy triggered(Action(command), &QAction::triggered);
            Press(m_f->window, key);
            QCOMPARE(triggered.count(), 0);
        }
        QVERIFY(m_f->messages.shown().isEmpty());
    }

    void quitWithoutFile() {
        QVERIFY(m_f->Load());
        // Windows has no Quit key (Alt+F4 closes the window there), nor has the offscreen platform.
        if (QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()) {
            QVERIFY(Action("mnuFile_Exit")->shortcuts().isEmpty());
            return;
        }
        Press(m_f->window, QKeySequence::Quit);
        QTRY_VERIFY(m_f->window.isNull());
    }

    void ownKeysStayFree() {
        const QString path = m_f->path();
        QVERIFY(m_f->LoadRecords(QByteArray()));
        // F11 (entry focus), the grid's navigation keys and F12, Enter and the digits of the entry box.
        QList<QKeySequence> own{QKeySequence(Qt::Key_F11),    QKeySequence(Qt::Key_F12),
                                QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                QKeySequence(Qt::Key_End),    QKeySequence(Qt::Key_Home),
                                QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown),
                                QKeySequence(Qt::Key_Up),     QKeySequence(Qt::Key_Down)};
        for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit)
            own << QKeySequence(digit);
        const QList<QAction*> actions = m_f->window->findChildren<QAction*>();
        for (QAction* action : actions) {
            for (const QKeySequence& shortcut : action->shortcuts())
                QVERIFY2(!own.contains(shortcut), qPrintable(action->objectName() + " " + shortcut.toString()));
        }

        QTest::keyClicks(Entry(), QStringLiteral("42"));
        QTest::keyClick(Entry(), Qt::Key_Return);
        QCOMPARE(FileBytes(path), QByteArray("1;42\r\n"));
    }

private:
    QAction* Action(const char* name) const { return Find<QAction>(m_f->window, name); }
    QLineEdit* Entry() const { return m_f->Entry(); }
    // Presses the first key combination the platform binds to a standard key.
    static void Press(QWidget* target, QKeySequence::StandardKey key);

    std::unique_ptr<GuiFixture> m_f;
};

void TestMenuShortcuts::Press(QWidget* target, QKeySequence::StandardKey key) {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    QVERIFY2(!bindings.isEmpty(), "the platform binds no key to this command");
    const QKeyCombination combination = bindings.first()[0];
    QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
}

QTEST_MAIN(TestMenuShortcuts)
#include "tst_gui_menushortcuts.moc"
