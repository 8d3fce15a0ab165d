#ifndef MODEL_PACKAGE_H
#define MODEL_PACKAGE_H

#include <cstdint>

struct Stream;

// A model package: one file of named items (geometry, shaders, matrices...) read in the order
// they stand. Packages nest; the newest one alive is m_First, where the geometry loader reads.
// Packages are destroyed in the reverse order of their construction.
class modPackage {
public:
    modPackage();
    ~modPackage();
    modPackage(const modPackage&) = delete;
    modPackage& operator=(const modPackage&) = delete;

    bool Open(const char* dir, const char* name);
    // The stream at the payload of the next item when it has this name (any case), else null.
    Stream* OpenFile(const char* name);
    void CloseFile();
    void SkipFile();
    void SkipTo(const char* name);
    // False when a package being written could not be committed whole.
    bool Close();

    bool Create(const char* dir, const char* name);
    // Null for a name that does not fit in an item header.
    Stream* BeginFile(const char* name);
    void EndFile();

    const char* NextItem() const { return m_NextItem; }
    // Whether items carry their lengths ("PKG3"), so that one can be skipped unread; the items
    // of a "PKG2" package end only where their readers stop.
    bool CanSkip() const;

    static modPackage* m_First;
    static const char* const EndName;

private:
    void ReadItemHeader();

    modPackage* m_Next;
    Stream* m_Stream;
    char m_NextItem[32];
    uint32_t m_Magic;
    uint32_t m_PayloadLength;
    int m_SavedPosition;
    int m_LengthPosition;
    uint8_t m_Writing;
};

#endif
