#include "results/MarkKeyFilter.h"

#include "base/Settings.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <memory>

MarkKeyFilter::MarkKeyFilter(QKeyCombination key, std::function<void()> onMark, QObject* parent)
    : QObject(parent), m_key(key), m_onMark(std::move(onMark)) {}

QKeyCombination MarkKeyFilter::KeyFromSetting() {
    const QString text = ReadSetting(QStringLiteral("TimerKey")).toString().trimmed();
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    return sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown ? QKeyCombination(Qt::Key_Space) : sequence[0];
}

bool MarkKeyFilter::IsMarkKey(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return QKeyCombination(modifiers, Qt::Key(event.key())) == m_key;
}

bool MarkKeyFilter::IsDialogTextField(const QWidget* widget) {
    const QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !widget || widget->window() != dialog)
        return false;
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        return !spin->isReadOnly();
    return false;
}

// Key events reach the application's filters once for the window and once for each control they
// are offered to; only the controls' count, and a forwarded copy is not looked at again.
bool MarkKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (m_forwarding || !watched->isWidgetType() ||
        (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!IsMarkKey(*key))
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const bool alsoToField = IsDialogTextField(widget);
    if (type == QEvent::ShortcutOverride) {
        // Claimed, so no shortcut of the same key runs: the key press that follows takes the mark.
        event->accept();
        return !alsoToField;
    }
    if (type == QEvent::KeyPress && !key->isAutoRepeat() && m_onMark)
        m_onMark();
    if (alsoToField) {
        m_forwarding = true;
        const std::unique_ptr<QEvent> copy(event->clone());
        QApplication::sendEvent(widget, copy.get());
        m_forwarding = false;
    }
    return true;
}
