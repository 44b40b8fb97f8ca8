// Bib entry: the record command, the duplicate guard and recording a bib.
#include "recording/frmMain.h"

#include "app/ErrorHandler.h"
#include "app/NumericValue.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/MainStatusBar.h"

#include <QCheckBox>
#include <QLineEdit>

void frmMain::cmdEnter_Click() {
    try {
        const qint32 bib = WholeNumberValue(txtEnter->text());
        if (bib <= 0)
            return;
        // Only the directly preceding record is compared: a runner scanned twice in a row.
        if (!chkDouble->isChecked() && RecordFile.GetRecord(RecordFile.Count() - 1).Bib == bib) {
            txtEnter->clear();
            if (chkBeep->isChecked()) {
                PlayAckSound();
                PlayAckSound();
            }
            return;
        }
        AddBib(bib, -1);
        if (chkBeep->isChecked())
            PlayAckSound();
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
}

void frmMain::AddBib(qint32 bib, qint32 before) {
    try {
        // Painted at once, so "saving" shows while the file is written.
        StatusBar->SetPanelText(2, GetText(QStringLiteral("MKL_SB_SAVING")));
        StatusBar->RepaintPanelNow(2);
        const bool saved = RecordFile.AddBib(bib, before);
        if (before < 0)
            Grid->AddBib(bib);
        else
            RecordFile.LoadIntoGrid(*Grid);
        // "Saved" only when the record is on the disk; otherwise the operator must see it.
        StatusBar->SetPanelText(2,
                                GetText(saved ? QStringLiteral("MKL_SB_SAVED") : QStringLiteral("MKL_SB_SAVEFAILED")));
        StatusBar->SetPanelText(1, RecordCountText());
        // Painted as soon as control returns to the window system, together with the grid's new
        // row, instead of making the next bib wait for it.
        StatusBar->update();
        if (m_display) {
            m_display->ShowBib(QString::number(bib));
            m_display->ShowName(m_startList.Name(bib));
        }
        RefreshLapCounter();
        txtEnter->clear();
        txtEnter->setFocus();
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
}

QString frmMain::RecordCountText() const {
    return GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": ") + QString::number(RecordFile.Count());
}
