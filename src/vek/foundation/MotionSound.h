#pragma once
#include <string>

namespace vek {

// The looping sound played while simulated axes move: <install>/data/qdx.wav
// through ALSA when a playback device opens, silent otherwise. The playing
// state is kept either way so that hosts and tests can observe it.
void startMotionSound();
void stopMotionSound();
bool isMotionSoundPlaying();
// Whether the sound actually reaches a playback device.
bool isMotionSoundAudible();

}  // namespace vek
