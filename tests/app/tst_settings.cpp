#include "app/Registry.h"
#include "app/Settings.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

namespace {
const QString kProbe = QStringLiteral("Probe");

int SetFamily(const QString& name, const QVariant& value, qint32 type = RegistryType::String) {
    return SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), name, value, type);
}
QVariant GetFamily(const QString& name) {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), name);
}
} // namespace

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
        QTest::newRow("unsupported type writes nothing") << QVariant(1) << 2 << QVariant();
    }
    void valuesReadBackByType() {
        QFETCH(QVariant, value);
        QFETCH(int, type);
        QFETCH(QVariant, expected);
        QCOMPARE(SetFamily(kProbe, value, type), expected.isValid() ? 0 : -1);
        QCOMPARE(GetFamily(kProbe).typeId(), expected.typeId());
        QCOMPARE(GetFamily(kProbe), expected);
    }

    void missingAndEmptyDiffer() {
        QVERIFY(!ReadSetting(QStringLiteral("Language")).isValid());
        WriteSetting(QStringLiteral("Language"), QString());
        QVERIFY(ReadSetting(QStringLiteral("Language")).isValid());
        QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QString());
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
        QFETCH(bool, checked);
        QCOMPARE(IsCheckedValue(stored), checked);
        QCOMPARE(CheckBoxValue(checked), checked ? QStringLiteral("1") : QStringLiteral("0"));
    }

    void programKeyAndFamilyKeyStayApart() {
        QCOMPARE(ProgramKeyPath(), QStringLiteral("Software\\Trevanta\\") +
                                       QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        SetFamily(QStringLiteral("CurrDir"), QStringLiteral("/family/"));
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(!ReadSetting(QStringLiteral("CurrDir")).isValid());
        QVERIFY(!GetFamily(QStringLiteral("Beeper")).isValid());
        QCOMPARE(GetFamily(QStringLiteral("CurrDir")).toString(), QStringLiteral("/family/"));
        // Each key is a file of its own in the user's configuration folder.
        QVERIFY(QFile::exists(m_env->configFolder() + QStringLiteral("/Trevanta/Trevanta.conf")));
        QVERIFY(QFile::exists(m_env->configFolder() + QStringLiteral("/Trevanta/") + ExecutableBaseName() +
                              QStringLiteral(".conf")));
    }

    // A store that cannot be written gives a non-zero result instead of pretending success.
    void unwritableStoreReportsFailure() {
        WriteBytes(m_env->configFolder() + QStringLiteral("/Trevanta"), "x"); // a file where the folder must go
        QVERIFY(SetFamily(QStringLiteral("CurrDir"), QStringLiteral("/x/")) != 0);
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1")); // ignored, never throws
        QVERIFY(!ReadSetting(QStringLiteral("Beeper")).isValid());
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
