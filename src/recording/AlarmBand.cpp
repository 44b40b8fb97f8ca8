#include "recording/AlarmBand.h"

#include <QAccessible>

#include <algorithm>

AlarmBand::AlarmBand(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lblAlarm"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText); // file names and reasons shown as written
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(6);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    m_pointSize = bold.pointSizeF();
    hide();
}

void AlarmBand::Set(Source source, const QString& text) {
    if (text.isEmpty()) {
        Clear(source);
        return;
    }
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
    PlaceIn(m_area);
    setVisible(!m_texts.isEmpty());
    if (IsAlarm()) {
        QAccessibleEvent alert(this, QAccessible::Alert); // screen readers announce it at once
        QAccessible::updateAccessibility(&alert);
    }
}

void AlarmBand::PlaceIn(const QRect& area) {
    m_area = area;
    // A long text takes a smaller face rather than being cut off, down to one still readable.
    QFont face = font();
    face.setPointSizeF(m_pointSize);
    setFont(face);
    while (heightForWidth(area.width()) > area.height() && face.pointSizeF() > kSmallestPointSize) {
        face.setPointSizeF(face.pointSizeF() - 0.5);
        setFont(face);
    }
    setGeometry(area.x(), area.y(), area.width(), std::min(heightForWidth(area.width()), area.height()));
    raise();
}
