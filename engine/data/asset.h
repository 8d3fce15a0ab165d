#ifndef DATA_ASSET_H
#define DATA_ASSET_H

#include "data/stream.h"

#include <cstdint>
#include <string>

// Full asset names: root + directory + "\" + name + "." + extension. A name that holds a
// separator or a drive stands on its own; an extension the name already ends in (any case) is
// not added again.
class datAssetManager {
public:
    static const int MaxRoot = 128;
    // Opens, creates and existence tests build their names in this much room.
    static const int MaxName = 128;

    static void SetPath(const char* path);
    static void SetFlatNames(bool flat);
    // The root as set, with its trailing "\"; empty for the working directory. Dialogs start
    // below it.
    static const char* GetPath() { return sm_Root; }

    // False, with an empty destination, when the full name does not fit in length bytes:
    // a cut name could be another file.
    static bool FullPath(char* dest, int length, const char* name, const char* extension);
    static bool FullPath(char* dest, int length, const char* directory, const char* name,
                         const char* extension);

    static Stream* Open(const char* name, const char* extension, bool quiet = false,
                        bool readOnly = true);
    static Stream* Open(const char* directory, const char* name, const char* extension,
                        bool quiet = false, bool readOnly = true);
    static Stream* Create(const char* name, const char* extension, bool quiet = false);
    static Stream* Create(const char* directory, const char* name, const char* extension,
                          bool quiet = false);
    // A create that keeps the old file until the stream closes without error (see
    // StreamCreateReplacing).
    static Stream* CreateReplacing(const char* directory, const char* name, const char* extension,
                                   bool quiet = false);
    static bool Exists(const char* name, const char* extension);
    static bool Exists(const char* directory, const char* name, const char* extension);

    // Lists a directory under the root, through the read device or (direct) the file system.
    static int EnumerateDir(const char* path, FileEnumerateCallback callback, uintptr_t user,
                            bool direct);

private:
    enum class Form { TwoPart, ThreePart };
    enum class Access { Read, Write, Create, Replace };

    static std::string FullName(const char* directory, const char* name, const char* extension,
                                Form form);
    static Stream* OpenAsset(const std::string& full, Access access, bool quiet);

    static char sm_Root[MaxRoot];
    static bool sm_FlatNames;
    static int sm_DebugLevel;
};

// The part of path after its last "/" or "\".
const char* FileNamePart(const char* path);
// Copies name up to its first "." (at most size - 1 characters) and terminates the copy.
void CopyBaseName(const char* name, char* dest, int size);

#endif
