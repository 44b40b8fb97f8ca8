// Bib entry: the record command, the duplicate guard, the repeat warning and recording a bib.
#include "recording/frmMain.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/NumericValue.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/MainStatusBar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
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
        AddBib(bib, -1);
        // A passage that did not reach the file has sounded the alarm instead.
        if (chkBeep->isChecked() && RecordFile.InStep())
            PlayAckSound();
    });
}

void frmMain::AddBib(qint32 bib, qint32 before) {
    // The bib is taken: the box is empty for the next one before anything else can happen.
    txtEnter->clear();
    // Painted at once, so "saving" shows while the file is written, when writing takes long enough
    // to be seen (a slow or busy disk): painting costs more than a quick write, which is over
    // before any screen could show it.
    ShowState(QStringLiteral("MKL_SB_SAVING"));
    if (m_slowWrite)
        StatusBar->RepaintPanelNow(2);
    QElapsedTimer writing;
    writing.start();
    const bool saved = RecordFile.AddBib(bib, before);
    m_slowWrite = writing.elapsed() >= kVisibleWriteMilliseconds;
    if (before < 0)
        Grid->AddBib(bib);
    else
        RecordFile.LoadIntoGrid(*Grid);
    // "Saved" only when the record is on the disk; otherwise the operator must see it. A
    // missing passage time is worth a word too, though the record itself is safe.
    ShowState(!saved                    ? QStringLiteral("MKL_SB_SAVEFAILED")
              : RecordFile.TimesSaved() ? QStringLiteral("MKL_SB_SAVED")
                                        : QStringLiteral("MKL_SB_TIMESFAILED"));
    AfterWrite(saved);
    StatusBar->SetPanelText(1, RecordCountText());
    // Painted as soon as control returns to the window system, together with the grid's new
    // row, instead of making the next bib wait for it.
    StatusBar->update();
    if (m_display) {
        m_display->ShowBib(QString::number(bib));
        m_display->ShowName(m_startList.Name(bib));
    }
    RecordsChanged();
    txtEnter->setFocus();
}

void frmMain::ShowRepeatWarning() {
    bool typed = false;
    const qint32 bib = txtEnter->text().toInt(&typed);
    const std::optional<qint64> seconds =
        typed && bib > 0 && !RecordFile.FileName().isEmpty()
            ? SecondsSinceRepeat(RecordFile.LastPassage(bib), Now(), m_repeatWarnSeconds)
            : std::nullopt;
    if (!seconds) {
        lblRepeat->hide();
        tmrRepeat->stop();
    } else {
        lblRepeat->setText(GetText(QStringLiteral("MKL_LBL_REPEAT"))
                               .replace(QStringLiteral("[bib]"), QString::number(bib))
                               .replace(QStringLiteral("[seconds]"), QString::number(*seconds)));
        lblRepeat->show();
        if (!tmrRepeat->isActive())
            tmrRepeat->start();
    }
    PlaceEntryHints();
}

// Inside the entry box along its lower edge, below the digits, in the window's own face: the
// start list's hint on the last line, the repeat warning on the line above it when both show.
// Hidden hints need no place: each is placed as it shows, and an emptied box after every recorded
// bib costs no font measuring.
void frmMain::PlaceEntryHints() {
    if (lblNotListed->isHidden() && lblRepeat->isHidden())
        return;
    const int margin = txtEnter->height() / 40 + 2;
    QFont font = QWidget::font();
    font.setPixelSize(std::max(12, std::min(txtEnter->height() / 16, txtEnter->width() / 24)));
    font.setBold(true);
    const int height = QFontMetrics(font).height() + 2;
    int bottom = txtEnter->height() - margin;
    for (QLabel* hint : {lblNotListed, lblRepeat}) {
        hint->setFont(font);
        hint->setGeometry(margin * 3, bottom - height, txtEnter->width() - margin * 6, height);
        if (!hint->isHidden())
            bottom -= height;
    }
}

QString frmMain::RecordCountText() const {
    return GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": ") + QString::number(RecordFile.Count());
}
