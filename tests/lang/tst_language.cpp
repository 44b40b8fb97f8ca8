#include "TestEnvironment.h"
#include "lang/clsLanguage.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The program's sources, all in one text: every key literal in them must be in every table, and
// every placeholder of a text must be one the program fills in.
QString SourceText() {
    const QDir src(qEnvironmentVariable("MARKLOG_SOURCE_DIR") + QStringLiteral("/src")); // set by CTest
    QString text;
    QDirIterator it(src.path(), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        text += QString::fromUtf8(FileBytes(it.next()));
    return text;
}

// Menus (and boxes) whose entries share one access key space.
const QList<QStringList> kMenus = {
    {"MKL_BTN_RETRY", "MKL_BTN_SAVEAS"},
    {"MKL_BTN_USERECOVERY", "MKL_BTN_SAVEELSEWHERE", "MKL_BTN_KEEPFILE"},
    {"GEN_MNU_FILE", "GEN_MNU_EXTRAS", "GEN_MNU_INFO_HELP"},
    {"GEN_MNU_FILE_NEW", "MKL_MNU_FILE_OPEN", "MKL_MNU_FILE_EXPORT", "MKL_MNU_FILE_STARTLIST",
     "MKL_MNU_FILE_STARTLISTREMOVE", "MKL_MNU_FILE_EXPORTPASSAGES", "MKL_MNU_FILE_EXPORTRESULTS", "GEN_MNU_FILE_CLOSE",
     "GEN_MNU_FILE_PRINT", "MKL_MNU_FILE_PRINTRESULTS", "GEN_MNU_FILE_END"},
    {"MKL_MNU_EXTRAS_LAPCOUNTER", "MKL_MNU_EXTRAS_DISPLAY", "MKL_MNU_EXTRAS_LAPBOARD", "MKL_MNU_EXTRAS_BARCODESCANNER",
     "MKL_MNU_EXTRAS_SHOWTIMES", "MKL_MNU_EXTRAS_STARTNOW", "MKL_MNU_EXTRAS_RACESETUP", "MKL_MNU_EXTRAS_TIMER",
     "GEN_MNU_LANGUAGE"},
    {"MKL_TM_TIMESOFDAY", "MKL_TM_ELAPSED"},
    {"MKL_BTN_ONELIST", "MKL_BTN_BYCATEGORY"},
    {"GEN_MNU_HELP_ABOUT", "GEN_MNU_HELP_WIKI"},
    {"GEN_MNU_HELP_ABOUT", "MKL_MNU_HELP_GUIDE"},
};

// Texts the program follows with ": " or ":" itself.
const QStringList kColonAdded = {"MKL_SB_RECORDS", "MKL_SB_VERSION", "MKL_LC_LAPCOUNT0", "MKL_LC_LAPCOUNT1"};

clsLanguage::Language BuiltIn(const QString& id) {
    return clsLanguage::ParseTable(FileBytes(QStringLiteral(":/lang/%1.lng").arg(id)));
}

QChar AccessKey(const QString& caption) {
    const qsizetype amp = caption.indexOf(QLatin1Char('&'));
    return amp >= 0 && amp + 1 < caption.size() ? caption[amp + 1].toLower() : QChar();
}

QStringList Placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("\\[[^]]*\\]"));
    QStringList found;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

} // namespace

class tst_Language : public QObject {
    Q_OBJECT

private slots:
    void builtInTables_data() {
        QTest::addColumn<QString>("id");
        QTest::newRow("de") << QStringLiteral("de");
        QTest::newRow("en") << QStringLiteral("en");
    }

    // Both tables hold the same keys, every key the program asks for, a text for each, distinct
    // access keys within a menu, and the placeholders of the English text, each once and each one
    // the program fills in.
    void builtInTables() {
        QFETCH(QString, id);
        const clsLanguage::Language table = BuiltIn(id), english = BuiltIn(QStringLiteral("en"));
        QCOMPARE(table.id, id);
        QCOMPARE(QSet<QString>(table.texts.keyBegin(), table.texts.keyEnd()),
                 QSet<QString>(english.texts.keyBegin(), english.texts.keyEnd()));
        const QString sources = SourceText();
        const QRegularExpression literal(QStringLiteral("\"((?:GEN|MKL|BCPORT|BCPROT)_[A-Z0-9_]+)\""));
        int used = 0;
        for (const QRegularExpressionMatch& match : literal.globalMatch(sources)) {
            QVERIFY2(table.texts.contains(match.captured(1)), qPrintable(match.captured(1)));
            ++used;
        }
        QVERIFY(used > 100);
        for (auto it = table.texts.cbegin(); it != table.texts.cend(); ++it) {
            const QString& text = it.value();
            const QByteArray key = it.key().toLatin1();
            if (it.key() == QLatin1String("GEN_WIKI") || it.key() == QLatin1String("GEN_ABOUT_LABEL3"))
                QCOMPARE(text, QString()); // no online wiki or maker's address yet
            else
                QVERIFY2(!text.trimmed().isEmpty(), key);
            QVERIFY2(text == text.trimmed() && !text.contains(QLatin1Char('\t')), key);
            // The singular of a count has its plural beside it, which takes every other count.
            QVERIFY2(!it.key().endsWith(QLatin1String("_ONE")) || table.texts.contains(it.key().chopped(4)), key);
            QStringList placeholders = Placeholders(text);
            QVERIFY2(placeholders == Placeholders(english.texts.value(it.key())), key);
            QVERIFY2(placeholders.removeDuplicates() == 0, key);
            for (const QString& placeholder : placeholders)
                QVERIFY2(sources.contains('"' + placeholder + '"'), key + " " + placeholder.toLatin1());
        }
        for (const QStringList& menu : kMenus) {
            QSet<QChar> keys;
            for (const QString& key : menu) {
                const QChar accessKey = AccessKey(table.texts.value(key));
                QVERIFY2(!accessKey.isNull() && !keys.contains(accessKey), qPrintable(key + " access key"));
                keys.insert(accessKey);
            }
        }
        for (const QString& key : kColonAdded)
            QVERIFY2(!table.texts.value(key).endsWith(QLatin1Char(':')), qPrintable(key));
    }

