#include "recording/AckSound.h"

#include "base/DataFiles.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QUrl>
#include <utility>

const QString kBuiltInTone = QStringLiteral(":/sounds/ack-tone.wav");

namespace {

QUrl SourceUrl(const QString& source) {
    return source.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + source) : QUrl::fromLocalFile(source);
}

void PlayOnSpeaker(const QString& source);

// One effect per source for the whole run; loading a file once keeps each request instant. A
// file that turns out unplayable while its first request waits for it gives the tone instead.
QSoundEffect* Effect(const QString& source) {
    static QHash<QString, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[source];
    if (!effect) {
        effect = new QSoundEffect(qApp);
        QSoundEffect* created = effect;
        QObject::connect(created, &QSoundEffect::statusChanged, created, [created, source] {
            if (created->status() == QSoundEffect::Error && created->property("waiting").toBool() &&
                source != kBuiltInTone)
                PlayOnSpeaker(kBuiltInTone);
            if (created->status() != QSoundEffect::Loading)
                created->setProperty("waiting", false);
        });
        effect->setSource(SourceUrl(source));
    }
    return effect;
}

void PlayOnSpeaker(const QString& source) {
    QSoundEffect* effect = Effect(source);
    if (effect->status() == QSoundEffect::Error) {
        if (source != kBuiltInTone)
            PlayOnSpeaker(kBuiltInTone);
        else
            QApplication::beep(); // no audio output at all
        return;
    }
    effect->setProperty("waiting", effect->status() != QSoundEffect::Ready);
    effect->stop(); // a new request cuts the one still playing
    effect->play();
}

SoundSink& Sink() {
    static SoundSink sink = PlayOnSpeaker;
    return sink;
}

} // namespace

// The sounds are resources of a static library; without this reference the linker drops them.
static void RegisterSoundResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(sounds);
        return true;
    }();
    Q_UNUSED(registered);
}

QString AckSoundSource(const QString& soundFile) {
    RegisterSoundResources();
    QFile file(soundFile);
    if (!file.open(QIODevice::ReadOnly))
        return kBuiltInTone;
    const QByteArray header = file.read(12);
    const bool wave = header.size() == 12 && header.startsWith("RIFF") && header.endsWith("WAVE");
    return wave ? soundFile : kBuiltInTone;
}

const QString kAlarmSoundPath = QStringLiteral(":/sounds/alarm.wav");

void PlayAckSound() {
    Sink()(AckSoundSource(DataFilePath(QStringLiteral("sound.wav"))));
}

void PlayAlarmSound() {
    RegisterSoundResources();
    Sink()(kAlarmSoundPath);
}

const QString kRefusedSoundPath = QStringLiteral(":/sounds/refused-tone.wav");

void PlayRefusedSound() {
    RegisterSoundResources();
    Sink()(kRefusedSoundPath);
}

SoundSink SetSoundSink(SoundSink sink) {
    SoundSink previous = std::move(Sink());
    Sink() = sink ? std::move(sink) : SoundSink(PlayOnSpeaker);
    return previous;
}
