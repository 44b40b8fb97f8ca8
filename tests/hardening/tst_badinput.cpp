// Files far too large to be record files, handed to the record file object as the command line or
// the open dialog would: each is refused with a clear error, opens nothing, stays untouched, and
// is refused without reading more than once or filling the memory.

#include "records/FileHelpers.h"
#include "records/clsFile.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QtTest>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// A number of /proc/self: "VmHWM" of "status" (the peak resident memory, kB) or "rchar" of "io"
// (bytes read by this process).
qint64 ProcValue(const char* file, const char* field) {
    const QRegularExpression line(QStringLiteral("^%1:\\s*(\\d+)").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(FileBytes(QStringLiteral("/proc/self/") + QLatin1String(file))))
        .captured(1)
        .toLongLong();
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void refusedAndUntouched_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<char>("fill"); // 2 GiB of nothing when 0, else 100 MiB of it
        QTest::addColumn<QString>("message");
        const QString notRecordFile = QStringLiteral("is not a Marklog record file.*not opened.*not changed");
        QTest::newRow("2 GB file") << QByteArray() << '\0' << "is 2048 MB large and cannot be a record file";
        QTest::newRow("one line of 100 MB, no separator") << QByteArray() << 'x' << notRecordFile;
        QTest::newRow("one line of 100 MB, digits")
            << QByteArray("1;") << '7' << "(not a Marklog record file|not a valid number)";
        QTest::newRow("one line of 100 MB, text after the separator") << QByteArray("1;") << 'x' << notRecordFile;
    }

    void refusedAndUntouched() {
        QFETCH(QByteArray, head);
        QFETCH(char, fill);
        QFETCH(QString, message);
        const IsolatedEnvironment environment;
        ScriptedMessages messages;
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.stn"));
        WriteBytes(good, "1;5\r\n2;6\r\n");
        clsFile file;
        QVERIFY(file.OpenFile(good));

        const QString path = dir.filePath(QStringLiteral("bad.stn"));
        QFile bad(path);
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(head) == head.size());
        for (int piece = 0; fill != '\0' && piece < 100; ++piece) // one line, written in pieces
            QVERIFY(bad.write(QByteArray(kMiB, fill)) == kMiB);
        QVERIFY(fill != '\0' ? bad.write("\r\n") == 2 : bad.resize(2048 * kMiB)); // sparse: no block on the disk
        bad.close();
        const QFileInfo before(path);
        const qint64 readBefore = ProcValue("io", "rchar");
        QString shown;
        try {
            file.OpenFile(path);
        } catch (const RaisedError& error) {
            shown = error.info().description;
        }
        const qint64 read = ProcValue("io", "rchar") - readBefore;

        // Refused with an error that names the file and says why; the caller shows it.
        QVERIFY(messages.shown().isEmpty());
        QVERIFY2(shown.contains(path) &&
                     shown.contains(QRegularExpression(message, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(shown.left(300)));
        QVERIFY(file.FileName() == good && file.Count() == 2); // the file open before stays open

        // Untouched, read at most once, and the memory stayed bounded.
        QCOMPARE(QFileInfo(path).size(), before.size());
        QCOMPARE(QFileInfo(path).lastModified(), before.lastModified());
        // A file too large to be a record file is refused by its size alone.
        const qint64 readable = before.size() > kMaxRecordFileBytes ? 0 : before.size();
        QVERIFY2(read <= readable + kMiB, qPrintable(QStringLiteral("%1 bytes read").arg(read)));
        const qint64 peakKiB = ProcValue("status", "VmHWM");
        QVERIFY2(peakKiB > 0 && peakKiB < 1024 * 1024, qPrintable(QStringLiteral("peak memory %1 KiB").arg(peakKiB)));
    }

private:
    ScopedLanguage m_language; // the refusals are read in English
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
