#include "data/stream.h"

#include "data/printer.h"
#include "data/streamslot.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

Stream sm_Streams[Stream::MaxStreams];
unsigned char sm_BufferPool[Stream::MaxStreams][Stream::BufferSize];
int sm_HighWater = -1;

const int PrintfSize = 512;
const int ScanLineSize = 255;

Stream* FindFreeSlot() {
    for (Stream& stream : sm_Streams) {
        if (!stream.m_Device) {
            return &stream;
        }
    }
    ListOpenFiles();
    PrintError("Out of file handles.");
    return nullptr;
}

void Occupy(Stream* stream, const StreamDevice* device, uintptr_t handle, const char* name) {
    int index = (int)(stream - sm_Streams);
    stream->m_Device = device;
    stream->m_Handle = handle;
    stream->m_BufferSize = Stream::BufferSize;
    stream->m_BufferPosition = 0;
    stream->m_Cursor = 0;
    stream->m_Fill = 0;
    stream->m_Replacing = false;
    stream->m_WriteFailed = false;
    stream->m_Buffer = sm_BufferPool[index];
    strncpy(stream->m_Name, name, Stream::MaxName);
    stream->m_Name[Stream::MaxName] = 0;
    sm_HighWater = std::max(sm_HighWater, index);
}

// The slot is sought before the device is asked, so that a create with every slot taken
// neither truncates the file nor leaks its handle.
Stream* OpenOrCreate(const char* name, const StreamDevice* device, bool create, bool readOnly) {
    if (strlen(name) > (size_t)Stream::MaxName) {
        PrintError("File name too long: %s", name);
        return nullptr;
    }
    Stream* stream = FindFreeSlot();
    if (!stream) {
        return nullptr;
    }
    uintptr_t handle = InvalidStreamHandle;
    if (create && device->Create) {
        handle = device->Create(name);
    } else if (!create && device->Open) {
        handle = device->Open(name, readOnly);
    }
    if (handle == InvalidStreamHandle) {
        return nullptr;
    }
    Occupy(stream, device, handle, name);
    return stream;
}

// A device without Seek serves the whole file from the buffer (a preloaded stream): the
// buffer never moves, reads stop at its end and nothing is written.
bool HoldsWholeFile(const Stream* stream) { return !stream->m_Device->Seek; }

bool HasReadAhead(const Stream* stream) { return stream->m_Fill > 0; }
bool HasPendingWrites(const Stream* stream) { return stream->m_Fill == 0 && stream->m_Cursor > 0; }

int CopyFromBuffer(Stream* stream, unsigned char* destination, int count) {
    int copied = std::min((int)(stream->m_Fill - stream->m_Cursor), count);
    memcpy(destination, stream->m_Buffer + stream->m_Cursor, copied);
    stream->m_Cursor += copied;
    return copied;
}

void EmptyBuffer(Stream* stream) {
    stream->m_Cursor = 0;
    stream->m_Fill = 0;
}

// Callers may drop the result of a write; a replacing stream still must not commit after it.
int NoteFailure(Stream* stream, int result) {
    if (result < 0) {
        stream->m_WriteFailed = true;
    }
    return result;
}

bool ReplacingName(const char* name, char (&temporary)[Stream::MaxName + 1]) {
    if (snprintf(temporary, sizeof(temporary), "%s%s", name, ReplacingSuffix) > Stream::MaxName) {
        PrintError("File name too long: %s%s", name, ReplacingSuffix);
        return false;
    }
    return true;
}

// The new file takes the old one's place only whole; otherwise it goes and the old one stays.
int CloseReplacing(const Stream* stream) {
    const StreamDevice* device = stream->m_Device;
    bool renamed = !stream->m_WriteFailed && device->Rename(stream->m_Handle, stream->m_Name) >= 0;
    bool closed = device->Close(stream->m_Handle) >= 0;
    if (!renamed) {
        char temporary[Stream::MaxName + 1];
        ReplacingName(stream->m_Name, temporary);
        device->Remove(temporary);
    }
    return renamed && closed ? 0 : -1;
}

}  // namespace

const StreamDevice* StreamReadDevice = &Win32FileDevice;
const StreamDevice* StreamWriteDevice = &Win32FileDevice;

Stream* StreamAttach(const char* name, const StreamDevice* device, uintptr_t handle) {
    Stream* stream = FindFreeSlot();
    if (stream) {
        Occupy(stream, device, handle, name);
    }
    return stream;
}

Stream* StreamOpen(const char* name, bool readOnly) {
    return OpenOrCreate(name, readOnly ? StreamReadDevice : StreamWriteDevice, false, readOnly);
}

