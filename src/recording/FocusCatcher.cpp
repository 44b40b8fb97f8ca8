#include "recording/FocusCatcher.h"

#include "lang/clsLanguage.h"
#include "recording/ForceFore.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kCatchInterval = 50; // ms: the reaction time after the focus was lost

// Whether the program has the foreground: the main window, a window it owns (a lap counter, the
// scan display, a dialog) or a modal box.
bool ProgramInFront(const QWidget* main) {
    if (QApplication::activeModalWidget())
        return true;
    for (const QWidget* window = QApplication::activeWindow(); window; window = window->parentWidget())
        if (window == main)
            return true;
    return false;
}

} // namespace

FocusCatcher::FocusCatcher(QWidget* window, QCheckBox* chkCatch, QLineEdit* txtEnter, QObject* parent)
    : QObject(parent), m_window(window), m_check(chkCatch), m_timer(new QTimer(this)), m_entry(txtEnter),
      m_canForce(CanForceForeground()) {
    m_timer->setObjectName(QStringLiteral("tmrCatch"));
    m_timer->setInterval(kCatchInterval);
    connect(m_timer, &QTimer::timeout, this, &FocusCatcher::tmrCatch_Timer);
    connect(m_check, &QCheckBox::stateChanged, this, &FocusCatcher::chkCatch_Click);
    m_check->installEventFilter(this);
}

void FocusCatcher::chkCatch_Click() {
    if (!m_timer || !m_check)
        return;
    if (m_check->checkState() == Qt::Checked && m_fileOpen) {
        if (!m_timer->isActive())
            m_timer->start();
    } else {
        m_timer->stop();
    }
}

void FocusCatcher::chkCatch_GotFocus() {
    if (m_timer)
        m_timer->stop();
}

void FocusCatcher::chkCatch_Validate() {
    chkCatch_Click();
}

// Only another program in front, or the window minimised, is a reason to act: within the program
// the operator may be correcting in the grid or working in another of its windows, and the focus
// stays where it was put. Nothing here is worth a message.
void FocusCatcher::tmrCatch_Timer() {
    const QPointer<FocusCatcher> self(this);
    QCoreApplication::processEvents(); // keeps the window responsive while it holds the foreground
    if (!self || !m_window)
        return;
    const QWidget* main = m_window->window();
    if (ProgramInFront(main) && !main->isMinimized())
        return;
    if (m_canForce) {
        ForceForeground(m_window);
    } else if (!m_limitReported) {
        m_limitReported = true;
        emit CatchLimited(GetText(QStringLiteral("MKL_SB_CATCHLIMITED")));
    }
    // Coming back, the window gives the focus to the control that had it; without one, the box.
    if (m_entry && !m_window->focusWidget())
        m_entry->setFocus();
}

void FocusCatcher::FollowFileState(bool fileOpen) {
    m_fileOpen = fileOpen;
    chkCatch_Click();
}

void FocusCatcher::WithoutCatching(const std::function<void()>& showModal) {
    const Qt::CheckState remembered = m_check->checkState();
    m_check->setCheckState(Qt::Unchecked);
    showModal();
    if (m_check)
        m_check->setCheckState(remembered);
}

void FocusCatcher::AssumePlatform(const QString& platformName) {
    m_canForce = PlatformAllowsForeground(platformName);
    m_limitReported = false;
}

// A focus that leaves with the whole window (another program activated) is no validation: the
// box keeps the focus within the window. The filter watches the check box only; a box being
// destroyed no longer casts to one and is left alone.
bool FocusCatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (qobject_cast<QCheckBox*>(watched)) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (event->type() == QEvent::FocusIn)
                chkCatch_GotFocus();
            else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                chkCatch_Validate();
        }
    }
    return QObject::eventFilter(watched, event);
}
