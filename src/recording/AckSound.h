#pragma once

#include <QString>
#include <functional>

// The acknowledgement sound of a recorded bib: "sound.wav" played in the background. A request
// returns at once and cuts a sound still playing. A missing or unplayable file gives a short tone
// built into the program, played through the same audio output, so the operator always hears
// something; the system beep is silent on many desktops.
void PlayAckSound();

// The built-in tone (a resource of the program).
extern const QString kBuiltInTone;

// What a request plays: the sound file when it holds a WAV sound, else the built-in tone.
QString AckSoundSource(const QString& soundFile);

// The alarm of a fault the window shows without a box (a failed write, a lost scanner): three
// falling double tones built into the program, unlike the acknowledgement. Played whether or not
// the acknowledgement is switched on.
void PlayAlarmSound();
extern const QString kAlarmSoundPath;

// A bib the duplicate guard refused: two low tones built into the program, unlike both the
// acknowledgement and the alarm, so the operator hears that nothing was recorded.
void PlayRefusedSound();
extern const QString kRefusedSoundPath;

// Test seam: receives every request (with the source chosen to play) instead of the speaker.
using SoundSink = std::function<void(const QString& source)>;
SoundSink SetSoundSink(SoundSink sink);
