#pragma once

#include <QString>
#include <functional>

// The acknowledgement sound of a recorded bib: "sound.wav" played in the background. A request
// returns at once and cuts a sound still playing; a missing or unreadable file gives the
// system's beep instead, so the operator always hears something.
void PlayAckSound();

// The alarm of a fault the window shows without a box (a failed write, a lost scanner): three
// falling double tones built into the program, unlike the acknowledgement. Played whether or not
// the acknowledgement is switched on.
void PlayAlarmSound();
extern const QString kAlarmSoundPath;

// Test seam: receives every request (with the sound file's path) instead of the speaker.
using SoundSink = std::function<void(const QString& path)>;
SoundSink SetSoundSink(SoundSink sink);
