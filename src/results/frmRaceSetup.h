#pragma once

#include "results/RaceSetup.h"

#include <QDialog>
#include <QVector>

#include <optional>

class QLineEdit;

// The race's start and the laps that finish it, and a start and laps of its own for each category
// (wave starts, shorter courses). A start is typed as a time of day ("10:00", "10:00:00.5") on the
// race's day or as an ISO date and time; "Now" fills in the moment it is clicked. An empty start
// of a category means the race's start, empty laps the race's laps.
class frmRaceSetup : public QDialog {
    Q_OBJECT
public:
    frmRaceSetup(const RaceSetup& setup, const QStringList& categories, QWidget* parent);

    // The setup as the operator left it; nothing when the dialog was cancelled.
    std::optional<RaceSetup> Ask();

    void accept() override;

private:
    struct Row {
        QString category; // "" for the whole race
        QLineEdit* start = nullptr;
        QLineEdit* laps = nullptr;
    };
    // The setup of the fields; nothing (and the operator told which field) when one cannot be read.
    std::optional<RaceSetup> Read() const;

    QVector<Row> m_rows;
    QDate m_day;
    RaceSetup m_result;
};
