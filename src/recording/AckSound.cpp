#include "recording/AckSound.h"

#include "app/DataFiles.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QUrl>
#include <utility>

namespace {

// One effect per sound for the whole run; loading each once keeps every request instant.
QSoundEffect* Effect(const QString& path) {
    static QHash<QString, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[path];
    if (!effect) {
        effect = new QSoundEffect(qApp);
        effect->setSource(path.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + path)
                                                            : QUrl::fromLocalFile(path));
    }
    return effect;
}

void PlayOnSpeaker(const QString& path) {
    if (!QFileInfo(path).isReadable()) {
        QApplication::beep();
        return;
    }
    QSoundEffect* effect = Effect(path);
    if (effect->status() == QSoundEffect::Error) {
        QApplication::beep();
        return;
    }
    effect->stop(); // a new request cuts the one still playing
    effect->play();
}

SoundSink& Sink() {
    static SoundSink sink = PlayOnSpeaker;
    return sink;
}

} // namespace

static void InitSoundResources() {
    Q_INIT_RESOURCE(sounds); // the alarm lives in a static library
}

const QString kAlarmSoundPath = QStringLiteral(":/sounds/alarm.wav");

void PlayAckSound() {
    Sink()(DataFilePath(QStringLiteral("sound.wav")));
}

void PlayAlarmSound() {
    static const bool loaded = (InitSoundResources(), true);
    Q_UNUSED(loaded);
    Sink()(kAlarmSoundPath);
}

SoundSink SetSoundSink(SoundSink sink) {
    SoundSink previous = std::move(Sink());
    Sink() = sink ? std::move(sink) : SoundSink(PlayOnSpeaker);
    return previous;
}