Stream* StreamCreate(const char* name) { return OpenOrCreate(name, StreamWriteDevice, true, false); }

Stream* StreamCreateReplacing(const char* name) {
    const StreamDevice* device = StreamWriteDevice;
    char temporary[Stream::MaxName + 1];
    if (!device->Rename || !device->Remove || !ReplacingName(name, temporary)) {
        return nullptr;
    }
    Stream* stream = OpenOrCreate(temporary, device, true, false);
    if (stream) {
        strcpy(stream->m_Name, name);
        stream->m_Replacing = true;
    }
    return stream;
}

Stream* StreamOpenOnDevice(const char* name, const StreamDevice* device, bool readOnly) {
    return OpenOrCreate(name, device, false, readOnly);
}

Stream* StreamCreateOnDevice(const char* name, const StreamDevice* device) {
    return OpenOrCreate(name, device, true, false);
}

int StreamRead(Stream* stream, void* buffer, int count) {
    if (count <= 0) {
        return 0;
    }
    unsigned char* destination = (unsigned char*)buffer;
    if (HoldsWholeFile(stream)) {
        return CopyFromBuffer(stream, destination, count);
    }
    if (HasPendingWrites(stream) && StreamFlush(stream) < 0) {
        return -1;
    }
    int copied = 0;
    int available = (int)(stream->m_Fill - stream->m_Cursor);
    if (count > available) {
        copied = CopyFromBuffer(stream, destination, available);
        destination += copied;
        count -= copied;
        stream->m_BufferPosition += stream->m_Cursor;
        EmptyBuffer(stream);
        if (count >= (int)stream->m_BufferSize) {
            int got = stream->m_Device->Read(stream->m_Handle, destination, count);
            if (got < 0) {
                return -1;
            }
            stream->m_BufferPosition += got;
            return copied + got;
        }
        int got = stream->m_Device->Read(stream->m_Handle, stream->m_Buffer, stream->m_BufferSize);
        if (got < 0) {
            return -1;
        }
        stream->m_Fill = got;
    }
    return copied + CopyFromBuffer(stream, destination, count);
}

int StreamWrite(Stream* stream, const void* buffer, int count) {
    if (HoldsWholeFile(stream)) {
        return -1;
    }
    if (count <= 0) {
        return 0;
    }
    // Positions are 32-bit signed: nothing may be written past what they can address.
    if ((int64_t)StreamTell(stream) + count > Stream::MaxFileSize) {
        PrintError("File too large: %s", stream->m_Name);
        return NoteFailure(stream, -1);
    }
    const unsigned char* source = (const unsigned char*)buffer;
    if (HasReadAhead(stream) && StreamFlush(stream) < 0) {
        return -1;
    }
    if (count >= (int)stream->m_BufferSize) {
        if (HasPendingWrites(stream) && StreamFlush(stream) < 0) {
            return -1;
        }
        int wrote = stream->m_Device->Write(stream->m_Handle, source, count);
        stream->m_BufferPosition += std::max(wrote, 0);
        return NoteFailure(stream, wrote == count ? count : -1);
    }
    int rest = count;
    int room = (int)(stream->m_BufferSize - stream->m_Cursor);
    if (rest >= room) {
        memcpy(stream->m_Buffer + stream->m_Cursor, source, room);
        stream->m_Cursor = stream->m_BufferSize;
        if (StreamFlush(stream) < 0) {
            return -1;
        }
        source += room;
        rest -= room;
    }
    memcpy(stream->m_Buffer + stream->m_Cursor, source, rest);
    stream->m_Cursor += rest;
    return count;
}

int StreamGetcRefill(Stream* stream) {
    unsigned char byte = 0;
    return StreamRead(stream, &byte, 1) == 1 ? byte : -1;
}

int StreamPutc(Stream* stream, int byte) {
    unsigned char value = (unsigned char)byte;
    return StreamWrite(stream, &value, 1) == 1 ? value : -1;
}

int StreamSeek(Stream* stream, int position) {
    if (HoldsWholeFile(stream)) {
        stream->m_Cursor = (uint32_t)std::clamp(position, 0, (int)stream->m_Fill);
        return (int)stream->m_Cursor;
    }
    if (StreamFlush(stream) < 0) {
        return -1;
    }
    // A refused seek leaves the device, and so the stream, where the flush left it.
    int reached = stream->m_Device->Seek(stream->m_Handle, position, 0);
    if (reached >= 0) {
        stream->m_BufferPosition = position;
    }
    return reached;
}