    // SetLanguage takes a shipped language in any case; an unknown one gives the system's language
    // where it is shipped, else English.
    void setLanguageFallsBack() {
        for (const auto& [locale, fallback] : {std::pair("fr_FR", "en"), std::pair("de_AT", "de")}) {
            IsolatedEnvironment env;
            clsLanguage language(QString::fromLatin1(locale));
            QVERIFY(language.Initialize());
            QCOMPARE(language.CurrentLanguage(), QLatin1String(fallback));
            const QString other =
                QLatin1String(fallback) == QLatin1String("en") ? QStringLiteral("DE") : QStringLiteral("EN");
            for (const QString& unknown : {QString(), QStringLiteral("xx")}) {
                QVERIFY(language.SetLanguage(other));
                QCOMPARE(language.CurrentLanguage(), other.toLower());
                QVERIFY(!language.SetLanguage(unknown));
                QCOMPARE(language.CurrentLanguage(), QLatin1String(fallback));
            }
        }
    }

    // "@" lines name the table; each other line defines one key at most and never spills over.
    void parseTable() {
        const clsLanguage::Language table = clsLanguage::ParseTable(
            "# header\n\n@id= fr \r\n@name=Fran\xc3\xa7"
            "ais\nA=Text\nB=one\\ntwo\nC=C:\\\\Races\nD=end\\\nE=a=b\n  F =x\nG=Rundenz\xc3\xa4hler\nH=Text\r\n"
            "#I=Text\nJ Text\n=Text\nNEXT=1\n");
        QCOMPARE(table.id, QStringLiteral("fr"));
        QCOMPARE(table.name, QString::fromUtf8("Français"));
        QStringList texts;
        for (auto it = table.texts.cbegin(); it != table.texts.cend(); ++it)
            texts << it.key() + '=' + it.value();
        texts.sort();
        QCOMPARE(texts, (QStringList{"A=Text", "B=one\ntwo", "C=C:\\Races", "D=end\\", "E=a=b", "F=x",
                                     QString::fromUtf8("G=Rundenzähler"), "H=Text", "NEXT=1"}));
    }

    // The languages are listed by name (a table without a name by its id), each with the
    // identifier SetLanguage takes. A table in the user's data folder replaces the shipped one of its
    // language, without mixing. Unknown keys show as themselves, also before any table is loaded;
    // values fill the placeholders of a text.
    void languagesAndTexts() {
        IsolatedEnvironment env;
        QCOMPARE(GetText(QStringLiteral("MKL_MAIN_CAPTION")), QStringLiteral("MKL_MAIN_CAPTION"));
        const QString folder = env.dataFolder() + QStringLiteral("/marklog/lang/");
        QVERIFY(QDir().mkpath(folder));
        WriteBytes(folder + "de.lng", "@id=de\n@name=Deutsch (Verein)\nMKL_CMDENTER=Eintragen\n");
        WriteBytes(folder + "fr.lng", "@id=fr\nMKL_CMDENTER=Enregistrer\n");
        WriteBytes(folder + "broken.lng", "MKL_CMDENTER=no identifier\n");
        clsLanguage language;
        QVERIFY(language.Initialize());
        QStringList names, ids;
        for (const clsLanguage::Language& each : language.Languages()) {
            names << each.name;
            ids << each.id;
        }
        QCOMPARE(names, (QStringList{"Deutsch (Verein)", "English", "fr"}));
        QCOMPARE(ids, (QStringList{"de", "en", "fr"}));
        QVERIFY(language.SetLanguage(ids[1]));
        QCOMPARE(language.GetText(QStringLiteral("MKL_NO_SUCH_KEY")), QStringLiteral("MKL_NO_SUCH_KEY"));
        QCOMPARE(language.GetText(QStringLiteral("mkl_cmdenter")), QStringLiteral("mkl_cmdenter")); // keys are exact
        gLanguage = &language;
        // Placeholders are filled in one pass: a value that holds a placeholder stays as it is.
        QCOMPARE(GetText(QStringLiteral("MKL_ERR_READ"), {{QStringLiteral("[Filename]"), "/a/[reason].stn"},
                                                          {QStringLiteral("[reason]"), "[Filename]"}}),
                 QStringLiteral("The file \"/a/[reason].stn\" could not be read: [Filename]."));
        QVERIFY(language.SetLanguage(QStringLiteral("de")));
        QCOMPARE(GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Eintragen"));
        QCOMPARE(GetText(QStringLiteral("MKL_CHKBEEP")), QStringLiteral("MKL_CHKBEEP"));
        QVERIFY(language.SetLanguage(QStringLiteral("fr")));
        QCOMPARE(GetText(QStringLiteral("MKL_CMDENTER")), QStringLiteral("Enregistrer"));
        gLanguage = nullptr;
    }
};

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
