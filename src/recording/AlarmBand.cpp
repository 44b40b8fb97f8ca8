#include "recording/AlarmBand.h"

#include <QAccessible>

AlarmBand::AlarmBand(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lblAlarm"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText); // file names and reasons shown as written
    setFocusPolicy(Qt::NoFocus);
    setMargin(6);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    hide();
}

void AlarmBand::Set(Source source, const QString& text) {
    m_texts.insert(source, text);
    Refresh();
}

void AlarmBand::Clear(Source source) {
    if (m_texts.remove(source))
        Refresh();
}

bool AlarmBand::IsAlarm() const {
    return m_texts.contains(Source::Write) || m_texts.contains(Source::Scanner) || m_texts.contains(Source::Scan);
}

void AlarmBand::Refresh() {
    setText(QStringList(m_texts.values()).join(QLatin1Char('\n')));
    setStyleSheet(IsAlarm() ? QStringLiteral("background: #c00000; color: white;")
                            : QStringLiteral("background: #ffd966; color: black;"));
    setVisible(!m_texts.isEmpty());
    if (IsAlarm()) {
        QAccessibleEvent alert(this, QAccessible::Alert); // screen readers announce it at once
        QAccessible::updateAccessibility(&alert);
    }
}
