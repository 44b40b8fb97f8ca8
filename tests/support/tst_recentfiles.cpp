#include "support/clsRecentFiles.h"

#include "app/Settings.h"

#include "TestEnvironment.h"

#include <QTest>

#include <memory>

namespace {

// A window's worth of menu objects: entries found by the property "index" below an inner menu
// object (as the File menu holds them), and the separator.
struct MenuTree {
    QObject window;
    QObject* menu = new QObject(&window);
    QList<QObject*> entries;
    QObject* separator = new QObject(menu);

    MenuTree() {
        separator->setObjectName(QStringLiteral("mnuFile_LFMSep"));
        for (int index = 1; index <= 4; ++index) {
            auto* entry = new QObject(menu);
            entry->setObjectName(QStringLiteral("mnuFile_LFM"));
            entry->setProperty("index", index);
            entries.append(entry);
        }
        Stale();
    }

    // Every entry shown with an old caption, so a test sees what a rebuild hides.
    void Stale() {
        for (QObject* entry : entries) {
            entry->setProperty("text", QStringLiteral("stale"));
            entry->setProperty("visible", true);
        }
        separator->setProperty("visible", true);
    }

    QStringList VisibleCaptions() const {
        QStringList captions;
        for (QObject* entry : entries) {
            if (entry->property("visible").toBool())
                captions << entry->property("text").toString();
        }
        return captions;
    }
};

void StoreList(const QStringList& list) {
    for (int i = 0; i < list.size(); ++i)
        WriteSetting(QStringLiteral("LastFile%1").arg(i + 1), list[i]);
}

QStringList StoredList() {
    clsRecentFiles reader;
    QStringList list;
    for (qint16 position = 1; position <= reader.ListSize(); ++position)
        list << reader.GetLastFile(position);
    return list;
}

} // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
    }

    void cleanup() {
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_env.reset();
    }

    void operations_data() {
        QTest::addColumn<QStringList>("initial"); // empty: fresh settings
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<bool>("separator");
        const QString e;
        const QStringList abcd{"A", "B", "C", "D"};

        // Captions are the visible entries in order: "&<number>  <path>".
        QTest::newRow("fresh settings") << QStringList() << "read" << e << QStringList{e, e, e, e} << QStringList()
                                        << false;
        QTest::newRow("known file, case ignored")
            << QStringList{"C", "A", "B", "D"} << "set"
            << "b" << QStringList{"b", "C", "A", "D"} << QStringList{"&1  b", "&2  C", "&3  A", "&4  D"} << true;
        QTest::newRow("new file drops the last")
            << abcd << "set"
            << "E" << QStringList{"E", "A", "B", "C"} << QStringList{"&1  E", "&2  A", "&3  B", "&4  C"} << true;
        QTest::newRow("empty positions stay empty")
            << QStringList{"A", e, e, e} << "set"
            << "B" << QStringList{"B", "A", e, e} << QStringList{"&1  B", "&2  A"} << true;
        QTest::newRow("delete, case ignored")
            << abcd << "delete"
            << "b" << QStringList{"A", "C", "D", e} << QStringList{"&1  A", "&2  C", "&3  D"} << true;
        QTest::newRow("delete unknown file") << abcd << "delete"
                                             << "X" << abcd << QStringList{"&1  A", "&2  B", "&3  C", "&4  D"} << true;
        QTest::newRow("delete the only file") << QStringList{"A", e, e, e} << "delete"
                                              << "A" << QStringList{e, e, e, e} << QStringList() << false;
        QTest::newRow("gaps are skipped in the numbering")
            << QStringList{"/races/one.stn", e, "/races/three.stn", e} << "read" << e
            << QStringList{"/races/one.stn", e, "/races/three.stn", e}
            << QStringList{"&1  /races/one.stn", "&2  /races/three.stn"} << true;
        QTest::newRow("separator follows position 1 only")
            << QStringList{e, "B", e, e} << "read" << e << QStringList{e, "B", e, e} << QStringList{"&1  B"} << false;
    }

    void operations() {
        QFETCH(QStringList, initial);
        QFETCH(QString, operation);
        QFETCH(QString, argument);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, captions);
        QFETCH(bool, separator);
        StoreList(initial);
        MenuTree tree;

        clsRecentFiles recent;
        recent.OwnerForm = &tree.window;
        QCOMPARE(recent.ListSize(), qint16(4));
        if (operation == QLatin1String("set"))
            recent.SetFirstFile(argument);
        else if (operation == QLatin1String("delete"))
            recent.Delete(argument);
        else
            QVERIFY(recent.ReadRecentFiles());

        QCOMPARE(StoredList(), expected);
        QCOMPARE(tree.VisibleCaptions(), captions);
        QCOMPARE(tree.separator->property("visible").toBool(), separator);
        // The caption's path starts at the fifth character, where the menu's click handler reads it.
        for (const QString& caption : captions)
            QVERIFY(expected.contains(caption.mid(4)));
    }

    void entriesNamedWithTheirNumber() {
        StoreList({"A", "B", QString(), QString()});
        QObject window;
        QList<QObject*> entries;
        for (int number = 1; number <= 4; ++number) {
            auto* entry = new QObject(&window);
            entry->setObjectName(QStringLiteral("mnuFile_LFM%1").arg(number));
            entry->setProperty("visible", true);
            entries << entry;
        }
        clsRecentFiles recent;
        recent.OwnerForm = &window;
        QVERIFY(recent.ReadRecentFiles()); // no separator: it is skipped
        QStringList shown;
        for (QObject* entry : entries)
            shown << (entry->property("visible").toBool() ? entry->property("text").toString() : QStringLiteral("-"));
        QCOMPARE(shown, QStringList({"&1  A", "&2  B", "-", "-"}));
    }

    void ownerWithoutEntriesIsLeftAlone() {
        StoreList({"A"});
        QObject window;
        auto* separator = new QObject(&window);
        separator->setObjectName(QStringLiteral("mnuFile_LFMSep"));
        separator->setProperty("visible", false);
        auto* second = new QObject(&window);
        second->setObjectName(QStringLiteral("mnuFile_LFM"));
        second->setProperty("index", 2);

        clsRecentFiles recent;
        recent.OwnerForm = &window;
        QVERIFY(!recent.ReadRecentFiles());
        QCOMPARE(separator->property("visible").toBool(), false);
        QVERIFY(!second->property("text").isValid());
        // The list itself still changes; only the menu is missing.
        recent.SetFirstFile(QStringLiteral("B"));
        QCOMPARE(StoredList(), (QStringList{"B", "A", QString(), QString()}));

        clsRecentFiles ownerless;
        QVERIFY(!ownerless.ReadRecentFiles());
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
};

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
