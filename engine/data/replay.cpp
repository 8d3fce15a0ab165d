#include "data/replay.h"

#include "data/assert.h"
#include "data/bytes.h"
#include "data/memstream.h"

#include <cstring>

namespace {

const char ReplayMagic[4] = {'R', 'P', 'Y', '0'};

datMemoryStream* sm_ReplayFile = nullptr;
bool sm_Playback = false;
bool sm_InFrame = false;
int sm_FrameSize = 0;
int sm_Remaining = 0;

void ReadChecks() {
    Assert(sm_InFrame);
    Assert(IsPlayback());
    Assert(sm_ReplayFile);
}

}  // namespace

bool IsPlayback() { return sm_Playback; }
bool IsRecording() { return sm_ReplayFile && !sm_Playback; }

bool ReplayBeginRecord(datMemoryStream* stream) {
    ReplayEnd();
    sm_Playback = false;
    if (!stream) {
        return false;
    }
    sm_ReplayFile = stream;
    sm_FrameSize = 0;
    stream->Write(ReplayMagic, sizeof(ReplayMagic));
    return true;
}

bool ReplayBeginPlayback(datMemoryStream* stream) {
    ReplayEnd();
    if (!stream) {
        return false;
    }
    char magic[sizeof(ReplayMagic)] = {};
    if (stream->Read(magic, sizeof(magic)) != sizeof(magic) ||
        memcmp(magic, ReplayMagic, sizeof(magic)) != 0) {
        stream->Rewind();
        return false;
    }
    sm_ReplayFile = stream;
    sm_Playback = true;
    sm_FrameSize = 0;
    sm_Remaining = (int)stream->Size() - (int)sizeof(ReplayMagic);
    return true;
}

void ReplayEnd() {
    Assert(!sm_InFrame);
    if (sm_ReplayFile) {
        sm_ReplayFile->Rewind();
    }
    sm_ReplayFile = nullptr;
    sm_Playback = false;
}

void ReplayReset() {
    sm_ReplayFile = nullptr;
    sm_Playback = false;
    sm_InFrame = false;
    sm_FrameSize = 0;
    sm_Remaining = 0;
}

void ReplayBeginFrame() {
    Assert(!sm_InFrame);
    sm_InFrame = true;
    Assert(!sm_FrameSize);
}

bool ReplayEndFrame() {
    Assert(sm_InFrame);
    if (sm_ReplayFile && !sm_Playback) {
        sm_ReplayFile->PutByte(sm_FrameSize);
    } else if (sm_Playback) {
        int stored = sm_ReplayFile->GetByte();
        if (stored != sm_FrameSize % 256) {
            FatalQuit("Frame size mismatch: %d != %d", stored, sm_FrameSize);
        }
        sm_Remaining -= sm_FrameSize + 1;
    }
    sm_FrameSize = 0;
    sm_InFrame = false;
    if (sm_Playback && sm_Remaining <= 0) {
        ReplayEnd();
        return false;
    }
    return true;
}

int ReplayReadByte() {
    ReadChecks();
    sm_FrameSize += 1;
    return sm_ReplayFile->GetByte();
}

uint32_t ReplayReadU32() {
    ReadChecks();
    sm_FrameSize += 4;
    unsigned char bytes[4] = {};
    sm_ReplayFile->Read(bytes, 4);
    return DecodeU32(bytes);
}

void ReplayWriteByte(int byte) {
    Assert(!IsPlayback());
    sm_FrameSize += 1;
    if (sm_ReplayFile) {
        sm_ReplayFile->PutByte(byte);
    }
}

void ReplayWriteU32(uint32_t value) {
    Assert(!IsPlayback());
    sm_FrameSize += 4;
    if (sm_ReplayFile) {
        unsigned char bytes[4];
        EncodeU32(value, bytes);
        sm_ReplayFile->Write(bytes, 4);
    }
}
