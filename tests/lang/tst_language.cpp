#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "lang/clsLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

// Every key literal in the program's sources: each must be in every table.
QSet<QString> KeysUsedInSources() {
    // __FILE__ is relative to the build folder when the compiler cache rewrote it.
    QDir src(QFileInfo(QStringLiteral(__FILE__)).isAbsolute()
                 ? QFileInfo(QStringLiteral(__FILE__)).absolutePath()
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                       QFileInfo(QStringLiteral(__FILE__)).path());
    src.cd(QStringLiteral("../../src"));
    const QRegularExpression literal(QStringLiteral("\"((?:GEN|MKL|BCPORT|BCPROT)_[A-Z0-9_]+)\""));
    QSet<QString> keys;
    QDirIterator it(src.path(), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        for (const QRegularExpressionMatch& match : literal.globalMatch(QString::fromUtf8(FileBytes(it.next()))))
            keys.insert(match.captured(1));
    return keys;
}

// Menus (and boxes) whose entries share one access key space.
const QList<QStringList> kMenus = {
    {"MKL_BTN_RETRY", "MKL_BTN_SAVEAS"},
    {"MKL_BTN_USERECOVERY", "MKL_BTN_SAVEELSEWHERE", "MKL_BTN_KEEPFILE"},
    {"GEN_MNU_FILE", "GEN_MNU_EXTRAS", "GEN_MNU_INFO_HELP"},
    {"GEN_MNU_FILE_NEW", "MKL_MNU_FILE_OPEN", "MKL_MNU_FILE_EXPORT", "MKL_MNU_FILE_STARTLIST",
     "MKL_MNU_FILE_STARTLISTREMOVE", "MKL_MNU_FILE_EXPORTRESULTS", "GEN_MNU_FILE_CLOSE", "GEN_MNU_FILE_PRINT",
     "GEN_MNU_FILE_END"},
    {"MKL_MNU_EXTRAS_LAPCOUNTER", "MKL_MNU_EXTRAS_DISPLAY", "MKL_MNU_EXTRAS_LAPBOARD", "MKL_MNU_EXTRAS_BARCODESCANNER",
     "MKL_MNU_EXTRAS_SHOWTIMES", "GEN_MNU_LANGUAGE"},
    {"GEN_MNU_HELP_ABOUT", "GEN_MNU_HELP_WIKI"},
    {"GEN_MNU_HELP_ABOUT", "MKL_MNU_HELP_GUIDE"},
};

// The placeholders each text must carry, once each; no other text may hold a "[".
const QHash<QString, QStringList> kPlaceholders = {
    {"MKL_MSG_OPENINGFAILED", {"[Filename]"}},
    {"MKL_MSG_DELETEBIB", {"[bib]"}},
    {"GEN_ABOUT_LABEL2", {"[year]"}},
    {"MKL_MSG_PORTINVALID", {"[port]"}},
    {"MKL_MSG_PORTMISSING", {"[port]"}},
    {"MKL_MSG_PORTBUSY", {"[port]"}},
    {"MKL_MSG_PORTDENIED", {"[port]"}},
    {"MKL_MSG_PORTFAILED", {"[port]"}},
    {"MKL_MSG_SCANNERLOST", {"[port]"}},
    {"MKL_SB_SCANNERBACK", {"[port]"}},
    {"MKL_MSG_PORTGROUP", {"[group]"}},
    {"MKL_SB_SCANNEROFF", {"[menu]"}},
    {"MKL_STARTHINT", {"[newkey]", "[openkey]"}},
    {"MKL_MSG_EXPORTFAILED", {"[Filename]", "[reason]"}},
    {"MKL_ABOUT_NOLINK", {"[guide]"}},
    {"MKL_LBL_REPEAT", {"[bib]", "[seconds]"}},
    {"MKL_SB_TIMESDROPPED", {"[count]"}},
    {"MKL_MSG_NOTLISTED", {"[bib]"}},
    {"MKL_MSG_STARTLISTBAD", {"[count]", "[Filename]", "[loaded]"}},
    {"MKL_MSG_STARTLISTEMPTY", {"[Filename]"}},
    {"MKL_MSG_CREATEFILE", {"[Filename]"}},
    {"MKL_SB_STARTLIST", {"[count]"}},
    {"MKL_SB_STARTLISTFAILED", {"[reason]"}},
    {"MKL_SL_LINE", {"[line]"}},
    {"MKL_SL_DUPLICATE", {"[bib]", "[line]"}},
    {"MKL_MSG_NOTINFILE", {"[count]", "[reason]"}},
    {"MKL_MSG_FILELAGS", {"[reason]"}},
    {"MKL_MSG_KEPTIN", {"[path]"}},
    {"MKL_MSG_MEMORYONLY", {"[reason]"}},
    {"MKL_MSG_RECOVERY", {"[Filename]", "[path]", "[total]", "[count]", "[filecount]"}},
    {"MKL_MSG_BIBTOOLARGE", {"[bib]"}},
    {"MKL_ERR_LONGLINE", {"[line]", "[size]"}},
    {"MKL_ERR_BADBIB", {"[line]", "[reason]"}},
    {"MKL_ERR_READ", {"[Filename]", "[reason]"}},
    {"MKL_ERR_FILETOOLARGE", {"[Filename]", "[size]"}},
    {"MKL_ERR_OPENWRITE", {"[Filename]", "[reason]"}},
    {"MKL_ERR_WRITE", {"[Filename]", "[reason]"}},
    {"MKL_ERR_READBACK", {"[Filename]", "[reason]"}},
    {"MKL_ERR_INSERTPOS", {"[position]", "[count]"}},
    {"MKL_ERR_NOFILE", {"[bib]"}},
    {"MKL_ERR_KEEPFAILED", {"[Filename]", "[path]"}},
    {"MKL_ERR_OLDTIMES", {"[Filename]", "[reason]"}},
    {"MKL_ERR_FOLDER", {"[path]"}},
    {"MKL_ERR_RECOVERYREAD", {"[path]"}},
    {"MKL_ERR_STARTLISTREMOVE", {"[Filename]", "[reason]"}},
    {"MKL_PRN_PDFFILE", {"[Filename]"}},
    {"MKL_PRN_PRINTER", {"[printer]"}},
    {"MKL_PRN_FAILED", {"[printer]"}},
    {"MKL_PRN_NOSTART", {"[printer]"}},
    {"MKL_PRN_NEWPAGE", {"[printer]"}},
    {"MKL_PRN_NOFINISH", {"[printer]"}},
    {"MKL_MSG_ZEROBYTES", {"[Filename]"}},
    {"MKL_LB_PORTFAILED", {"[port]"}},
    {"MKL_LB_MORE", {"[count]"}}};

// Texts the program follows with ": " or ":" itself.
const QStringList kColonAdded = {"MKL_SB_RECORDS", "MKL_SB_VERSION", "MKL_LC_LAPCOUNT0", "MKL_LC_LAPCOUNT1"};

clsLanguage::Language BuiltIn(const QString& id) {
    return clsLanguage::ParseTable(FileBytes(QStringLiteral(":/lang/%1.lng").arg(id)));
}

QChar AccessKey(const QString& caption) {
    const qsizetype amp = caption.indexOf(QLatin1Char('&'));
    return amp >= 0 && amp + 1 < caption.size() ? caption[amp + 1].toLower() : QChar();
}

} // namespace

