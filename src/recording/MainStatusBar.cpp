#include "recording/MainStatusBar.h"

#include "base/Clock.h"
#include "base/Twips.h"
#include "lang/clsLanguage.h"

#include <QLabel>
#include <QLocale>
#include <QTimer>

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent), m_clock(new QTimer(this)) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &MainStatusBar::ShowTime);
    m_clock->start();
}

void MainStatusBar::Rebuild(const QString& records, const QString& version) {
    const QString state = m_stateKey.isEmpty() ? PanelText(2) : StateText();
    for (QLabel* panel : std::as_const(m_panels)) {
        removeWidget(panel);
        delete panel;
    }
    m_panels.clear();
    for (int i = 1; i <= 4; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("StatusBar_Panel%1").arg(i));
        m_panels.append(panel);
    }
    m_panels[0]->setFixedWidth(TwipsToPixelsX(2100, this));
    m_panels[2]->setFixedWidth(TwipsToPixelsX(2000, this));
    m_panels[3]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addWidget(m_panels[0]);
    addWidget(m_panels[1], 1);
    addWidget(m_panels[2]);
    addPermanentWidget(m_panels[3]);
    m_panels[0]->setText(records);
    m_panels[1]->setText(state);
    m_panels[2]->setText(version);
    ShowTime();
}

void MainStatusBar::SetPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= m_panels.size())
        m_panels[panel - 1]->setText(text);
}

QString MainStatusBar::PanelText(int panel) const {
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1]->text() : QString();
}

void MainStatusBar::RepaintPanelNow(int panel) {
    if (panel >= 1 && panel <= m_panels.size())
        m_panels[panel - 1]->repaint();
}

void MainStatusBar::ShowTime() {
    if (m_panels.size() == 4)
        m_panels[3]->setText(QLocale::system().toString(Now().time(), QLocale::ShortFormat));
}

void MainStatusBar::ShowState(const QString& key, const QList<QPair<QString, QString>>& values) {
    m_stateKey = key;
    m_stateValues = values;
    SetPanelText(2, StateText());
}

void MainStatusBar::ShowStateText(const QString& text) {
    m_stateKey.clear();
    SetPanelText(2, text);
}

QString MainStatusBar::StateText() const {
    if (m_stateKey.isEmpty())
        return QString();
    return GetText(m_stateKey, QList<QPair<QString, QString>>(m_stateValues)
                                   << QPair<QString, QString>(QStringLiteral("[menu]"), m_scannerMenu));
}
