#include "support/FileDialog.h"

#include "app/ErrorInfo.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace {

QString RememberedFolder() {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString();
}

void Remember(const QString& folder) {
    SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), folder,
                     RegistryType::String);
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

const FileDialogRequest& LastRequest() {
    return FileDialogSeam::requests().last();
}

} // namespace

class TestFileDialog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_folder = std::make_unique<QTemporaryDir>();
        FileDialogSeam::reset();
        FileDialogSeam::activate();
    }

    void cleanup() {
        FileDialogSeam::reset();
        m_folder.reset();
        m_messages.reset();
        m_env.reset();
    }

    void cancelGivesEmptyText() {
        FileDialog dialog;
        FileDialogSeam::setNextAnswer({});
        QCOMPARE(dialog.ShowOpen(nullptr, true), QString());
        QCOMPARE(dialog.FileName(), QString());
        QCOMPARE(dialog.FileCount(), qint16(0));

        QCOMPARE(FileDialogSeam::requests().size(), 1);
        const FileDialogRequest& request = LastRequest();
        QCOMPARE(request.kind, FileDialogRequest::Kind::Open);
        QCOMPARE(request.title, GetText(QStringLiteral("GEN_FILEDIALOG_OPEN")));
        QCOMPARE(request.nameFilters,
                 QStringList{GetText(QStringLiteral("GEN_FILETYPE_ALL")) + QStringLiteral(" (*.*)")});
        QCOMPARE(request.startFolder, Native(QDir::currentPath())); // nothing remembered yet
        QCOMPARE(request.fileMode, QFileDialog::ExistingFile);
        QVERIFY(!request.owner);

        // Without a scripted answer the seam cancels too; no window opens.
        QCOMPARE(dialog.ShowSave(), QString());
        QCOMPARE(dialog.ShowFolder(), QString());
        QCOMPARE(FileDialogSeam::requests().size(), 3);
        QCOMPARE(RememberedFolder(), QString());
        QVERIFY(m_messages->shown().isEmpty());
    }

    void chosenFileIsRememberedWithSavePath() {
        QWidget owner;
        const QString folder = Native(m_folder->path() + QLatin1Char('/'));
        {
            FileDialog dialog;
            dialog.Filter1Text(QStringLiteral("Marklog-Datei (*.stn)"));
            dialog.Filter1Suffix(QStringLiteral("*.stn"));
            FileDialogSeam::setNextAnswer({m_folder->path() + QStringLiteral("/race.stn")});
            QCOMPARE(dialog.ShowOpen(&owner, true), folder + QStringLiteral("race.stn"));
            QCOMPARE(dialog.FileCount(), qint16(1));
            QCOMPARE(LastRequest().nameFilters, QStringList{QStringLiteral("Marklog-Datei (*.stn)")});
            QCOMPARE(LastRequest().owner.data(), &owner);
            QCOMPARE(RememberedFolder(), folder);
        }
        {
            // The next dialog starts there; without SavePath its choice is not remembered.
            FileDialog dialog;
            FileDialogSeam::setNextAnswer({QStringLiteral("/elsewhere/other.stn")});
            QCOMPARE(dialog.ShowOpen(), Native(QStringLiteral("/elsewhere/other.stn")));
            QCOMPARE(LastRequest().startFolder, folder);
            QCOMPARE(RememberedFolder(), folder);
        }
        {
            // A folder given by the caller wins over the remembered one.
            FileDialog dialog;
            dialog.InitDir(QStringLiteral("/given"));
            dialog.ShowOpen();
            QCOMPARE(LastRequest().startFolder, QStringLiteral("/given"));
        }
    }

    void networkPathsAreNotRemembered() {
        Remember(QStringLiteral("/data/"));
        {
            FileDialog dialog;
            FileDialogSeam::setNextAnswer({QStringLiteral("//server/share/race.stn")});
            QCOMPARE(dialog.ShowOpen(nullptr, true), Native(QStringLiteral("//server/share/race.stn")));
            FileDialogSeam::setNextAnswer({QStringLiteral("//server/share/copy.stn")});
            QCOMPARE(dialog.ShowSave(nullptr, true), Native(QStringLiteral("//server/share/copy.stn")));
            FileDialogSeam::setNextAnswer({QStringLiteral("//server/share")});
            QCOMPARE(dialog.ShowFolder(), Native(QStringLiteral("//server/share")));
            QCOMPARE(RememberedFolder(), QStringLiteral("/data/"));
        }
        // A remembered network folder is not used as a start folder.
        for (const QString& network : {QStringLiteral("\\\\server\\share\\"), QStringLiteral("//server/share/")}) {
            Remember(network);
            FileDialog dialog;
            dialog.ShowOpen();
            QCOMPARE(LastRequest().startFolder, Native(QDir::currentPath()));
        }
    }

    void multiSelection() {
        FileDialog dialog;
        dialog.MultiSelect(true);
        FileDialogSeam::setNextAnswer({QStringLiteral("/data/a.stn"), QStringLiteral("/data/b.stn")});
        QCOMPARE(dialog.ShowOpen(nullptr, true), Native(QStringLiteral("/data/a.stn")));
        QCOMPARE(dialog.FileName(), Native(QStringLiteral("/data/a.stn")));
        QCOMPARE(dialog.FileCount(), qint16(2));
        QCOMPARE(dialog.GetNextFile(), Native(QStringLiteral("/data/b.stn")));
        QCOMPARE(dialog.GetNextFile(), QString());
        QCOMPARE(LastRequest().flags, 0x81A04u);
        QCOMPARE(LastRequest().fileMode, QFileDialog::ExistingFiles);
        QCOMPARE(RememberedFolder(), Native(QStringLiteral("/data/")));

        // A single choice in a multi-selection dialog is one file.
        FileDialogSeam::setNextAnswer({QStringLiteral("/data/c.stn")});
        QCOMPARE(dialog.ShowOpen(), Native(QStringLiteral("/data/c.stn")));
        QCOMPARE(dialog.FileCount(), qint16(1));
        QCOMPARE(dialog.GetNextFile(), QString());
    }

    void compatibleMultiSelectionHandsBackTheRawList() {
        FileDialog dialog;
        dialog.MultiSelectOCXCompatible(true);
        FileDialogSeam::setNextAnswer({QStringLiteral("/data/a.stn"), QStringLiteral("/data/b.stn")});
        const QChar nul(0);
        const QString raw =
            Native(QStringLiteral("/data")) + nul + QStringLiteral("a.stn") + nul + QStringLiteral("b.stn") + nul;
        QCOMPARE(dialog.ShowOpen(), raw);
        QCOMPARE(dialog.FileName(), raw);
        QCOMPARE(dialog.FileCount(), qint16(0)); // left to the caller, who splits the list itself
        QCOMPARE(LastRequest().fileMode, QFileDialog::ExistingFiles);
    }

    void flagsStayWithTheObject() {
        // The flags chosen by the first dialog stay with the object, and so does the default title.
        FileDialog reused;
        reused.ShowOpen();
        QCOMPARE(LastRequest().flags, 0x1804u);
        reused.ShowSave();
        QCOMPARE(LastRequest().flags, 0x1804u);
        QCOMPARE(LastRequest().title, GetText(QStringLiteral("GEN_FILEDIALOG_OPEN")));
    }

    void saveDialog() {
        FileDialog dialog;
        dialog.DefaultExt(QStringLiteral("stn"));
        dialog.DefaultFileName(QStringLiteral("race.stn"));
        dialog.Filter1Text(QStringLiteral("Marklog-Datei"));
        dialog.Filter1Suffix(QStringLiteral("*.stn"));
        FileDialogSeam::setNextAnswer({QStringLiteral("/data/copy.stn")});
        QCOMPARE(dialog.ShowSave(nullptr, true), Native(QStringLiteral("/data/copy.stn")));
        QCOMPARE(dialog.FileCount(), qint16(0)); // a save leaves the count alone
        const FileDialogRequest& request = LastRequest();
        QCOMPARE(request.kind, FileDialogRequest::Kind::Save);
        QCOMPARE(request.title, GetText(QStringLiteral("GEN_FILEDIALOG_SAVE")));
        QCOMPARE(request.flags, 0x806u);
        QVERIFY(!request.options.testFlag(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(request.fileMode, QFileDialog::AnyFile);
        QCOMPARE(request.defaultSuffix, QStringLiteral("stn"));
        QCOMPARE(request.defaultFileName, QStringLiteral("race.stn"));
        QCOMPARE(request.nameFilters, QStringList{QStringLiteral("Marklog-Datei (*.stn)")});
        QCOMPARE(RememberedFolder(), Native(QStringLiteral("/data/")));

        FileDialog noPrompt;
        noPrompt.flags(0x800);
        noPrompt.ShowSave();
        QVERIFY(LastRequest().options.testFlag(QFileDialog::DontConfirmOverwrite));
    }

    void folderDialog() {
        QWidget window;
        QWidget other;
        FileDialog dialog;
        dialog.hWnd(&window);
        dialog.DialogTitle(QStringLiteral("Ordner wählen"));
        FileDialogSeam::setNextAnswer({m_folder->path()});
        QCOMPARE(dialog.ShowFolder(), Native(m_folder->path()));
        QCOMPARE(dialog.FileName(), Native(m_folder->path()));
        QCOMPARE(RememberedFolder(), Native(m_folder->path())); // no trailing separator
        const FileDialogRequest& request = LastRequest();
        QCOMPARE(request.kind, FileDialogRequest::Kind::Folder);
        QCOMPARE(request.title, QStringLiteral("Ordner wählen"));
        QCOMPARE(request.fileMode, QFileDialog::Directory);
        QVERIFY(request.options.testFlag(QFileDialog::ShowDirsOnly));
        QCOMPARE(request.owner.data(), &window);

        dialog.ShowFolder(&other);
        QCOMPARE(LastRequest().owner.data(), &other);
        QCOMPARE(dialog.FileName(), QString());
    }

    void failuresShowTheirDescriptionUnlogged() {
        FileDialog dialog;
        const QString description = QStringLiteral("Das Gerät ist nicht bereit.");
        for (const auto& show : {std::function<QString()>([&] { return dialog.ShowOpen(nullptr, true); }),
                                 std::function<QString()>([&] { return dialog.ShowSave(nullptr, true); }),
                                 std::function<QString()>([&] { return dialog.ShowFolder(); })}) {
            FileDialogSeam::setNextFailure(description);
            QCOMPARE(show(), QString());
        }

        QCOMPARE(m_messages->shown().size(), 3);
        for (const MessageRequest& shown : m_messages->shown()) {
            QCOMPARE(shown.text, description);
            QCOMPARE(shown.buttons, MsgButtons::Ok);
        }
        QVERIFY(!QFile::exists(m_env->logFile()));
        QCOMPARE(RememberedFolder(), QString());
    }

    void filterIndexOutOfRangeRaises() {
        FileDialog dialog;
        dialog.SetFilterText(12, QStringLiteral("Zwölf"));
        dialog.SetFilterSuffix(12, QStringLiteral("*.12"));
        QVERIFY_THROWS_EXCEPTION(RaisedError, dialog.SetFilterText(13, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(RaisedError, dialog.SetFilterSuffix(0, QStringLiteral("*.x")));
        dialog.ShowOpen();
        QCOMPARE(LastRequest().nameFilters, QStringList{QStringLiteral("Zwölf (*.12)")});
    }

    void realDialogIsConfiguredFromTheRequest() {
        FileDialogSeam::reset(); // the real window this time
        const QString file = m_folder->path() + QStringLiteral("/race.stn");
        WriteBytes(file, "1;12\r\n");
        QWidget owner;

        QFileDialog* seen = nullptr;
        QStringList seenTexts; // title, filters, folder
        QFileDialog::FileMode seenMode = QFileDialog::AnyFile;
        bool seenModal = false;
        QWidget* seenParent = nullptr;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || seen)
                return;
            seen = dialog;
            seenTexts << dialog->windowTitle() << dialog->nameFilters() << dialog->directory().absolutePath();
            seenMode = dialog->fileMode();
            seenModal = dialog->isModal();
            seenParent = dialog->parentWidget();
            dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept(); // checks the choice as the OK button does
        });
        poll.start();

        FileDialog dialog;
        dialog.InitDir(m_folder->path());
        dialog.Filter1Text(QStringLiteral("Marklog-Datei"));
        dialog.Filter1Suffix(QStringLiteral("*.stn"));
        QCOMPARE(dialog.ShowOpen(&owner, true), Native(file));
        poll.stop();
        QVERIFY(seen);
        QCOMPARE(seenTexts, QStringList({GetText(QStringLiteral("GEN_FILEDIALOG_OPEN")), "Marklog-Datei (*.stn)",
                                         QDir(m_folder->path()).absolutePath()}));
        QCOMPARE(seenMode, QFileDialog::ExistingFile);
        QVERIFY(seenModal);
        QCOMPARE(seenParent, &owner);
        QCOMPARE(RememberedFolder(), Native(m_folder->path() + QLatin1Char('/')));
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(TestFileDialog)
#include "tst_gui_filedialog.moc"
