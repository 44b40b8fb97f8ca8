#include "support/FileDialog.h"

#include "app/Registry.h"
#include "app/Settings.h"

#include "GuiFixture.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace {

QString RememberedFolder() {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString();
}

// A record file dialog as the file commands set one up.
void Configure(FileDialog& dialog, const QString& filter) {
    dialog.DialogTitle(QStringLiteral("Choose"));
    dialog.Filter1Text(filter);
    dialog.Filter1Suffix(QStringLiteral("*.stn"));
    dialog.DefaultExt(QStringLiteral("stn"));
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
        const auto row = [](const char* name, bool save, const char* before, const QStringList& answer,
                            const char* start, const char* after) {
            QTest::newRow(name) << save << QString(before) << answer << QString(start) << QString(after);
        };
        row("open, nothing remembered", false, "", {"/data/race.stn"}, "", "/data/");
        row("save starts in the remembered folder", true, "/data/", {"/other/copy.stn"}, "/data/", "/other/");
        row("cancel keeps the folder", false, "/data/", {}, "/data/", "/data/");
        // A network folder may be gone by now: it is neither remembered nor a start folder.
        row("network choice", false, "/data/", {"//server/share/race.stn"}, "/data/", "/data/");
        row("remembered network folder", true, "\\\\server\\share\\", {"/data/a.stn"}, "", "/data/");
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
        Configure(dialog, QStringLiteral("Marklog"));
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
        QVERIFY(!QFile::exists(m_f->env.logFile()));
        QCOMPARE(RememberedFolder(), QString());
        m_f->messages.clear();
    }

    // The window system's save dialog itself, configured from the request and answered as an
    // operator would.
    void realDialogIsConfiguredFromTheRequest() {
        FileDialogSeam::reset();
        const QString file = m_f->path(QStringLiteral("copy.stn"));
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), m_f->dir.path(),
                         RegistryType::String);
        QWidget owner;
        QStringList seen;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (seen.isEmpty())
                seen << dialog->windowTitle() << dialog->nameFilters() << dialog->directory().absolutePath()
                     << QString::number(dialog->fileMode()) << QString::number(dialog->acceptMode())
                     << dialog->defaultSuffix() << QString::number(dialog->isModal())
                     << QString::number(dialog->parentWidget() == &owner)
                     << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            // Typed into the name box: selectFile() leaves a focused box alone and the dialog would
            // take the folder. Tried again on every tick until the dialog has closed.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(dialog)->accept(); // checks the choice as the OK button does
        });
        poll.start();
        FileDialog dialog;
        Configure(dialog, QStringLiteral("Marklog (*.stn)"));
        QCOMPARE(dialog.ShowSave(&owner), Native(file));
        poll.stop();
        QCOMPARE(seen, (QStringList{"Choose", "Marklog (*.stn)", QDir(m_f->dir.path()).absolutePath(),
                                    QString::number(QFileDialog::AnyFile), QString::number(QFileDialog::AcceptSave),
                                    "stn", "1", "1", "0"}));
        QCOMPARE(RememberedFolder(), Native(m_f->dir.path() + QLatin1Char('/')));
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestFileDialog)
#include "tst_gui_filedialog.moc"
