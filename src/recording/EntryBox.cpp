#include "recording/EntryBox.h"

#include "recording/EntryKeyFilter.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {

QLabel* NewHint(QWidget* box, const QString& name, const QString& color) {
    auto* hint = new QLabel(box);
    hint->setObjectName(name);
    hint->setStyleSheet(QStringLiteral("color: ") + color);
    hint->setAlignment(Qt::AlignCenter);
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint->hide();
    return hint;
}

} // namespace

EntryBox::EntryBox(QWidget* parent)
    : QLineEdit(parent),
      lblNotListed(NewHint(this, QStringLiteral("lblNotListed"), QStringLiteral("#b04000"))), // a warning
      lblRepeat(NewHint(this, QStringLiteral("lblRepeat"), QStringLiteral("#b00000"))), tmrRepeat(new QTimer(this)) {
    setObjectName(QStringLiteral("txtEnter"));
    setMaxLength(8);
    QFont entryFont(QStringLiteral("Times New Roman"), 48);
    entryFont.setStyleHint(QFont::Serif);
    setFont(entryFont);
    installEventFilter(new EntryKeyFilter([this] { emit EnterPressed(); }, this));
    tmrRepeat->setObjectName(QStringLiteral("tmrRepeat"));
    tmrRepeat->setInterval(1000);
    connect(tmrRepeat, &QTimer::timeout, this, &EntryBox::ShowRepeat);
    connect(this, &QLineEdit::textChanged, this, &EntryBox::ShowHints);
}

void EntryBox::SetHints(Hint notListed, Hint repeat) {
    m_notListed = std::move(notListed);
    m_repeat = std::move(repeat);
    ShowHints();
}

void EntryBox::ShowHints() {
    // The box emptied for the next bib, with no hint shown: nothing to show or place.
    if (text().isEmpty() && lblNotListed->isHidden() && lblRepeat->isHidden())
        return;
    const QString notListed = m_notListed ? m_notListed(text()) : QString();
    if (!notListed.isEmpty())
        lblNotListed->setText(notListed);
    lblNotListed->setVisible(!notListed.isEmpty());
    ShowRepeat();
}

void EntryBox::ShowRepeat() {
    const QString repeat = m_repeat ? m_repeat(text()) : QString();
    if (repeat.isEmpty()) {
        lblRepeat->hide();
        tmrRepeat->stop();
    } else {
        lblRepeat->setText(repeat);
        lblRepeat->show();
        if (!tmrRepeat->isActive())
            tmrRepeat->start();
    }
    PlaceHints();
}

void EntryBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceHints();
}

// In the window's own face, sized to the box.
void EntryBox::PlaceHints() {
    const int margin = height() / 40 + 2;
    QFont font = window()->font();
    font.setPixelSize(std::max(12, std::min(height() / 16, width() / 24)));
    font.setBold(true);
    const int lineHeight = QFontMetrics(font).height() + 2;
    int bottom = height() - margin;
    for (QLabel* hint : {lblNotListed, lblRepeat}) {
        hint->setFont(font);
        hint->setGeometry(margin * 3, bottom - lineHeight, width() - margin * 6, lineHeight);
        if (!hint->isHidden())
            bottom -= lineHeight;
    }
}
