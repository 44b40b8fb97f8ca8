// Bib entry: the record command, the duplicate guard, the repeat warning and recording a bib.
#include "recording/frmMain.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/NumericValue.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/EntryBox.h"
#include "recording/MainStatusBar.h"
#include "recording/SecondaryWindows.h"
#include "recording/StartListHost.h"
#include "recording/WriteFaults.h"

#include <QCheckBox>

void frmMain::cmdEnter_Click() {
    ReportingErrors([this] {
        qint32 bib = 0;
        try {
            bib = WholeNumberValue(txtEnter->text());
        } catch (const RaisedError&) {
            // Emptied before the message, so nothing scanned later runs into the refused text.
            txtEnter->clear();
            throw;
        }
        if (bib <= 0)
            return;
        // Only the directly preceding record is compared.
        if (!chkDouble->isChecked() && RecordFile.RepeatsLast(bib)) {
            txtEnter->clear();
            if (chkBeep->isChecked()) {
                PlayAckSound();
                PlayAckSound();
            }
            return;
        }
        AddBib(bib);
        // A passage that did not reach the file has sounded the alarm instead.
        if (chkBeep->isChecked() && RecordFile.InStep())
            PlayAckSound();
    });
}

void frmMain::AddBib(qint32 bib) {
    // The bib is taken: the box is empty for the next one before anything else can happen.
    txtEnter->clear();
    // Painted at once, so "saving" shows while the file is written.
    StatusBar->ShowState(QStringLiteral("MKL_SB_SAVING"));
    StatusBar->RepaintPanelNow(2);
    const bool saved = RecordFile.AddBib(bib);
    Grid->AddBib(bib);
    // "Saved" only when the record is on the disk; otherwise the operator must see it. A
    // missing passage time is worth a word too, though the record itself is safe.
    StatusBar->ShowState(!saved                    ? QStringLiteral("MKL_SB_SAVEFAILED")
                         : RecordFile.TimesSaved() ? QStringLiteral("MKL_SB_SAVED")
                                                   : QStringLiteral("MKL_SB_TIMESFAILED"));
    m_faults->AfterWrite(saved);
    StatusBar->SetPanelText(1, RecordCountText());
    // Painted as soon as control returns to the window system, together with the grid's new
    // row, instead of making the next bib wait for it.
    StatusBar->update();
    m_secondary->ShowPassage(bib, m_startList->Name(bib));
    RecordsChanged();
    txtEnter->setFocus();
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
