// Files that are not record files at all, handed to the record file object as the command line or
// the open dialog would: each is refused with a clear message, opens nothing, stays untouched, and
// is refused without hanging or filling the memory.

#include "records/FileHelpers.h"
#include "records/clsFile.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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

// Writes a head, `size` bytes of one character, and a tail, in pieces so the test itself stays small.
void WriteRepeated(const QString& path, const QByteArray& head, char fill, qint64 size, const QByteArray& tail = {}) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(head);
    const QByteArray piece(kMiB, fill);
    for (qint64 left = size; left > 0; left -= piece.size())
        QVERIFY(file.write(piece.constData(), qMin<qint64>(left, piece.size())) > 0);
    file.write(tail);
}

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray(1, high) + low : QByteArray(1, low) + high;
    }
    return bytes;
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void refusedAndUntouched_data();
    void refusedAndUntouched();

private:
    void Create(const QString& kind, const QString& path);

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    ScopedLanguage m_language; // the refusals are read in English
};

void TestBadInput::init() {
    m_env = std::make_unique<IsolatedEnvironment>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestBadInput::cleanup() {
    m_dir.reset();
    m_messages.reset();
    m_env.reset();
}

void TestBadInput::Create(const QString& kind, const QString& path) {
    if (kind == QLatin1String("binary")) {
        QRandomGenerator random(4711);
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        bytes[100] = '\0';
        WriteBytes(path, bytes);
    } else if (kind == QLatin1String("2 GB")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(2048 * kMiB)); // sparse: no block of it is on the disk
    } else if (kind == QLatin1String("100 MB letters")) {
        WriteRepeated(path, {}, 'x', 100 * kMiB);
    } else if (kind == QLatin1String("100 MB digits")) {
        WriteRepeated(path, "1;", '7', 100 * kMiB, "\r\n");
    } else if (kind == QLatin1String("100 MB text")) {
        WriteRepeated(path, "1;", 'x', 100 * kMiB, "\r\n");
    } else if (kind == QLatin1String("UTF-16 LE") || kind == QLatin1String("UTF-16 BE")) {
        WriteBytes(path, Utf16(QStringLiteral("1;12\r\n2;7\r\n"), kind.endsWith(QLatin1String("BE"))));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    }
}

void TestBadInput::refusedAndUntouched_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // what the operator is told; "" when the window tells it
    const QString notRecordFile = QStringLiteral("is not a Marklog record file.*not opened.*not changed");
    QTest::newRow("binary data") << "binary" << notRecordFile;
    QTest::newRow("2 GB file") << "2 GB"
                               << "is 2048 MB large and cannot be a record file";
    QTest::newRow("one line of 100 MB, no separator") << "100 MB letters" << notRecordFile;
    QTest::newRow("one line of 100 MB, digits") << "100 MB digits"
                                                << "(not a Marklog record file|not a valid number)";
    QTest::newRow("one line of 100 MB, text after the separator") << "100 MB text" << notRecordFile;
    QTest::newRow("UTF-16 LE with BOM") << "UTF-16 LE" << notRecordFile;
    QTest::newRow("UTF-16 BE with BOM") << "UTF-16 BE" << notRecordFile;
    // A folder is no file: the open fails quietly and the main window says it could not be opened.
    QTest::newRow("a folder") << "folder"
                              << "";
}

void TestBadInput::refusedAndUntouched() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString good = m_dir->filePath(QStringLiteral("good.stn"));
    WriteBytes(good, "1;5\r\n2;6\r\n");
    clsFile file;
    QVERIFY(file.OpenFile(good));

    const QString path = m_dir->filePath(QStringLiteral("bad.stn"));
    Create(kind, path);
    const QFileInfo before(path);
    const qint64 readBefore = ProcValue("io", "rchar");
    QVERIFY(!file.OpenFile(path));
    const qint64 read = ProcValue("io", "rchar") - readBefore;

    // Refused with a message that names the file and says why.
    if (message.isEmpty()) {
        QVERIFY(m_messages->shown().isEmpty());
    } else {
        QCOMPARE(m_messages->shown().size(), 1);
        const QString shown = m_messages->lastText();
        QVERIFY2(shown.contains(QDir::toNativeSeparators(path)), qPrintable(shown));
        QVERIFY2(shown.contains(QRegularExpression(message, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(shown.left(300)));
    }
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
