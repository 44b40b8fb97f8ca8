#include "recording/EntryKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <utility>

EntryKey ClassifyEntryKey(QChar typed) {
    const char16_t code = typed.unicode();
    if (code == 13)
        return EntryKey::Record;
    if ((code >= u'0' && code <= u'9') || code == 8 || code == 127) // 127: the Delete key
        return EntryKey::Pass;
    return EntryKey::Drop;
}

QChar KeypadDigit(int key) {
    switch (key) {
    case Qt::Key_Insert:
        return u'0';
    case Qt::Key_End:
        return u'1';
    case Qt::Key_Down:
        return u'2';
    case Qt::Key_PageDown:
        return u'3';
    case Qt::Key_Left:
        return u'4';
    case Qt::Key_Clear:
        return u'5';
    case Qt::Key_Right:
        return u'6';
    case Qt::Key_Home:
        return u'7';
    case Qt::Key_Up:
        return u'8';
    case Qt::Key_PageUp:
        return u'9';
    default:
        return QChar();
    }
}

EntryKeyFilter::EntryKeyFilter(std::function<void()> onEnter, QObject* parent)
    : QObject(parent), m_onEnter(std::move(onEnter)) {}

bool EntryKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const bool shortcutOverride = event->type() == QEvent::ShortcutOverride;
    if (event->type() != QEvent::KeyPress && !shortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (shortcutOverride) {
        // Enter alone is the box's own key: no shortcut takes it, and the box need not look it up
        // among its editing keys before every bib is recorded.
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        event->accept();
        return true;
    }
    if (enter) {
        m_onEnter();
        return true;
    }
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return false; // moves the focus on, as in any window
    if (key->modifiers() & Qt::KeypadModifier) {
        const QChar digit = KeypadDigit(key->key());
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (!digit.isNull() && box) {
            box->insert(QString(digit)); // replaces a selection and stops at the box's length
            return true;
        }
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    return ClassifyEntryKey(text.front()) == EntryKey::Drop;
}
