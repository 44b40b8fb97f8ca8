// Faults of the record file: a write that fails while the operator records shows in the alarm
// band, never in a box; the list is not given up while the file lags behind it; a recovery copy
// an earlier run left is offered when its file opens.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/AlarmBand.h"
#include "recording/MainStatusBar.h"
#include "records/RecoveryCopy.h"

#include <QDir>
#include <QScopedValueRollback>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// How many records the file lacks, why, and where they are kept meanwhile.
QString OutOfStepText(const clsFile& file) {
    const qint32 missing = file.RecordsNotInFile();
    QString text = missing > 0 ? GetCountText(QStringLiteral("MKL_MSG_NOTINFILE"), missing)
                               : GetText(QStringLiteral("MKL_MSG_FILELAGS"));
    text.replace(QStringLiteral("[reason]"), file.WriteError().description);
    text += QLatin1Char(' ');
    if (!file.KeptIn().isEmpty())
        text += GetText(QStringLiteral("MKL_MSG_KEPTIN")).replace(QStringLiteral("[path]"), Native(file.KeptIn()));
    else
        text += GetText(QStringLiteral("MKL_MSG_MEMORYONLY")).replace(QStringLiteral("[reason]"), file.KeepError());
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

void frmMain::AfterWrite(bool saved) {
    if (!saved && !RecordFile.InStep()) {
        LogError(RecordFile.WriteError());
        PlayAlarmSound();
    }
    ShowWriteState();
}

void frmMain::ShowWriteState() {
    if (!RecordFile.ZeroPadded())
        m_alarm->Clear(AlarmBand::Source::Notice); // the file has been rewritten without them
    const QString notSaved = GetText(QStringLiteral("MKL_SB_SAVEFAILED"));
    if (RecordFile.InStep()) {
        m_alarm->Clear(AlarmBand::Source::Write);
        if (m_stateKey == QLatin1String("MKL_SB_SAVEFAILED"))
            ShowState(QStringLiteral("MKL_SB_SAVED"));
        return;
    }
    m_alarm->Set(AlarmBand::Source::Write, notSaved + QLatin1Char(' ') + OutOfStepText(RecordFile));
    ShowState(QStringLiteral("MKL_SB_SAVEFAILED"));
}

void frmMain::ScannerAlarm(const QString& text) {
    m_alarm->Set(AlarmBand::Source::Scanner, text);
    PlayAlarmSound();
}

bool frmMain::MayLeaveFile() {
    if (RecordFile.FileName().isEmpty() || RecordFile.InStep())
        return true;
    // A disk that works again by now needs no question.
    if (!RecordFile.SaveFile())
        LogError(RecordFile.WriteError());
    ShowWriteState();
    const QScopedValueRollback<bool> asking(m_askingToLeave, true);
    while (!RecordFile.InStep()) {
        const MsgAnswer answer =
            Ask(OutOfStepText(RecordFile) + QStringLiteral("\n\n") + GetText(QStringLiteral("MKL_MSG_LEAVEQUESTION")),
                {GetText(QStringLiteral("MKL_BTN_RETRY")), GetText(QStringLiteral("MKL_BTN_SAVEAS")),
                 GetText(QStringLiteral("GEN_BTN_CANCEL"))});
        if (answer == MsgAnswer::Choice1) {
            if (!RecordFile.SaveFile())
                LogError(RecordFile.WriteError());
        } else if (answer == MsgAnswer::Choice2) {
            const QString path = AskSavePath();
            if (path.isEmpty())
                continue;
            ReportingErrors([this, &path] {
                RecordFile.SaveAs(path);
                UpdateCaption();
                RememberRecentFile(path);
            });
        } else {
            return false;
        }
        ShowWriteState();
    }
    return true;
}

void frmMain::OfferRecoveryCopy() {
    const QString file = RecordFile.FileName();
    const std::optional<QVector<qint32>> kept = ReadRecoveryCopy(file);
    if (!kept)
        return;
    const QVector<qint32> bibs = BibsOf(RecordFile);
    if (*kept == bibs) {
        RemoveRecoveryCopy(file); // left by a run ended right after the file caught up
        return;
    }
    const QString text = GetText(QStringLiteral("MKL_MSG_RECOVERY"))
                             .replace(QStringLiteral("[Filename]"), Native(file))
                             .replace(QStringLiteral("[path]"), Native(RecoveryCopyPath(file)))
                             .replace(QStringLiteral("[count]"), QString::number(RecordsNotIn(*kept, bibs)))
                             .replace(QStringLiteral("[total]"), QString::number(kept->size()))
                             .replace(QStringLiteral("[filecount]"), QString::number(bibs.size()));
    const MsgAnswer answer =
        Ask(text, {GetText(QStringLiteral("MKL_BTN_USERECOVERY")), GetText(QStringLiteral("MKL_BTN_SAVEELSEWHERE")),
                   GetText(QStringLiteral("MKL_BTN_KEEPFILE"))});
    // The operator's answer is an action of its own: its failure does not stop the file opening.
    ReportingErrors([this, answer, &kept, &file] {
        if (answer == MsgAnswer::Choice1) {
            if (!RecordFile.AdoptRecoveryCopy(*kept))
                LogError(RecordFile.WriteError());
        } else if (answer == MsgAnswer::Choice2) {
            const QString path = AskSavePath();
            if (!path.isEmpty())
                SaveRecoveryCopyAs(file, path);
        }
    });
}
