#include "data/asset.h"

#include "data/options.h"
#include "data/printer.h"

#include <cstring>
#include <string>

char datAssetManager::sm_Root[MaxRoot];
bool datAssetManager::sm_FlatNames = false;
int datAssetManager::sm_DebugLevel = 0;

namespace {

bool HasSeparator(const char* name) {
    return strchr(name, '/') || strchr(name, '\\');
}

bool StandsAlone(const char* name) {
    return HasSeparator(name) || (name[0] && name[1] == ':');
}

bool CopyIfFits(char* dest, int length, const std::string& text) {
    bool fits = (int)text.size() < length;
    if (length > 0) {
        strcpy(dest, fits ? text.c_str() : "");
    }
    return fits;
}

}  // namespace

void datAssetManager::SetPath(const char* path) {
    DebugOption("assetDebug", sm_DebugLevel);
    // Room for the trailing "\" and the terminator; a cut root would name other files.
    if (strlen(path) > MaxRoot - 2) {
        PrintWarning("datAssetManager::SetPath(%s): path too long.", path);
        return;
    }
    strcpy(sm_Root, path);
    if (!sm_Root[0]) {
        return;
    }
    for (char* c = sm_Root; *c; ++c) {
        if (*c == '/') {
            *c = '\\';
        }
    }
    if (sm_Root[strlen(sm_Root) - 1] != '\\') {
        strcat(sm_Root, "\\");
    }
    PrintVerbose1(sm_DebugLevel, "datAssetManager::SetPath(%s)", sm_Root);
}

void datAssetManager::SetFlatNames(bool flat) {
    sm_FlatNames = flat;
}

std::string datAssetManager::FullName(const char* directory, const char* name,
                                      const char* extension, Form form) {
    std::string text;
    if (!StandsAlone(name)) {
        text = sm_Root;
        if (directory && *directory && !sm_FlatNames) {
            text = text + directory + "\\";
        }
    }
    text += name;
    // The two-part form adds even an empty extension, giving "name.".
    if (extension && (*extension || form == Form::TwoPart)) {
        const char* dot = strrchr(name, '.');
        if (!(dot && _stricmp(dot + 1, extension) == 0)) {
            text = text + "." + extension;
        }
    }
    if (form == Form::TwoPart) {
        PrintVerbose2(sm_DebugLevel, "FullPath(%s,%s) = %s", name, extension, text.c_str());
    } else {
        PrintVerbose2(sm_DebugLevel, "FullPath(%s,%s,%s) = %s", directory, name, extension,
                      text.c_str());
    }
    return text;
}

bool datAssetManager::FullPath(char* dest, int length, const char* name, const char* extension) {
    return CopyIfFits(dest, length, FullName(nullptr, name, extension, Form::TwoPart));
}

bool datAssetManager::FullPath(char* dest, int length, const char* directory, const char* name,
                               const char* extension) {
    return CopyIfFits(dest, length, FullName(directory, name, extension, Form::ThreePart));
}

Stream* datAssetManager::OpenAsset(const std::string& full, Access access, bool quiet) {
    bool create = access == Access::Create || access == Access::Replace;
    Stream* stream = nullptr;
    // A name too long for the stream layer fails like a missing file.
    if ((int)full.size() < MaxName) {
        PrintVerbose1(sm_DebugLevel, create ? "Creating '%s'..." : "Opening '%s'...",
                      full.c_str());
        if (access == Access::Replace) {
            stream = StreamCreateReplacing(full.c_str());
        } else if (create) {
            stream = StreamCreate(full.c_str());
        } else {
            stream = StreamOpen(full.c_str(), access == Access::Read);
        }
    }
    if (!stream && !quiet) {
        PrintWarning(create ? "Cannot create file '%s'." : "Cannot open file '%s'.",
                     full.c_str());
    }
    return stream;
}

Stream* datAssetManager::Open(const char* name, const char* extension, bool quiet,
                              bool readOnly) {
    return OpenAsset(FullName(nullptr, name, extension, Form::TwoPart),
                     readOnly ? Access::Read : Access::Write, quiet);
}

Stream* datAssetManager::Open(const char* directory, const char* name, const char* extension,
                              bool quiet, bool readOnly) {
    return OpenAsset(FullName(directory, name, extension, Form::ThreePart),
                     readOnly ? Access::Read : Access::Write, quiet);
}

Stream* datAssetManager::Create(const char* name, const char* extension, bool quiet) {
    return OpenAsset(FullName(nullptr, name, extension, Form::TwoPart), Access::Create, quiet);
}

Stream* datAssetManager::CreateReplacing(const char* directory, const char* name,
                                         const char* extension, bool quiet) {
    return OpenAsset(FullName(directory, name, extension, Form::ThreePart), Access::Replace,
                     quiet);
}

Stream* datAssetManager::Create(const char* directory, const char* name, const char* extension,
                                bool quiet) {
    return OpenAsset(FullName(directory, name, extension, Form::ThreePart), Access::Create,
                     quiet);
}

namespace {

bool CloseIfOpen(Stream* stream) {
    if (stream) {
        StreamClose(stream);
    }
    return stream != nullptr;
}

}  // namespace

bool datAssetManager::Exists(const char* name, const char* extension) {
    return CloseIfOpen(Open(name, extension, true, true));
}

bool datAssetManager::Exists(const char* directory, const char* name, const char* extension) {
    return CloseIfOpen(Open(directory, name, extension, true, true));
}

int datAssetManager::EnumerateDir(const char* path, FileEnumerateCallback callback,
                                  uintptr_t user, bool direct) {
    std::string full = StandsAlone(path) ? std::string(path) : std::string(sm_Root) + path;
    if (direct) {
        return FileEnumerate(full.c_str(), callback, user);
    }
    return StreamReadDevice->EnumerateDir(full.c_str(), callback, user);
}

const char* FileNamePart(const char* path) {
    const char* part = path;
    for (const char* c = path; *c; ++c) {
        if (*c == '/' || *c == '\\') {
            part = c + 1;
        }
    }
    return part;
}

void CopyBaseName(const char* name, char* dest, int size) {
    int length = 0;
    while (name[length] && name[length] != '.' && length < size - 1) {
        dest[length] = name[length];
        ++length;
    }
    dest[length] = 0;
}
