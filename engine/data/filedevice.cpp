#include "data/printer.h"
#include "data/stream.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const int MaxSearchPath = 255;

HANDLE AsHandle(uintptr_t handle) { return (HANDLE)handle; }

// Positions past the stream layer's limit would come back negative or wrapped.
bool IsAddressable(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) && size.QuadPart <= Stream::MaxFileSize;
}

uintptr_t FileOpen(const char* name, bool readOnly) {
    DWORD access = readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD share = readOnly ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE file = CreateFileA(name, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE && !IsAddressable(file)) {
        PrintError("File too large: %s", name);
        CloseHandle(file);
        return InvalidStreamHandle;
    }
    return (uintptr_t)file;
}

// DELETE access lets a replacing stream rename the file it has open.
uintptr_t FileCreate(const char* name) {
    return (uintptr_t)CreateFileA(name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int FileRead(uintptr_t handle, void* buffer, int count) {
    DWORD got = 0;
    return ReadFile(AsHandle(handle), buffer, (DWORD)count, &got, nullptr) ? (int)got : -1;
}

int FileWrite(uintptr_t handle, const void* buffer, int count) {
    DWORD wrote = 0;
    return WriteFile(AsHandle(handle), buffer, (DWORD)count, &wrote, nullptr) ? (int)wrote : -1;
}

// Files never grow past the stream layer's limit, so the low 32 bits are the whole position.
int FileSeek(uintptr_t handle, int position, int whence) {
    return (int)SetFilePointer(AsHandle(handle), position, nullptr, (DWORD)whence);
}

int FileClose(uintptr_t handle) { return CloseHandle(AsHandle(handle)) ? 0 : -1; }

// One query instead of the three seeks the stream layer would make: each is a call into Wine.
int FileSize(uintptr_t handle) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(handle), &size) || size.QuadPart > Stream::MaxFileSize) {
        return -1;
    }
    return (int)size.QuadPart;
}

// Renames the open file, replacing a file of the new name: one call, where a rename by name
// would open the file again.
int FileRename(uintptr_t handle, const char* to) {
    WCHAR wide[MAX_PATH];
    WCHAR full[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, to, -1, wide, MAX_PATH)) {
        return -1;
    }
    DWORD length = GetFullPathNameW(wide, MAX_PATH, full, nullptr);
    if (!length || length >= MAX_PATH) {
        return -1;
    }
    alignas(FILE_RENAME_INFO) unsigned char storage[sizeof(FILE_RENAME_INFO) + sizeof(full)] = {};
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(storage);
    info->ReplaceIfExists = TRUE;
    info->FileNameLength = length * sizeof(WCHAR);
    memcpy(info->FileName, full, (length + 1) * sizeof(WCHAR));
    return SetFileInformationByHandle(AsHandle(handle), FileRenameInfo, info, sizeof(storage)) ? 0
                                                                                            : -1;
}

int FileRemove(const char* name) { return DeleteFileA(name) ? 0 : -1; }

}  // namespace

const StreamDevice Win32FileDevice = {
    FileOpen,      FileCreate, FileRead, FileWrite,  FileSeek,   FileClose,
    FileEnumerate, FileSize,   nullptr,  FileRename, FileRemove,
};

int FileEnumerate(const char* path, FileEnumerateCallback callback, uintptr_t user) {
    char pattern[MaxSearchPath + 1];
    if (snprintf(pattern, sizeof(pattern), "%s\\*", path) > MaxSearchPath) {
        PrintError("Path too long: %s", path);
        return 0;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        ++count;
        if (callback) {
            callback(found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, user);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}
