#include "support/FileDialog.h"

#include "app/Registry.h"
#include "app/Settings.h"

#include "GuiFixture.h"

#include <QFileDialog>
#include <QTimer>

#include <memory>

namespace {

QString RememberedFolder() {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString();
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

// The record file dialogs: what they ask the window system for, what they hand back, and which
// folder the next one starts in.
class TestFileDialog : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void choiceAndRememberedFolder_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("rememberedBefore"); // "" for none
        QTest::addColumn<QStringList>("answer");       // empty: cancel
        QTest::addColumn<QString>("startFolder");      // "" for the working folder
        QTest::addColumn<QString>("rememberedAfter");
        QTest::newRow("open, nothing remembered") << false << "" << QStringList{"/data/race.stn"} << ""
                                                  << "/data/";
        QTest::newRow("save starts in the remembered folder")
            << true << "/data/" << QStringList{"/other/copy.stn"} << "/data/"
            << "/other/";
        QTest::newRow("cancel keeps the folder") << false << "/data/" << QStringList() << "/data/"
                                                 << "/data/";
        // A network folder may be gone by now: it is neither remembered nor a start folder.
        QTest::newRow("network choice") << false << "/data/" << QStringList{"//server/share/race.stn"} << "/data/"
                                        << "/data/";
        QTest::newRow("remembered network folder") << true << "\\\\server\\share\\" << QStringList{"/data/a.stn"} << ""
                                                   << "/data/";
    }
    void choiceAndRememberedFolder() {
        QFETCH(bool, save);
        QFETCH(QString, rememberedBefore);
        QFETCH(QStringList, answer);
        QFETCH(QString, startFolder);
        QWidget owner;
        if (!rememberedBefore.isEmpty())
            SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), rememberedBefore,
                             RegistryType::String);
        FileDialog dialog;
        dialog.DialogTitle(QStringLiteral("Choose"));
        dialog.Filter1Text(QStringLiteral("Marklog"));
        dialog.Filter1Suffix(QStringLiteral("*.stn"));
        dialog.DefaultExt(QStringLiteral("stn"));
        FileDialogSeam::setNextAnswer(answer);
        const QString chosen = save ? dialog.ShowSave(&owner) : dialog.ShowOpen(&owner);
        QCOMPARE(chosen, answer.isEmpty() ? QString() : Native(answer.first()));
        QCOMPARE(dialog.FileName(), chosen);
        QTEST(Native(RememberedFolder()), "rememberedAfter");

        QCOMPARE(FileDialogSeam::requests().size(), 1);
        const FileDialogRequest& request = FileDialogSeam::requests().last();
        QCOMPARE(request.kind, save ? FileDialogRequest::Kind::Save : FileDialogRequest::Kind::Open);
        QCOMPARE(request.owner.data(), &owner);
        QCOMPARE(request.title, QStringLiteral("Choose"));
        QCOMPARE(request.nameFilters, QStringList{QStringLiteral("Marklog (*.stn)")});
        QCOMPARE(request.defaultSuffix, QStringLiteral("stn"));
        QCOMPARE(request.startFolder, startFolder.isEmpty() ? Native(QDir::currentPath()) : startFolder);
    }

    void failureIsShownUnlogged() {
        FileDialog dialog;
        FileDialogSeam::setNextFailure(QStringLiteral("The device is not ready."));
        QCOMPARE(dialog.ShowSave(nullptr), QString());
        QCOMPARE(m_f->messages.shown().size(), 1);
        QCOMPARE(m_f->messages.lastText(), QStringLiteral("The device is not ready."));
        QCOMPARE(m_f->messages.shown().first().buttons, MsgButtons::Ok);
        QVERIFY(!QFile::exists(m_f->env.logFile()));
        QCOMPARE(RememberedFolder(), QString());
        m_f->messages.clear();
    }

    // The window system's dialog itself, answered as an operator would.
    void realDialogIsConfiguredFromTheRequest_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }
    void realDialogIsConfiguredFromTheRequest() {
        QFETCH(bool, save);
        FileDialogSeam::reset();
        WriteBytes(m_f->path(), "1;12\r\n");
        const QString file = save ? m_f->path(QStringLiteral("copy.stn")) : m_f->path(); // no overwrite question
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), m_f->dir.path(),
                         RegistryType::String);
        QWidget owner;
        QStringList seen; // title, filter, folder, mode, accept mode, suffix, modal, parent
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !seen.isEmpty())
                return;
            seen << dialog->windowTitle() << dialog->nameFilters() << dialog->directory().absolutePath()
                 << QString::number(dialog->fileMode()) << QString::number(dialog->acceptMode())
                 << dialog->defaultSuffix() << QString::number(dialog->isModal())
                 << QString::number(dialog->parentWidget() == &owner)
                 << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept(); // checks the choice as the OK button does
        });
        poll.start();

        FileDialog dialog;
        dialog.DialogTitle(QStringLiteral("Choose"));
        dialog.Filter1Text(QStringLiteral("Marklog (*.stn)"));
        dialog.Filter1Suffix(QStringLiteral("*.stn"));
        dialog.DefaultExt(QStringLiteral("stn"));
        QCOMPARE(save ? dialog.ShowSave(&owner) : dialog.ShowOpen(&owner), Native(file));
        poll.stop();
        const QStringList expected{"Choose",
                                   "Marklog (*.stn)",
                                   QDir(m_f->dir.path()).absolutePath(),
                                   QString::number(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile),
                                   QString::number(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen),
                                   "stn",
                                   "1",
                                   "1",
                                   "0"};
        QCOMPARE(seen, expected);
        QCOMPARE(RememberedFolder(), Native(m_f->dir.path() + QLatin1Char('/')));
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestFileDialog)
#include "tst_gui_filedialog.moc"
