#include "app/ErrorHandler.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"
#include "support/ctlWiki.h"
#include "support/frmAbout.h"

#include "GuiFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {
// A language table "ts" of its own beside the shipped ones, with only the keys a test needs.
void UseTable(GuiFixture& f, const QByteArray& lines) {
    QDir().mkpath(f.env.dataFolder() + QStringLiteral("/marklog/lang"));
    WriteBytes(f.env.dataFolder() + QStringLiteral("/marklog/lang/ts.lng"), "@id=ts\n@name=Test\n" + lines);
    f.UseLanguage(QStringLiteral("ts"));
}

QString SamePath(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_opened.clear();
        m_previousOpener = SetDocumentOpener([this](const QString& document) {
            m_opened << document;
            return true;
        });
    }

    void cleanup() {
        SetDocumentOpener(m_previousOpener);
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // nothing here reports
        m_f.reset();
    }

    // The version, the licence line's year, and a link only when a real maker's address is set;
    // without one line 3 tells where the user guide is.
    void aboutWindow_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("no address") << QByteArray() << QStringList();
        QTest::newRow("placeholder") << QByteArray("marklog.example.org") << QStringList();
        QTest::newRow("real address") << QByteArray("www.trevanta.de") << QStringList{"http://www.trevanta.de"};
    }
    void aboutWindow() {
        QFETCH(QByteArray, address);
        QFETCH(QStringList, opened);
        UseTable(*m_f,
                 "GEN_ABOUT_LABEL2=(c) [YEAR]-[Year]\nMKL_ABOUT_NOLINK=Guide: [guide]\nGEN_ABOUT_LABEL3=" + address);
        FixedClock clock(QDateTime(QDate(2026, 5, 2), QTime(15, 30, 12)));
        frmAbout about;
        QCOMPARE(Find<QLabel>(&about, "lblVersion")->text(), "GEN_ABOUT_VERSION " + VersionText());
        QCOMPARE(about.lblLabel(2)->text(), QStringLiteral("(c) 2026-2026"));
        QCOMPARE(about.lblLabel(3)->text(),
                 opened.isEmpty() ? "Guide: " + QDir::toNativeSeparators(GuidePath(QStringLiteral("ts"))) : address);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        for (int label = 1; label <= 3; ++label)
            QTest::mouseClick(about.lblLabel(label), Qt::LeftButton);
        QCOMPARE(m_opened, opened);
        QTest::mouseClick(Find<QPushButton>(&about, "cmdOK"), Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // Without a wiki, help opens the guide of the language (German falls back to the English one
    // until it has its own), also from the wiki link control; with one, the article's address.
    void helpOpensGuideOrWiki() {
        const QString guides = m_f->env.dataFolder() + QStringLiteral("/marklog/guide/");
        QDir().mkpath(guides);
        WriteBytes(guides + QStringLiteral("marklog-guide-en.html"), "<html>en</html>");
        m_f->UseLanguage(QStringLiteral("de"));
        QCOMPARE(SamePath(HelpAddress(QStringLiteral("MARKLOG"))), SamePath(guides + "marklog-guide-en.html"));
        WriteBytes(guides + QStringLiteral("marklog-guide-de.html"), "<html>de</html>");
        QCOMPARE(SamePath(HelpAddress(QStringLiteral("MARKLOG"))), SamePath(guides + "marklog-guide-de.html"));
        QCOMPARE(SamePath(GuidePath(QStringLiteral("de_AT"))), SamePath(guides + "marklog-guide-de.html"));
        m_f->UseLanguage(QStringLiteral("en"));
        ctlWiki wiki;
        wiki.Init(QStringLiteral("Guide"), QStringLiteral("MARKLOG"));
        wiki.resize(400, 40);
        wiki.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wiki));
        QTest::mouseClick(&wiki, Qt::LeftButton, {}, QPoint(390, 5));
        QCOMPARE(SamePath(m_opened.value(0)), SamePath(guides + "marklog-guide-en.html"));

        // The base address is joined to the article directly, with nothing in between.
        UseTable(*m_f, "GEN_WIKI=https://wiki.example.org/index.php?title=\n");
        wiki.Init(QStringLiteral("Wiki"), QStringLiteral("OTHER"));
        wiki.OpenArticle();
        QCOMPARE(m_opened, (QStringList{m_opened.value(0), "https://wiki.example.org/index.php?title=OTHER#z"}));
    }

private:
    QStringList m_opened;
    DocumentOpener m_previousOpener;
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestAbout)
#include "tst_gui_about.moc"
