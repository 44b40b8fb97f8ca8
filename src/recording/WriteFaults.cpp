#include "recording/WriteFaults.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/AlarmBand.h"
#include "recording/MainStatusBar.h"
#include "recording/RecordFileCommands.h"
#include "records/RecoveryCopy.h"
#include "records/clsFile.h"

#include <QDir>
#include <QScopedValueRollback>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// How many records the file lacks, why, and where they are kept meanwhile.
QString OutOfStepText(const clsFile& file) {
    const qint32 missing = file.RecordsNotInFile();
    const QPair<QString, QString> reason{QStringLiteral("[reason]"), file.WriteError().description};
    QString text = missing > 0 ? GetCountText(QStringLiteral("MKL_MSG_NOTINFILE"), missing, {reason})
                               : GetText(QStringLiteral("MKL_MSG_FILELAGS"), {reason});
    text += QLatin1Char(' ');
    if (!file.KeptIn().isEmpty())
        text += GetText(QStringLiteral("MKL_MSG_KEPTIN"), {{QStringLiteral("[path]"), Native(file.KeptIn())}});
    else
        text += GetText(QStringLiteral("MKL_MSG_MEMORYONLY"), {{QStringLiteral("[reason]"), file.KeepError()}});
    return text;
}

MsgAnswer Ask(const QString& text, const QStringList& choices) {
    MessageRequest question;
    question.text = text;
    question.title = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
    question.icon = MsgIcon::Exclamation;
    question.buttons = MsgButtons::Choices;
    question.choices = choices;
    return ShowMessage(question);
}

QVector<qint32> BibsOf(const clsFile& file) {
    QVector<qint32> bibs;
    for (qint32 i = 0; i < file.Count(); ++i)
        bibs.append(file.GetRecord(i).Bib);
    return bibs;
}

} // namespace

WriteFaults::WriteFaults(clsFile& records, AlarmBand& band, MainStatusBar& status, QWidget* window)
    : QObject(window), m_records(records), m_status(status), m_window(window), m_band(band) {}

void WriteFaults::AfterWrite(bool saved) {
    if (!saved && !m_records.InStep()) {
        LogError(m_records.WriteError());
        PlayAlarmSound();
    }
    ShowWriteState();
}

void WriteFaults::ShowWriteState() {
    ShowFoundInFile();
    const QString notSaved = GetText(QStringLiteral("MKL_SB_SAVEFAILED"));
    if (m_records.InStep()) {
        m_band.Clear(AlarmBand::Source::Write);
        if (m_status.StateKey() == QLatin1String("MKL_SB_SAVEFAILED"))
            m_status.ShowState(QStringLiteral("MKL_SB_SAVED"));
        return;
    }
    m_band.Set(AlarmBand::Source::Write, notSaved + QLatin1Char(' ') + OutOfStepText(m_records));
    m_status.ShowState(QStringLiteral("MKL_SB_SAVEFAILED"));
}

// What was found in the file, each told on its own: zero bytes until the file is written without
// them, damaged lines and where the file as it was is kept, a file found not the one last written.
void WriteFaults::ShowFoundInFile() {
    m_band.Set(AlarmBand::Source::ZeroBytes,
               m_records.ZeroPadded() ? GetText(QStringLiteral("MKL_MSG_ZEROBYTES"),
                                                {{QStringLiteral("[Filename]"), Native(m_records.FileName())}})
                                      : QString());
    m_band.Set(AlarmBand::Source::Damaged, m_records.DamagedLinesText());
    m_band.Set(AlarmBand::Source::Replaced, m_records.ReplacedText());
}

void WriteFaults::FileOpened() {
    OfferRecoveryCopy();
    ShowWriteState();
}

void WriteFaults::FileClosed() {
    for (AlarmBand::Source source : {AlarmBand::Source::Write, AlarmBand::Source::ZeroBytes, AlarmBand::Source::Damaged,
                                     AlarmBand::Source::Replaced, AlarmBand::Source::KeptBeside})
        m_band.Clear(source);
}