class tst_Language : public QObject {
    Q_OBJECT

private slots:
    void builtInTables_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("de") << "de"
                            << "Deutsch";
        QTest::newRow("en") << "en"
                            << "English";
    }

    void builtInTables() {
        QFETCH(QString, id);
        QFETCH(QString, name);
        const clsLanguage::Language table = BuiltIn(id);
        QCOMPARE(table.id, id);
        QCOMPARE(table.name, name);
        // Both tables hold the same keys, and every key the program asks for.
        QCOMPARE(QSet<QString>(table.texts.keyBegin(), table.texts.keyEnd()),
                 QSet<QString>(BuiltIn("en").texts.keyBegin(), BuiltIn("en").texts.keyEnd()));
        const QSet<QString> used = KeysUsedInSources();
        QVERIFY(used.size() > 100);
        for (const QString& key : used)
            QVERIFY2(table.texts.contains(key), qPrintable(key));
        for (auto it = table.texts.cbegin(); it != table.texts.cend(); ++it) {
            if (it.key() == QLatin1String("GEN_WIKI") || it.key() == QLatin1String("GEN_ABOUT_LABEL3"))
                QCOMPARE(it.value(), QString()); // no online wiki or maker's address yet
            else
                QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(it.key()));
        }

        for (const QStringList& menu : kMenus) {
            QSet<QChar> used;
            for (const QString& key : menu) {
                const QChar accessKey = AccessKey(table.texts.value(key));
                QVERIFY2(!accessKey.isNull(), qPrintable(key + QStringLiteral(" has no access key")));
                QVERIFY2(!used.contains(accessKey), qPrintable(key + QStringLiteral(" repeats an access key")));
                used.insert(accessKey);
            }
        }
        for (auto it = table.texts.cbegin(); it != table.texts.cend(); ++it) {
            const QString& text = it.value();
            QString rest = text;
            for (const QString& placeholder : kPlaceholders.value(it.key())) {
                QVERIFY2(text.count(placeholder) == 1, qPrintable(it.key()));
                rest.remove(placeholder);
            }
            QVERIFY2(!rest.contains(QLatin1Char('[')), qPrintable(it.key()));
            QVERIFY2(text == text.trimmed() && !text.contains(QLatin1Char('\t')), qPrintable(it.key()));
        }
        for (const QString& key : kColonAdded)
            QVERIFY2(!table.texts.value(key).endsWith(QLatin1Char(':')), qPrintable(key));
        QVERIFY(!table.texts.value("GEN_ABOUT_LABEL3").contains(QLatin1String("://")));
    }

    // Placeholders are filled in one pass: a value that holds a placeholder stays as it is.
    void textWithValues_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "/a/race.stn"
                               << "gone"
                               << "The file \"/a/race.stn\" could not be read: gone.";
        QTest::newRow("placeholder in the value") << "/a/[reason].stn"
                                                  << "[Filename]"
                                                  << "The file \"/a/[reason].stn\" could not be read: [Filename].";
    }

    void textWithValues() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QFETCH(QString, text);
        IsolatedEnvironment env;
        ScopedLanguage language;
        QCOMPARE(GetText(QStringLiteral("MKL_ERR_READ"),
                         {{QStringLiteral("[Filename]"), path}, {QStringLiteral("[reason]"), reason}}),
                 text);
    }

    void setLanguageFallsBack_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("current");
        // main() runs this process in a locale whose language is not shipped unless told otherwise.
        const QString fallback = qEnvironmentVariable("TST_LANGUAGE_EXPECT", QStringLiteral("en"));
        QTest::newRow("empty") << "" << false << fallback;
        QTest::newRow("unknown") << "xx" << false << fallback;
        QTest::newRow("capitals") << "DE" << true << "de";
        QTest::newRow("english") << "en" << true << "en";
    }

    void setLanguageFallsBack() {
        QFETCH(QString, id);
        QFETCH(bool, held);
        QFETCH(QString, current);
        IsolatedEnvironment env;
        clsLanguage language;
        QVERIFY(language.Initialize());
        QCOMPARE(language.CurrentLanguage(), qEnvironmentVariable("TST_LANGUAGE_EXPECT", QStringLiteral("en")));
        language.SetLanguage(id == QLatin1String("en") ? QStringLiteral("de") : QStringLiteral("en"));
        QCOMPARE(language.SetLanguage(id), held);
        QCOMPARE(language.CurrentLanguage(), current);
    }

    void fallbackToShippedSystemLanguage() {
        if (qEnvironmentVariableIsSet("TST_LANGUAGE_EXPECT"))
            QSKIP("runs in the parent process only");
        // The system locale is fixed when a process starts, so a German one needs a process of its own.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TST_LANGUAGE_LOCALE"), QStringLiteral("de_AT.UTF-8"));
        environment.insert(QStringLiteral("TST_LANGUAGE_EXPECT"), QStringLiteral("de"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("setLanguageFallsBack")});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
    }

    void getTextOfUnknownKey() {
        IsolatedEnvironment env;
        QCOMPARE(GetText(QStringLiteral("MKL_MAIN_CAPTION")), QStringLiteral("MKL_MAIN_CAPTION")); // no component yet

        auto language = std::make_unique<clsLanguage>();
        QCOMPARE(language->GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("MKL_CMDENTER")); // not initialised
        QVERIFY(language->Initialize());
        QVERIFY(language->SetLanguage(QStringLiteral("en")));
        QCOMPARE(language->GetText(QStringLiteral("MKL_NO_SUCH_KEY")), QStringLiteral("MKL_NO_SUCH_KEY"));
        QCOMPARE(language->GetText(QStringLiteral("mkl_cmdenter")), QStringLiteral("mkl_cmdenter")); // keys are exact

        gLanguage = language.get();
        QCOMPARE(GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Record"));
        QVERIFY(language->SetLanguage(QStringLiteral("de")));
        QCOMPARE(GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Erfassen"));
        gLanguage = nullptr;
    }

    void parseTable() {
        struct Case {
            QByteArray line;
            QString key, text; // text "-": the line defines no key
        };
        const Case cases[] = {{"KEY=Text", "KEY", "Text"},
                              {"KEY=one\\ntwo", "KEY", "one\ntwo"},
                              {"KEY=C:\\\\Races", "KEY", "C:\\Races"},
                              {"KEY=a\\\\nb", "KEY", "a\\nb"},
                              {"KEY=end\\", "KEY", "end\\"},
                              {"KEY=a=b", "KEY", "a=b"},
                              {"  KEY =x", "KEY", "x"},
                              {"KEY=", "KEY", ""},
                              {"KEY=Rundenz\xc3\xa4hler", "KEY", QString::fromUtf8("Rundenzähler")},
                              {"KEY=Text\r", "KEY", "Text"},
                              {"#KEY=Text", "#KEY", "-"},
                              {"KEY Text", "KEY Text", "-"},
                              {"=Text", "", "-"}};
        for (const Case& c : cases) {
            const clsLanguage::Language table = clsLanguage::ParseTable("@id=t\n" + c.line + "\nNEXT=1\n");
            QCOMPARE(table.texts.value(QStringLiteral("NEXT")), QStringLiteral("1")); // one line never spills over
            QCOMPARE(table.texts.size(), c.text == QLatin1String("-") ? 1 : 2);
            if (c.text != QLatin1String("-"))
                QCOMPARE(table.texts.value(c.key, QStringLiteral("<none>")), c.text);
        }
    }

    void parseTableNamesTheLanguage() {
        const clsLanguage::Language table = clsLanguage::ParseTable("# header\n\n@id= fr \r\n@name=Fran\xc3\xa7"
                                                                    "ais\nGEN_BTN_OK=OK\n");
        QCOMPARE(table.id, QStringLiteral("fr"));
        QCOMPARE(table.name, QString::fromUtf8("Français"));
        QCOMPARE(table.texts.keys(), QStringList{QStringLiteral("GEN_BTN_OK")}); // @ lines are no texts
    }

    void attachWindowFillsLanguageMenu() {
        IsolatedEnvironment env;
        clsLanguage language;
        QVERIFY(language.Initialize());
        QCOMPARE(language.Languages().size(), 2);

        // The entries sit in a submenu and are created in reverse order: the index property decides.
        QObject window;
        auto* submenu = new QObject(&window);
        submenu->setObjectName(QStringLiteral("mnuLanguage"));
        QList<QObject*> entries(11, nullptr);
        for (int index = 10; index >= 1; --index) {
            entries[index] = new QObject(index % 2 ? submenu : &window);
            entries[index]->setObjectName(QStringLiteral("mnuLangSelect"));
            entries[index]->setProperty("index", index);
            entries[index]->setProperty("text", QStringLiteral("stale"));
            entries[index]->setProperty("visible", true);
        }
        QVERIFY(!language.AttachWindow(nullptr));
        QVERIFY(language.AttachWindow(&window));

        // Languages are listed by name: Deutsch before English.
        QCOMPARE(entries[1]->property("text").toString(), QStringLiteral("Deutsch"));
        QCOMPARE(entries[1]->property("tag").toString(), QStringLiteral("de"));
        QCOMPARE(entries[2]->property("text").toString(), QStringLiteral("English"));
        QCOMPARE(entries[2]->property("tag").toString(), QStringLiteral("en"));
        for (int index = 1; index <= 10; ++index)
            QCOMPARE(entries[index]->property("visible").toBool(), index <= 2);
        for (int index = 3; index <= 10; ++index)
            QCOMPARE(entries[index]->property("text").toString(), QString());

        // A chosen entry's tag is what SetLanguage takes.
        QVERIFY(language.SetLanguage(entries[2]->property("tag").toString()));
        QCOMPARE(language.GetText(QStringLiteral("GEN_MNU_FILE")), QStringLiteral("&File"));
    }

    void tableInDataFolderReplacesBuiltIn() {
        IsolatedEnvironment env;
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", env.path().toLocal8Bit()); // the data folder follows the home folder in test mode
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/marklog/lang");
        QVERIFY2(folder.startsWith(env.path()), qPrintable(folder));
        QVERIFY(QDir().mkpath(folder));
        WriteBytes(folder + "/de.lng", "@id=de\n@name=Deutsch (Verein)\nMKL_CMDENTER=Eintragen\n");
        WriteBytes(folder + "/fr.lng", "@id=fr\nMKL_CMDENTER=Enregistrer\n");
        WriteBytes(folder + "/broken.lng", "MKL_CMDENTER=no identifier\n");

        clsLanguage language;
        const bool initialized = language.Initialize();
        qputenv("HOME", home);
        QVERIFY(initialized);

        QStringList names;
        for (const clsLanguage::Language& entry : language.Languages())
            names << entry.name;
        QCOMPARE(names, (QStringList{"Deutsch (Verein)", "English", "fr"})); // a table without a name shows its id
        QVERIFY(language.SetLanguage(QStringLiteral("de")));
        QCOMPARE(language.GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Eintragen"));
        QCOMPARE(language.GetText(QStringLiteral("MKL_CHKBEEP")), QStringLiteral("MKL_CHKBEEP")); // no mixing of tables
        QVERIFY(language.SetLanguage(QStringLiteral("fr")));
        QCOMPARE(language.GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Enregistrer"));
    }
};

// The system locale is read once per process, so it is chosen before the application exists:
// a language that is not shipped unless a parent process asks for another one.
int main(int argc, char** argv) {
    qputenv("LC_ALL",
            qgetenv("TST_LANGUAGE_LOCALE").isEmpty() ? QByteArray("fr_FR.UTF-8") : qgetenv("TST_LANGUAGE_LOCALE"));
    QCoreApplication app(argc, argv);
    tst_Language test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_language.moc"
