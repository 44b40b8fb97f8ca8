#pragma once

#include <utility>

// Corrections made in the record grid between runs: a plan of inserts, edits, deletes and moves,
// the record lists the file must show after each rewrite they cause, and driving them through a
// real main window.

#include "WindowDriver.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct EditOp {
    enum Kind : char { Edit = 'e', Delete = 'd', Insert = 'i', Up = 'u', Down = 'w' };
    Kind kind = Edit;
    int row = 1;   // grid row, 1-based
    int value = 0; // the bib typed (edit, insert)
};

// "e:3:4711,d:2": the plan on a helper process's command line.
inline QString EncodeOps(const QList<EditOp>& ops) {
    QStringList parts;
    for (const EditOp& op : ops)
        parts << QStringLiteral("%1:%2:%3").arg(QChar(op.kind)).arg(op.row).arg(op.value);
    return parts.join(QLatin1Char(','));
}

inline QList<EditOp> DecodeOps(const QString& text) {
    QList<EditOp> ops;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList fields = part.split(QLatin1Char(':'));
        if (fields.size() == 3 && fields[0].size() == 1)
            ops.append(EditOp{EditOp::Kind(fields[0][0].toLatin1()), fields[1].toInt(), fields[2].toInt()});
    }
    return ops;
}

// The list after each rewrite, one entry per rewrite in order. An insert rewrites twice (the new
// record with bib 0, then the bib typed over it); a move rewrites once, both exchanged bibs together.
// `rewritesAfter[i]` is the number of rewrites once op i has returned.
inline QList<QVector<qint32>> StatesOf(QVector<qint32> bibs, const QList<EditOp>& ops,
                                       QList<int>* rewritesAfter = nullptr) {
    QList<QVector<qint32>> states;
    for (const EditOp& op : ops) {
        const int i = op.row - 1;
        switch (op.kind) {
        case EditOp::Edit:
            bibs[i] = op.value;
            states << bibs;
            break;
        case EditOp::Delete:
            bibs.remove(i);
            states << bibs;
            break;
        case EditOp::Insert:
            bibs.insert(qMax(i, 0), 0);
            states << bibs;
            bibs[qMax(i, 0)] = op.value;
            states << bibs;
            break;
        case EditOp::Up:
        case EditOp::Down: {
            const int j = op.kind == EditOp::Up ? i - 1 : i + 1;
            std::swap(bibs[i], bibs[j]);
            states << bibs;
            break;
        }
        }
        if (rewritesAfter)
            rewritesAfter->append(states.size());
    }
    return states;
}

// A few random corrections that fit the list as it changes. Typed values have at most the
// editor's five digits and are never 0, so each one is a change the grid reports.
inline QList<EditOp> PlanOps(QVector<qint32> bibs, QRandomGenerator& random) {
    QList<EditOp> ops;
    const int count = 2 + int(random.bounded(4));
    for (int n = 0; n < count; ++n) {
        EditOp op;
        const int size = int(bibs.size());
        const quint32 pick = random.bounded(100);
        op.row = size > 0 ? 1 + int(random.bounded(size)) : 1;
        op.value = 1 + int(random.bounded(99999));
        if (size == 0 || pick < 20)
            op.kind = EditOp::Insert;
        else if (pick < 55)
            op.kind = EditOp::Edit;
        else if (pick < 80)
            op.kind = EditOp::Delete;
        else if (op.row > 1 && pick < 90)
            op.kind = EditOp::Up;
        else if (op.row < size)
            op.kind = EditOp::Down;
        else
            op.kind = EditOp::Edit;
        if (op.kind == EditOp::Edit && bibs[op.row - 1] == op.value)
            op.value = op.value % 99999 + 1;
        ops << op;
        bibs = StatesOf(bibs, {op}).last();
    }
    return ops;
}

// Carries one correction out in the window's grid, the way the operator does. False when the
// window did not react as it should.
inline bool DriveOp(frmMain* window, const EditOp& op) {
    using namespace WindowDriver;
    const bool empty = window->RecordFile.Count() == 0;
    switch (op.kind) {
    case EditOp::Edit:
        return OpenEditorOn(window, op.row) && TypeIntoEditor(window, QString::number(op.value));
    case EditOp::Delete:
        if (!OpenEditorOn(window, op.row))
            return false;
        ClickButton(window, "cmdDelete"); // the question is answered OK
        return true;
    case EditOp::Insert:
        if (!empty && !OpenEditorOn(window, op.row))
            return false;
        ClickButton(window, "cmdInsert");
        // The editor waits on the new record's 0.
        if (!QTest::qWaitFor([&] { return EditorOf(window)->hasFocus() && GridOf(window)->EditRow() == op.row; },
                             kStepTimeoutMs))
            return false;
        return TypeIntoEditor(window, QString::number(op.value));
    case EditOp::Up:
        if (!OpenEditorOn(window, op.row))
            return false;
        ClickButton(window, "cmdUp");
        return true;
    case EditOp::Down:
        if (!OpenEditorOn(window, op.row))
            return false;
        ClickButton(window, "cmdDown");
        return true;
    }
    return false;
}
