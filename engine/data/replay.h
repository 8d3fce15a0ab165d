#ifndef DATA_REPLAY_H
#define DATA_REPLAY_H

#include <cstdint>

// Per-frame input recorded into a memory stream and played back: "RPY0", then each frame's
// items followed by one byte holding the frame's size modulo 256, which playback checks.
// With no replay open the calls only count.

class datMemoryStream;

bool ReplayBeginRecord(datMemoryStream* stream);
bool ReplayBeginPlayback(datMemoryStream* stream);
void ReplayEnd();
void ReplayReset();
void ReplayBeginFrame();
// False once a playback has used up its replay (the replay is then closed).
bool ReplayEndFrame();

int ReplayReadByte();
uint32_t ReplayReadU32();
void ReplayWriteByte(int byte);
void ReplayWriteU32(uint32_t value);

bool IsPlayback();
bool IsRecording();

#endif
