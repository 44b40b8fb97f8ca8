#pragma once

#include "base/MessageBox.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Points every settings store, data folder and the log file of this test process into a fresh
// temporary folder, so no test reads or writes the user's real settings. Restores on destruction.
class IsolatedEnvironment {
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();

    QString path() const { return m_dir.path(); }
    QString configFolder() const; // where the QSettings files live
    QString dataFolder() const;   // XDG_DATA_HOME
    QString logFile() const;      // the log file WriteLog writes to

private:
    QTemporaryDir m_dir;
};

// Answers message boxes from a script and records what the operator would have read.
// Without a scripted answer a box is answered with its first button (OK / Yes); a question with
// choices with its last one (Cancel, keep as it is), so an unscripted question never loops.
class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void setNextAnswer(MsgAnswer answer) { m_answers.append(answer); }
    const QList<MessageRequest>& shown() const { return m_shown; }
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }

private:
    QList<MsgAnswer> m_answers;
    QList<MessageRequest> m_shown;
    MessagePresenter m_previous;
};

// Fixes the program's clock at a moment until destroyed.
class FixedClock {
public:
    explicit FixedClock(const QDateTime& moment);
    ~FixedClock();
    void set(const QDateTime& moment) { *m_moment = moment; }

private:
    std::shared_ptr<QDateTime> m_moment;
};

// The whole file as bytes ("" when missing), and writing bytes to a file for fixtures.
QByteArray FileBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);
