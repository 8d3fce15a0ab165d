#ifndef DATA_STREAM_H
#define DATA_STREAM_H

#include <cstdint>

// Buffered files: 12 slots with a 4096-byte buffer each, over a device of eleven operations.

typedef void (*FileEnumerateCallback)(const char* name, bool isDirectory, uintptr_t user);

// Handles are pointer-sized: a Win32 HANDLE, or the Stream itself for the memory device.
// (uintptr_t)-1 is the failure value of Open and Create.
struct StreamDevice {
    uintptr_t (*Open)(const char* name, bool readOnly);
    uintptr_t (*Create)(const char* name);
    int (*Read)(uintptr_t handle, void* buffer, int count);
    int (*Write)(uintptr_t handle, const void* buffer, int count);
    int (*Seek)(uintptr_t handle, int position, int whence);
    int (*Close)(uintptr_t handle);
    int (*EnumerateDir)(const char* path, FileEnumerateCallback callback, uintptr_t user);
    int (*Size)(uintptr_t handle);
    int (*Flush)(uintptr_t handle);
    // Rename gives the open file a new name, replacing an existing file of that name. Both are
    // needed for replacing streams.
    int (*Rename)(uintptr_t handle, const char* to);
    int (*Remove)(const char* name);
};

const uintptr_t InvalidStreamHandle = ~uintptr_t(0);

struct Stream {
    static constexpr int MaxStreams = 12;
    static constexpr int BufferSize = 4096;
    static constexpr int MaxName = 127;
    // Positions are signed 32-bit: larger files are refused at the open, and writes stop there.
    static constexpr int MaxFileSize = 0x7FFFFFFF;

    const StreamDevice* m_Device;
    uintptr_t m_Handle;
    char m_Name[MaxName + 1];
    unsigned char* m_Buffer;
    uint32_t m_BufferPosition;
    uint32_t m_Cursor;
    uint32_t m_Fill;
    uint32_t m_BufferSize;
    // A replacing stream writes to its name plus ReplacingSuffix and, at the close, is renamed
    // over its name only when every write succeeded; any failed write on the way is remembered.
    bool m_Replacing;
    bool m_WriteFailed;
};

const char* const ReplacingSuffix = ".new";

extern const StreamDevice Win32FileDevice;
extern const StreamDevice MemoryFileDevice;
extern const StreamDevice* StreamReadDevice;
extern const StreamDevice* StreamWriteDevice;

Stream* StreamOpen(const char* name, bool readOnly = true);
Stream* StreamCreate(const char* name);
// A file that is never left half-written over a good one: StreamClose commits it, or, when
// anything failed, removes the new data, keeps the old file and gives -1.
Stream* StreamCreateReplacing(const char* name);
Stream* StreamOpenOnDevice(const char* name, const StreamDevice* device, bool readOnly);
Stream* StreamCreateOnDevice(const char* name, const StreamDevice* device);

int StreamRead(Stream* stream, void* buffer, int count);
// count, or -1 when the device failed or took fewer bytes than it was given.
int StreamWrite(Stream* stream, const void* buffer, int count);
// A byte from the buffer costs no call: token readers take every byte of a text file here.
int StreamGetcRefill(Stream* stream);
inline int StreamGetc(Stream* stream) {
    return stream->m_Cursor < stream->m_Fill ? stream->m_Buffer[stream->m_Cursor++]
                                             : StreamGetcRefill(stream);
}
int StreamPutc(Stream* stream, int byte);
int StreamSeek(Stream* stream, int position);
int StreamSeekFrom(Stream* stream, int offset, int whence);
int StreamTell(Stream* stream);
int StreamSize(Stream* stream);
int StreamFlush(Stream* stream);
// -1 when a write failed or came up short, the final flush included (a replacing stream then
// keeps the old file), or when the device could not close the file; 0 otherwise.
int StreamClose(Stream* stream);
int StreamPrintf(Stream* stream, const char* format, ...);
int StreamGets(char* buffer, int size, Stream* stream);
int StreamScan(Stream* stream, const char* format, void* a0 = nullptr, void* a1 = nullptr,
               void* a2 = nullptr, void* a3 = nullptr, void* a4 = nullptr, void* a5 = nullptr,
               void* a6 = nullptr, void* a7 = nullptr);
Stream* StreamPreload(Stream* stream);
// A buffer of the caller's in place of the slot's own, for a file read or written in larger
// pieces: from then on a refill or a flush moves up to size bytes in one device call. What the
// old buffer holds is settled first (pending writes go out, read-ahead is given back to the
// device); a null buffer gives the slot's own back, and so does the next open of the slot.
// The buffer must outlive its use. -1 for a stream that holds its whole file, a size below the
// slot's own buffer's, or a failed flush; 0 otherwise.
int StreamSetBuffer(Stream* stream, unsigned char* buffer, int size);

int FileEnumerate(const char* path, FileEnumerateCallback callback, uintptr_t user);
void ListOpenFiles();

#endif
