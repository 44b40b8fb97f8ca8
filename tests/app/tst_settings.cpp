#include "app/Registry.h"
#include "app/Settings.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

// The settings store: value types, empty values, and the program key kept apart from the family key.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<IsolatedEnvironment>(); }
    void cleanup() { m_env.reset(); }
    void valuesReadBackByType_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("text") << QVariant("C:\\Races\\") << 1 << QVariant("C:\\Races\\");
        QTest::newRow("number as text") << QVariant(1000000) << 1 << QVariant("1000000");
        QTest::newRow("umlauts") << QVariant("Zürich Läufe") << 1 << QVariant("Zürich Läufe");
        QTest::newRow("dword") << QVariant(20000) << 4 << QVariant(qint32(20000));
        QTest::newRow("negative dword") << QVariant(-2) << 4 << QVariant(qint32(-2));
        QTest::newRow("dword from text") << QVariant("77") << 4 << QVariant(qint32(77));
        QTest::newRow("binary keeps the low byte") << QVariant(0x1234) << 3 << QVariant(qint32(0x34));
    }

    void valuesReadBackByType() {
        QFETCH(QVariant, value);
        QFETCH(int, type);
        QFETCH(QVariant, expected);
        QCOMPARE(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("Probe"), value, type), 0);
        const QVariant read = GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("Probe"));
        QCOMPARE(read.typeId(), expected.typeId());
        QCOMPARE(read, expected);
    }

    void missingAndEmptyDiffer() {
        QVERIFY(!ReadSetting(QStringLiteral("Language")).isValid());
        QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QString());
        WriteSetting(QStringLiteral("Language"), QString());
        const QVariant empty = ReadSetting(QStringLiteral("Language"));
        QVERIFY(empty.isValid());
        QCOMPARE(empty.toString(), QString());
        // An unsupported type writes nothing and says so.
        QCOMPARE(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("X"), 1, 2), -1);
        QVERIFY(!GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("X")).isValid());
    }

    void checkBoxValuesWritten() {
        QCOMPARE(CheckBoxValue(true), QStringLiteral("1"));
        QCOMPARE(CheckBoxValue(false), QStringLiteral("0"));
    }

    void programKeyAndFamilyKeyStayApart() {
        QCOMPARE(ProgramKeyPath(), QStringLiteral("Software\\Trevanta\\") +
                                       QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"),
                         QStringLiteral("/family/"), 1);
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        // A family value is not seen through the program key, nor the other way round.
        QVERIFY(!ReadSetting(QStringLiteral("CurrDir")).isValid());
        QVERIFY(!GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("Beeper")).isValid());
        QCOMPARE(GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString(),
                 QStringLiteral("/family/"));
        // Each key is a file of its own in the user's configuration folder.
        QVERIFY(QFile::exists(m_env->configFolder() + QStringLiteral("/Trevanta/Trevanta.conf")));
        QVERIFY(QFile::exists(m_env->configFolder() + QStringLiteral("/Trevanta/") + ExecutableBaseName() +
                              QStringLiteral(".conf")));
    }

    void checkBoxValues_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("1") << QVariant("1") << true;
        QTest::newRow("0") << QVariant("0") << false;
        QTest::newRow("2") << QVariant("2") << false;
        QTest::newRow("empty") << QVariant("") << false;
        QTest::newRow("missing") << QVariant() << false;
    }

    void checkBoxValues() {
        QFETCH(QVariant, stored);
        QTEST(IsCheckedValue(stored), "checked");
    }

    // A store that cannot be written gives a non-zero result instead of pretending success.
    void unwritableStoreReportsFailure() {
        const QString folder = m_env->configFolder() + QStringLiteral("/Trevanta");
        QDir().mkpath(m_env->configFolder());
        QFile blocker(folder); // a plain file where the folder must go blocks even root
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"),
                                 QStringLiteral("/x/"), 1) != 0);
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1")); // ignored, never throws
        QVERIFY(!ReadSetting(QStringLiteral("Beeper")).isValid());
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
