// Bib entry: the record command, scanned codes, the duplicate guard, the repeat warning and
// recording a bib.
#include "recording/frmMain.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/NumericValue.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/AlarmBand.h"
#include "recording/EntryBox.h"
#include "recording/MainStatusBar.h"
#include "recording/ScanReader.h"
#include "recording/SecondaryWindows.h"
#include "recording/StartListHost.h"
#include "recording/WriteFaults.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace {

// About a frame of the screen: a write shorter than that cannot be seen.
constexpr qint64 kVisibleWriteMilliseconds = 15;

} // namespace

void frmMain::cmdEnter_Click() {
    ReportingErrors([this] {
        qint32 bib = 0;
        try {
            bib = WholeNumberValue(txtEnter->text());
        } catch (const RaisedError&) {
            txtEnter->clear(); // a text that is no bib is not offered again
            throw;
        }
        if (bib <= 0)
            return;
        // The bib is taken: the box is empty for the next one before anything else can happen.
        txtEnter->clear();
        // A bib typed is the operator's answer to the codes the scanner could not record.
        if (!m_overlongScans.isEmpty()) {
            m_overlongScans.clear();
            ShowOverlongScans();
        }
        RecordPassage(bib, Now());
        txtEnter->setFocus();
    });
}

void frmMain::RecordScan(const ScannedCode& code) {
    if (code.overlong) {
        m_overlongScans.append(code.digits);
        ShowOverlongScans();
        PlayAlarmSound();
        return;
    }
    ReportingErrors([&] { RecordPassage(WholeNumberValue(code.digits), code.arrived); });
    txtEnter->ShowHints(); // the bib being typed may just have passed
}

void frmMain::ShowOverlongScans() {
    if (m_overlongScans.isEmpty()) {
        m_band->Clear(AlarmBand::Source::Scan);
        return;
    }
    // The latest few: a scanner that keeps sending them must not fill the window.
    constexpr qsizetype kShownCodes = 5;
    QString codes =
        m_overlongScans.mid(std::max<qsizetype>(0, m_overlongScans.size() - kShownCodes)).join(QStringLiteral(", "));
    if (m_overlongScans.size() > kShownCodes)
        codes.prepend(QChar(0x2026) + QStringLiteral(", "));
    m_band->Set(AlarmBand::Source::Scan, GetCountText(QStringLiteral("MKL_MSG_SCANTOOLONG"), m_overlongScans.size(),
                                                      {{QStringLiteral("[digits]"), QString::number(kMaxBibDigits)},
                                                       {QStringLiteral("[codes]"), codes}}));
}

void frmMain::RecordPassage(qint32 bib, const QDateTime& at) {
    if (bib <= 0)
        return;
    // Only the directly preceding record is compared. The refusal is seen and heard, unlike a
    // passage recorded.
    if (!chkDouble->isChecked() && RecordFile.RepeatsLast(bib)) {
        StatusBar->ShowState(QStringLiteral("MKL_SB_REPEATREFUSED"), {{QStringLiteral("[bib]"), QString::number(bib)}});
        if (chkBeep->isChecked())
            PlayRefusedSound();
        return;
    }
    AddBib(bib, at);
    // A passage that did not reach the file has sounded the alarm instead.
    if (chkBeep->isChecked() && RecordFile.InStep())
        PlayAckSound();
}

void frmMain::AddBib(qint32 bib, const QDateTime& at) {
    // "Saving" is painted at once only when writing takes long enough to be seen (a slow or busy
    // disk): otherwise "Saved" replaces it before any screen could show it.
    if (m_slowWrite) {
        StatusBar->ShowState(QStringLiteral("MKL_SB_SAVING"));
        StatusBar->RepaintPanelNow(2);
    }
    QElapsedTimer writing;
    writing.start();
    const bool saved = RecordFile.AddBib(bib, -1, at);
    m_slowWrite = writing.elapsed() >= kVisibleWriteMilliseconds;
    // "Saved" only when the record is on the disk; otherwise the operator must see it. A
    // missing passage time is worth a word too, though the record itself is safe.
    StatusBar->ShowState(!saved                    ? QStringLiteral("MKL_SB_SAVEFAILED")
                         : RecordFile.TimesSaved() ? QStringLiteral("MKL_SB_SAVED")
                                                   : QStringLiteral("MKL_SB_TIMESFAILED"));
    m_faults->AfterWrite(saved);
    // The rest shows the passage and can wait until control is back with the window, so the
    // next bib is not kept waiting for it.
    m_lastShownBib = bib;
    m_showPassages->start();
}

void frmMain::ShowRecordedPassages() {
    // The time lines of the passages are synced after their records were acknowledged.
    const bool timesSaved = RecordFile.TimesSaved();
    RecordFile.SettleTimes();
    if (timesSaved && !RecordFile.TimesSaved())
        StatusBar->ShowState(QStringLiteral("MKL_SB_TIMESFAILED"));
    // Every change but a passage goes through the grid, which holds the list's first records
    // all along: the passages recorded since are the rows it lacks at its end.
    for (qint32 index = Grid->RowCount() - 1; index < RecordFile.Count(); ++index)
        Grid->AddBib(RecordFile.GetRecord(index).Bib);
    StatusBar->SetPanelText(1, RecordCountText());
    m_secondary->ShowPassage(m_lastShownBib, m_startList->Name(m_lastShownBib));
    RecordsChanged();
}

QString frmMain::RepeatHint(const QString& typed) const {
    bool isNumber = false;
    const qint32 bib = typed.toInt(&isNumber);
    const std::optional<qint64> seconds =
        isNumber && bib > 0 && !RecordFile.FileName().isEmpty()
            ? SecondsSinceRepeat(RecordFile.LastPassage(bib), Now(), m_repeatWarnSeconds)
            : std::nullopt;
    return seconds
               ? GetText(QStringLiteral("MKL_LBL_REPEAT"), {{QStringLiteral("[bib]"), QString::number(bib)},
                                                            {QStringLiteral("[seconds]"), QString::number(*seconds)}})
               : QString();
}

QString frmMain::RecordCountText() const {
    return GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": ") + QString::number(RecordFile.Count());
}
