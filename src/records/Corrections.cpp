#include "records/Corrections.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "lang/clsLanguage.h"
#include "records/CorrectionJournal.h"
#include "records/clsFile.h"

namespace {

QString Operation(const char* plain, bool adopted) {
    return adopted ? QStringLiteral("adopt") : QLatin1String(plain);
}

} // namespace

bool Corrections::Edit(qint32 index, qint32 bib, bool adopted) {
    const qint32 old = m_records.GetRecord(index).Bib;
    // Out of range, or the same bib typed again (a leading zero): the file's own answer, no correction.
    if (index < 0 || index >= m_records.Count() || old == bib)
        return m_records.EditBib(index, bib);
    Step step;
    step.id = IdAt(index);
    step.oldBib = old;
    step.newBib = bib;
    return Make({Operation("edit", adopted), index + 1, old, bib, {step}});
}

bool Corrections::Insert(qint32 before, qint32 bib, bool adopted) {
    if (before < 0 || before > m_records.Count())
        return m_records.AddBib(bib, before); // raises: no such position
    Step step;
    step.edit = false;
    step.placedForward = true;
    step.after = before > 0 ? IdAt(before - 1) : 0;
    step.newBib = bib;
    return Make({Operation("insert", adopted), before + 1, std::nullopt, bib, {step}});
}

bool Corrections::Delete(qint32 index, bool adopted) {
    if (index < 0 || index >= m_records.Count())
        return m_records.DeleteBib(index);
    Step step;
    step.edit = false;
    step.id = IdAt(index);
    step.after = index > 0 ? IdAt(index - 1) : 0;
    step.oldBib = m_records.GetRecord(index).Bib;
    return Make({Operation("delete", adopted), index + 1, step.oldBib, std::nullopt, {step}});
}

bool Corrections::Move(qint32 index, qint32 target) {
    if (qMin(index, target) < 0 || qMax(index, target) >= m_records.Count())
        return true; // nothing to move
    const qint32 moving = m_records.GetRecord(index).Bib;
    const qint32 kept = m_records.GetRecord(target).Bib;
    Step arriving{true, false, IdAt(target), 0, kept, moving, {}};
    Step leaving{true, false, IdAt(index), 0, moving, kept, {}};
    return Make({target < index ? QStringLiteral("move up") : QStringLiteral("move down"),
                 index + 1,
                 moving,
                 kept,
                 {arriving, leaving}});
}

bool Corrections::Undo() {
    return Again(m_done, m_undone, false);
}

bool Corrections::Redo() {
    return Again(m_undone, m_done, true);
}

// The latest correction of one list undone or done again, and put on the other.
bool Corrections::Again(QVector<Correction>& from, QVector<Correction>& to, bool forward) {
    if (m_records.FileName() != m_fileName)
        Forget(); // another file is open: nothing of this history is in it
    if (from.isEmpty())
        return true;
    Correction correction = from.takeLast();
    const bool saved = Apply(correction, forward);
    to.append(correction);
    Journal((forward ? QStringLiteral("redo ") : QStringLiteral("undo ")) + correction.operation, correction, forward);
    return saved;
}

void Corrections::Forget() {
    m_done.clear();
    m_undone.clear();
    m_fileName.clear();
    m_lastPosition = 0;
}

bool Corrections::Make(Correction correction) {
    if (m_records.FileName() != m_fileName) {
        Forget();
        m_fileName = m_records.FileName();
    }
    const bool saved = Apply(correction, true);
    m_undone.clear();
    m_done.append(correction);
    Journal(correction.operation, correction, true);
    return saved;
}

// The steps of a correction reach the disk together; undone, in the opposite order.
bool Corrections::Apply(Correction& correction, bool forward) {
    m_records.BeginChange();
    try {
        const qsizetype count = correction.steps.size();
        for (qsizetype i = 0; i < count; ++i)
            ApplyStep(correction.steps[forward ? i : count - 1 - i], forward);
    } catch (const RaisedError&) {
        m_records.EndChange();
        throw;
    }
    m_lastPosition = correction.position;
    return m_records.EndChange();
}

void Corrections::ApplyStep(Step& step, bool forward) {
    if (step.edit) {
        m_records.EditBib(IndexOf(step.id, forward ? step.oldBib : step.newBib), forward ? step.newBib : step.oldBib);
        return;
    }
    const qint32 bib = step.placedForward ? step.newBib : step.oldBib;
    if (forward != step.placedForward) {
        const qint32 index = IndexOf(step.id, bib);
        step.time = m_records.PassageTime(index);
        m_records.DeleteBib(index);
        return;
    }
    m_records.AddBib(bib, step.after == 0 ? 0 : IndexOf(step.after, std::nullopt) + 1, step.time);
    const qint32 placed = m_records.LastAdded().ID;
    // Put back, the record has a new ID: every correction that names it follows.
    const qint32 former = step.id;
    step.id = placed;
    if (former == 0)
        return;
    for (QVector<Correction>* list : {&m_done, &m_undone})
        for (Correction& correction : *list)
            for (Step& other : correction.steps) {
                if (other.id == former)
                    other.id = placed;
                if (other.after == former)
                    other.after = placed;
            }
}

// Searched from the end, where corrections are made most often.
qint32 Corrections::IndexOf(qint32 id, std::optional<qint32> bib) {
    for (qint32 index = m_records.Count() - 1; index >= 0; --index) {
        const tBib record = m_records.GetRecord(index);
        if (record.ID == id) {
            if (bib && record.Bib != *bib)
                break;
            return index;
        }
    }
    HistoryLost();
}

qint32 Corrections::IdAt(qint32 index) const {
    return m_records.GetRecord(index).ID;
}

void Corrections::HistoryLost() {
    Forget();
    Raise(ErrorNumber::SubscriptOutOfRange, GetText(QStringLiteral("MKL_ERR_UNDOGONE")));
}

void Corrections::Journal(const QString& operation, const Correction& correction, bool forward) {
    JournalEntry entry{Now(), operation, correction.position, correction.oldBib, correction.newBib};
    if (!forward)
        std::swap(entry.oldBib, entry.newBib);
    try {
        AppendToJournal(m_records.FileName(), entry);
        m_journalError.reset();
    } catch (const RaisedError& error) {
        m_journalError = error.info();
        LogError(error.info());
    }
}
