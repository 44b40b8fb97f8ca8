#include "recording/EntryKeyFilter.h"

#include <QKeyEvent>
#include <utility>

EntryKey ClassifyEntryKey(QChar typed) {
    const char16_t code = typed.unicode();
    if (code == 13)
        return EntryKey::Record;
    if ((code >= u'0' && code <= u'9') || code == 8 || code == 127) // 127: the Delete key
        return EntryKey::Pass;
    return EntryKey::Drop;
}

EntryKeyFilter::EntryKeyFilter(std::function<void()> onEnter, QObject* parent)
    : QObject(parent), m_onEnter(std::move(onEnter)) {}

bool EntryKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        m_onEnter();
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    return ClassifyEntryKey(text.front()) == EntryKey::Drop;
}
