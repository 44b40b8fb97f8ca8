#include "recording/AckSound.h"

#include "app/DataFiles.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <utility>

namespace {

// One effect for the whole run; loading the file once keeps each request instant.
QSoundEffect* Effect(const QString& path) {
    static QSoundEffect* effect = nullptr;
    if (!effect) {
        effect = new QSoundEffect(qApp);
        effect->setSource(QUrl::fromLocalFile(path));
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

void PlayAckSound() {
    Sink()(DataFilePath(QStringLiteral("sound.wav")));
}

SoundSink SetSoundSink(SoundSink sink) {
    SoundSink previous = std::move(Sink());
    Sink() = sink ? std::move(sink) : SoundSink(PlayOnSpeaker);
    return previous;
}