void WriteFaults::ScannerAlarm(const QString& text) {
    m_band.Set(AlarmBand::Source::Scanner, text);
    PlayAlarmSound();
}

void WriteFaults::ScannerBack() {
    m_band.Clear(AlarmBand::Source::Scanner);
}

bool WriteFaults::MayLeaveFile() {
    if (m_records.FileName().isEmpty() || m_records.InStep())
        return true;
    // A disk that works again by now needs no question.
    if (!m_records.SaveFile())
        LogError(m_records.WriteError());
    ShowWriteState();
    const QScopedValueRollback<bool> asking(m_askingToLeave, true);
    while (!m_records.InStep()) {
        const MsgAnswer answer =
            Ask(OutOfStepText(m_records) + QStringLiteral("\n\n") + GetText(QStringLiteral("MKL_MSG_LEAVEQUESTION")),
                {GetText(QStringLiteral("MKL_BTN_RETRY")), GetText(QStringLiteral("MKL_BTN_SAVEAS")),
                 GetText(QStringLiteral("GEN_BTN_CANCEL"))});
        if (answer == MsgAnswer::Choice1) {
            if (!m_records.SaveFile())
                LogError(m_records.WriteError());
        } else if (answer == MsgAnswer::Choice2) {
            const QString path = AskRecordFileToSave(m_window);
            if (path.isEmpty())
                continue;
            ReportingErrors([this, &path] {
                m_records.SaveAs(path);
                emit SavedAs(path);
            });
        } else {
            return false;
        }
        ShowWriteState();
    }
    return true;
}

void WriteFaults::OfferRecoveryCopy() {
    const QString file = m_records.FileName();
    const std::optional<QVector<qint32>> kept = ReadRecoveryCopy(file);
    if (!kept)
        return;
    const QVector<qint32> bibs = BibsOf(m_records);
    if (*kept == bibs) {
        RemoveRecoveryCopy(file); // left by a run ended right after the file caught up
        return;
    }
    // Each side's records the other lacks, so the operator sees what each choice keeps.
    const RecoverySides sides = CompareWithRecoveryCopy(bibs, *kept);
    const QString text =
        GetText(QStringLiteral("MKL_MSG_RECOVERY"),
                {{QStringLiteral("[Filename]"), Native(file)},
                 {QStringLiteral("[path]"), Native(RecoveryCopyPath(file))},
                 {QStringLiteral("[copyonly]"), GetCountText(QStringLiteral("MKL_MSG_COPYONLY"), sides.copyOnly)},
                 {QStringLiteral("[fileonly]"), GetCountText(QStringLiteral("MKL_MSG_FILEONLY"), sides.fileOnly)}});
    const MsgAnswer answer =
        Ask(text, {GetText(QStringLiteral("MKL_BTN_USERECOVERY")), GetText(QStringLiteral("MKL_BTN_SAVEELSEWHERE")),
                   GetText(QStringLiteral("MKL_BTN_KEEPFILE"))});
    // The operator's answer is an action of its own: its failure does not stop the file opening.
    ReportingErrors([this, answer, &kept, &file] {
        if (answer == MsgAnswer::Choice1) {
            QString beside;
            if (!m_records.AdoptRecoveryCopy(*kept, &beside))
                LogError(m_records.WriteError());
            if (!beside.isEmpty())
                m_band.Set(AlarmBand::Source::KeptBeside,
                           GetText(QStringLiteral("MKL_MSG_KEPTBESIDE"), {{QStringLiteral("[path]"), Native(beside)}}));
        } else if (answer == MsgAnswer::Choice2) {
            const QString path = AskRecordFileToSave(m_window);
            if (!path.isEmpty())
                SaveRecoveryCopyAs(file, path);
        }
    });
}
