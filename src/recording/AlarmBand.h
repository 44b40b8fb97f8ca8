#pragma once

#include <QLabel>
#include <QMap>

// A band across the top of the main window that shows a fault without taking the keyboard from
// the operator: red for an alarm (a write that failed, a scanner that vanished), amber for a
// notice (zero bytes skipped when the file opened). Each source sets and clears its own text;
// the band hides itself when none is left.
class AlarmBand : public QLabel {
    Q_OBJECT
public:
    // Scan: codes the scanner sent that could not be recorded.
    enum class Source { Write, Scanner, Scan, Notice };

    explicit AlarmBand(QWidget* parent = nullptr);

    void Set(Source source, const QString& text);
    void Clear(Source source);
    bool IsAlarm() const;

private:
    void Refresh();

    QMap<Source, QString> m_texts;
};
