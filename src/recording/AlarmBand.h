#pragma once

#include <QLabel>
#include <QMap>

// A band over the top of the entry box that shows a fault without taking the keyboard from the
// operator: red for an alarm (a write that failed, a scanner that vanished), amber for a notice
// (what was found in the file, where records were kept). Each source sets and clears its own text;
// the band hides itself when none is left. It lies over the controls instead of pushing them
// aside, so nothing moves under the operator's hand when it comes or goes, and clicks go through
// it to what lies below.
class AlarmBand : public QLabel {
    Q_OBJECT
public:
    // Scan: codes the scanner sent that could not be recorded.
    enum class Source { Write, Scanner, Scan, ZeroBytes, Damaged, Replaced, KeptBeside };

    explicit AlarmBand(QWidget* parent = nullptr);

    // An empty text clears the source's.
    void Set(Source source, const QString& text);
    void Clear(Source source);
    bool IsAlarm() const;
    // The band lies at the top of `area`, as high as its text needs and `area` allows; a text too
    // long for it is shown smaller.
    void PlaceIn(const QRect& area);

private:
    void Refresh();

    static constexpr double kSmallestPointSize = 7;
    QMap<Source, QString> m_texts;
    QRect m_area;
    double m_pointSize = 0; // of the band's own face
};
