// Files far too large to be record files, handed to the record file object as the command line or
// the open dialog would: each is refused with a clear message, opens nothing, stays untouched, and
// is refused without reading more than once or filling the memory.

#include "records/FileHelpers.h"
#include "records/clsFile.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// A number of /proc/self: a field of "status" in kB ("VmHWM": the peak resident memory) or of
// "io" in bytes ("rchar": bytes read by this process).
qint64 ProcValue(const char* file, const char* field) {
    QFile proc(QStringLiteral("/proc/self/") + QLatin1String(file));
    if (!proc.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (QByteArray line = proc.readLine(); !line.isEmpty(); line = proc.readLine()) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Writes a head and `size` bytes of one character as one line, in pieces so the test stays small.
void WriteRepeated(const QString& path, const QByteArray& head, char fill, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(head);
    const QByteArray piece(kMiB, fill);
    for (qint64 left = size; left > 0; left -= piece.size())
        QVERIFY(file.write(piece.constData(), qMin<qint64>(left, piece.size())) > 0);
    file.write("\r\n");
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void refusedAndUntouched_data();
    void refusedAndUntouched();

private:
    ScopedLanguage m_language; // the refusals are read in English
};

void TestBadInput::refusedAndUntouched_data() {
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

void TestBadInput::refusedAndUntouched() {
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
    if (fill == '\0') {
        QFile sparse(path);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(2048 * kMiB)); // no block on the disk
    } else {
        WriteRepeated(path, head, fill, 100 * kMiB);
    }
    const QFileInfo before(path);
    const qint64 readBefore = ProcValue("io", "rchar");
    QVERIFY(!file.OpenFile(path));
    const qint64 read = ProcValue("io", "rchar") - readBefore;

    // Refused with a message that names the file and says why.
    QCOMPARE(messages.shown().size(), 1);
    const QString shown = messages.lastText();
    QVERIFY2(shown.contains(path), qPrintable(shown));
    QVERIFY2(shown.contains(QRegularExpression(message, QRegularExpression::DotMatchesEverythingOption)),
             qPrintable(shown.left(300)));
    // Nothing opened: the file open before stays open as it was, and new records go there.
    QCOMPARE(file.FileName(), good);
    QCOMPARE(file.Count(), 2);
    QVERIFY(file.AddBib(7));
    QCOMPARE(FileBytes(good), QByteArray("1;5\r\n2;6\r\n3;7\r\n"));

    // Untouched, read at most once, and the memory stayed bounded.
    const QFileInfo after(path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.lastModified(), before.lastModified());
    // A file too large to be a record file is refused by its size alone.
    const qint64 readable = before.size() > kMaxRecordFileBytes ? 0 : before.size();
    QVERIFY2(read <= readable + kMiB, qPrintable(QStringLiteral("%1 bytes read").arg(read)));
    const qint64 peakKiB = ProcValue("status", "VmHWM");
    QVERIFY2(peakKiB > 0 && peakKiB < 1024 * 1024, qPrintable(QStringLiteral("peak memory %1 KiB").arg(peakKiB)));
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
