#include "TestEnvironment.h"

#include "base/Clock.h"
#include "base/LogWriter.h"

#include <QDir>
#include <QFile>
#include <QSettings>

IsolatedEnvironment::IsolatedEnvironment() {
    // Every per-user location the program may touch lies in the temporary folder. (Qt's
    // standard-paths test mode is not used: it ignores these variables and shares one folder.)
    QDir().mkpath(configFolder());
    QDir().mkpath(dataFolder());
    QDir().mkpath(path() + QStringLiteral("/cache"));
    qputenv("HOME", path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataFolder().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configFolder().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (path() + QStringLiteral("/cache")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configFolder());
    SetLogFilePath(logFile());
    ResetLogSizeLimit();
}

IsolatedEnvironment::~IsolatedEnvironment() {
    SetLogFilePath(QString());
    ResetLogSizeLimit();
}

QString IsolatedEnvironment::configFolder() const {
    return m_dir.path() + QStringLiteral("/config");
}
QString IsolatedEnvironment::dataFolder() const {
    return m_dir.path() + QStringLiteral("/data");
}
QString IsolatedEnvironment::logFile() const {
    return m_dir.path() + QStringLiteral("/marklog.log");
}

ScriptedMessages::ScriptedMessages() {
    m_previous = SetMessagePresenter([this](const MessageRequest& request) {
        m_shown.append(request);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        switch (request.buttons) {
        case MsgButtons::YesNo:
            return MsgAnswer::Yes;
        case MsgButtons::Choices:
            return request.choices.size() == 3 ? MsgAnswer::Choice3 : MsgAnswer::Choice2;
        default:
            return MsgAnswer::Ok;
        }
    });
}

ScriptedMessages::~ScriptedMessages() {
    SetMessagePresenter(m_previous);
}

FixedClock::FixedClock(const QDateTime& moment) : m_moment(std::make_shared<QDateTime>(moment)) {
    std::shared_ptr<QDateTime> shared = m_moment;
    SetClockSource([shared] { return *shared; });
}

FixedClock::~FixedClock() {
    SetClockSource({});
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}