int StreamSetBuffer(Stream* stream, unsigned char* buffer, int size) {
    if (HoldsWholeFile(stream) || (buffer && size < Stream::BufferSize)) {
        return -1;
    }
    if (StreamFlush(stream) < 0) {
        return -1;
    }
    stream->m_Buffer = buffer ? buffer : sm_BufferPool[stream - sm_Streams];
    stream->m_BufferSize = buffer ? uint32_t(size) : uint32_t(Stream::BufferSize);
    return 0;
}

int StreamSeekFrom(Stream* stream, int offset, int whence) {
    switch (whence) {
    case 0:
        return StreamSeek(stream, offset);
    case 1:
        return StreamSeek(stream, StreamTell(stream) + offset);
    case 2: {
        int size = StreamSize(stream);
        return size < 0 ? -1 : StreamSeek(stream, size + offset);
    }
    default:
        return -1;
    }
}

int StreamTell(Stream* stream) { return (int)(stream->m_BufferPosition + stream->m_Cursor); }

int StreamSize(Stream* stream) {
    const StreamDevice* device = stream->m_Device;
    if (device->Size) {
        // Bytes still waiting in the buffer belong to the file.
        if (HasPendingWrites(stream) && StreamFlush(stream) < 0) {
            return -1;
        }
        return device->Size(stream->m_Handle);
    }
    if (StreamFlush(stream) < 0) {
        return -1;
    }
    int here = device->Seek(stream->m_Handle, 0, 1);
    int end = device->Seek(stream->m_Handle, 0, 2);
    device->Seek(stream->m_Handle, here, 0);
    return end;
}

int StreamFlush(Stream* stream) {
    if (HoldsWholeFile(stream)) {
        return 0;
    }
    const StreamDevice* device = stream->m_Device;
    int result = 0;
    if (HasReadAhead(stream)) {
        if (stream->m_Cursor != stream->m_Fill) {
            result = device->Seek(stream->m_Handle, stream->m_BufferPosition + stream->m_Cursor, 0);
        }
    } else if (stream->m_Cursor > 0) {
        // A device that takes fewer bytes than it was given has run out of room.
        int wrote = device->Write(stream->m_Handle, stream->m_Buffer, stream->m_Cursor);
        result = wrote == (int)stream->m_Cursor ? wrote : -1;
    }
    stream->m_BufferPosition += stream->m_Cursor;
    EmptyBuffer(stream);
    // A failed write-out stays a failure even when the device's own flush succeeds.
    if (device->Flush && result >= 0) {
        result = device->Flush(stream->m_Handle);
    }
    return NoteFailure(stream, result);
}

int StreamClose(Stream* stream) {
    if (HasPendingWrites(stream)) {
        StreamFlush(stream);
    }
    int result = 0;
    if (stream->m_Replacing) {
        result = CloseReplacing(stream);
    } else {
        bool closed = stream->m_Device->Close(stream->m_Handle) >= 0;
        result = closed && !stream->m_WriteFailed ? 0 : -1;
    }
    stream->m_Handle = InvalidStreamHandle;
    stream->m_Device = nullptr;
    return result;
}

int StreamPrintf(Stream* stream, const char* format, ...) {
    char text[PrintfSize];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    length = std::clamp(length, 0, PrintfSize - 1);
    return StreamWrite(stream, text, length);
}

int StreamGets(char* buffer, int size, Stream* stream) {
    if (size < 1) {
        return 0;
    }
    int stored = 0;
    while (stored < size - 1) {
        int c = StreamGetc(stream);
        if (c < 0) {
            break;
        }
        buffer[stored++] = (char)c;
        if (c == '\n') {
            break;
        }
    }
    buffer[stored] = 0;
    return stored;
}

int StreamScan(Stream* stream, const char* format, void* a0, void* a1, void* a2, void* a3,
               void* a4, void* a5, void* a6, void* a7) {
    int first = StreamGetc(stream);
    while (first == '\t' || first == '\n' || first == ' ' || first == '\r') {
        first = StreamGetc(stream);
    }
    if (first < 0) {
        return 0;
    }
    char line[ScanLineSize + 1];
    line[0] = (char)first;
    if (StreamGets(line + 1, ScanLineSize, stream) == 0) {
        return 0;
    }
    int fields = sscanf(line, format, a0, a1, a2, a3, a4, a5, a6, a7);
    if (fields == 0) {
        PrintError("scan of '%s' == '%s' failed", format, line);
    }
    return fields;
}

void ListOpenFiles() {
    PrintMessage("Max files open at once: %d", sm_HighWater + 1);
    for (int i = 0; i < Stream::MaxStreams; ++i) {
        if (sm_Streams[i].m_Device) {
            PrintMessage("%d. HANDLE=%x NAME=%s", i, (unsigned)sm_Streams[i].m_Handle,
                         sm_Streams[i].m_Name);
        }
    }
}
