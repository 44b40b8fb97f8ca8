#pragma once

#include "base/ErrorInfo.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

class clsFile;

// The corrections of the open record file (edits, inserts, deletes and moves in the grid, and
// differences adopted from a backup recording), each made through the file's own operations, so
// the record file and its times stay in step, and each appended to the journal beside it
// (CorrectionJournal.h). They can be undone and redone for the session; an undo or redo is a
// correction like any other, written and journalled.
//
// Records are addressed by their running ID, not by position: passages recorded after a
// correction stay where they are when it is undone, and a record deleted and put back by an undo
// is the same record to every correction that names it. Passages recorded by typing or scanning
// are never corrections and are never undone.
//
// Each operation returns what the file's write returned: false when the change is in the list but
// not yet on the disk (clsFile::WriteError). Errors of the request itself are raised.
class Corrections {
public:
    explicit Corrections(clsFile& records) : m_records(records) {}

    // The bib of the record at a 0-based index; `adopted`: taken from a backup recording.
    bool Edit(qint32 index, qint32 bib, bool adopted = false);
    // A record without time put in before a 0-based index (the end: appended after the last).
    bool Insert(qint32 before, qint32 bib, bool adopted = false);
    bool Delete(qint32 index, bool adopted = false);
    // The bib at a 0-based index and the one at its neighbour `target` change places; the passage
    // times stay at their positions.
    bool Move(qint32 index, qint32 target);

    bool CanUndo() const { return !m_done.isEmpty(); }
    bool CanRedo() const { return !m_undone.isEmpty(); }
    // Take back the latest correction not undone, or do the latest undone one again (nothing
    // when there is none). Raises an error when its record is no longer in the list (the list
    // was replaced); the history is forgotten then.
    bool Undo();
    bool Redo();
    // The position (from 1) the latest correction, undo or redo changed; 0 before the first.
    qint32 LastPosition() const { return m_lastPosition; }
    // The record file was closed or replaced: what was done in it can no longer be taken back.
    void Forget();

    // False after a journal line could not be written, until one could; JournalError says why.
    bool JournalSaved() const { return !m_journalError.has_value(); }
    ErrorInfo JournalError() const { return m_journalError.value_or(ErrorInfo()); }

private:
    // One change of one record. An edit changes its bib; a presence puts it in after the record
    // `after` (0: at the start) or takes it out, with its passage time.
    struct Step {
        bool edit = true;
        bool placedForward = false; // a presence that puts the record in when done (an insert)
        qint32 id = 0;
        qint32 after = 0;
        qint32 oldBib = 0;
        qint32 newBib = 0;
        QDateTime time;
    };
    struct Correction {
        QString operation;
        qint32 position = 0;
        std::optional<qint32> oldBib;
        std::optional<qint32> newBib;
        QVector<Step> steps;
    };

    bool Make(Correction correction);
    bool Again(QVector<Correction>& from, QVector<Correction>& to, bool forward);
    bool Apply(Correction& correction, bool forward);
    void ApplyStep(Step& step, bool forward);
    // The index of the record with this ID, which must hold `bib` when given; the history is
    // forgotten and an error raised when there is none.
    qint32 IndexOf(qint32 id, std::optional<qint32> bib);
    qint32 IdAt(qint32 index) const;
    void Journal(const QString& operation, const Correction& correction, bool forward);
    [[noreturn]] void HistoryLost();

    clsFile& m_records;
    QString m_fileName; // of the file the history belongs to
    QVector<Correction> m_done;
    QVector<Correction> m_undone;
    qint32 m_lastPosition = 0;
    std::optional<ErrorInfo> m_journalError;
};
