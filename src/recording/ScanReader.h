#pragma once

#include <QDateTime>
#include <QQueue>
#include <QString>

#include <optional>

// Digits a bib may have: as many as the entry box takes.
constexpr int kMaxBibDigits = 8;

// One code the scanner sent: its digits and the moment its carriage return arrived.
struct ScannedCode {
    QString digits; // as scanned; a very long code keeps its start and ends in "…"
    bool overlong;  // more digits than a bib may have: never recorded, not even cut short
    QDateTime arrived;
};

// The scanner's bytes made into codes of their own, apart from anything typed: a carriage return
// ends a code, a digit is part of it, every other byte (line feed, a prefix) is noise. Finished
// codes wait in arrival order until taken, so that a dialog can hold them back while each keeps
// the time it arrived.
class ScanReader {
public:
    // Bytes read from the port at `at`.
    void Take(const QByteArray& bytes, const QDateTime& at);
    // The oldest finished code, removed from the waiting ones.
    std::optional<ScannedCode> Next();
    qsizetype Waiting() const { return m_waiting.size(); }
    // Forgets the digits of a code whose carriage return has not come (the port was opened anew).
    void DropUnfinished();

private:
    QString m_digits;
    qsizetype m_count = 0; // digits of the unfinished code, also those beyond m_digits
    QQueue<ScannedCode> m_waiting;
};
