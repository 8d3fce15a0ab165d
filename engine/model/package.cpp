// Model packages: "PKG3" files of named items with payload lengths, and the older "PKG2" whose
// payloads end where their readers stop.
#include "model/package.h"

#include "data/asset.h"
#include "data/assert.h"
#include "data/bytes.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/stream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const uint32_t MagicPkg3 = 0x33474B50;  // "PKG3"
const uint32_t MagicPkg2 = 0x32474B50;  // "PKG2"
const char FileMagic[4] = {'F', 'I', 'L', 'E'};

// Read from the options when a package is opened or created.
int sm_DebugLevel = 0;

// The debug lines print a package's address in 32 bits, as they always have.
unsigned Address(const void* p) { return (unsigned)(uintptr_t)p; }

}  // namespace

modPackage* modPackage::m_First = nullptr;
const char* const modPackage::EndName = "[[[ EOF ]]]";

modPackage::modPackage()
    : m_Next(m_First), m_Stream(nullptr), m_NextItem(), m_Magic(0), m_PayloadLength(0),
      m_SavedPosition(4), m_LengthPosition(0), m_Writing(0) {
    m_First = this;
}

modPackage::~modPackage() {
    Assert(m_First == this);
    m_First = m_Next;
    Close();
}

bool modPackage::Open(const char* dir, const char* name) {
    DebugOption("assetDebug", sm_DebugLevel);
    m_Stream = StreamPreload(datAssetManager::Open(dir, name, "pkg"));
    if (!m_Stream) {
        return false;
    }
    unsigned char magic[4];
    m_Magic = StreamRead(m_Stream, magic, 4) == 4 ? DecodeU32(magic) : 0;
    if (m_Magic != MagicPkg3 && m_Magic != MagicPkg2) {
        PrintError("modPackage::Open: %s/%s: Bad magic.", dir, name);
        Close();
        return false;
    }
    ReadItemHeader();
    return true;
}

void modPackage::ReadItemHeader() {
    char magic[4];
    if (StreamRead(m_Stream, magic, 4) != 4) {
        strcpy(m_NextItem, EndName);
        return;
    }
    if (memcmp(magic, FileMagic, 4) != 0) {
        FatalQuit("modPackage: missing file magic, previous reader didn't consume all data.");
    }
    unsigned char len = 0;
    bool whole = StreamRead(m_Stream, &len, 1) == 1;
    Assert(len <= sizeof(m_NextItem));
    memset(m_NextItem, 0, sizeof(m_NextItem));
    whole = whole && StreamRead(m_Stream, m_NextItem, len) == len;
    // The stored zero is not trusted: the name always ends inside the field.
    m_NextItem[sizeof(m_NextItem) - 1] = 0;
    m_PayloadLength = 0;
    if (whole && m_Magic == MagicPkg3) {
        unsigned char length[4];
        whole = StreamRead(m_Stream, length, 4) == 4;
        m_PayloadLength = DecodeU32(length);
    }
    if (!whole) {
        PrintError("modPackage: '%s' is cut short.", m_Stream->m_Name);
        strcpy(m_NextItem, EndName);
    }
}

Stream* modPackage::OpenFile(const char* name) {
    PrintVerbose1(sm_DebugLevel, "modPackage::OpenFile(%x) - %s [next = %s]", Address(this), name,
                  m_NextItem);
    return m_Stream && _stricmp(m_NextItem, name) == 0 ? m_Stream : nullptr;
}

void modPackage::CloseFile() {
    PrintVerbose1(sm_DebugLevel, "modPackage::CloseFile(%x)", Address(this));
    if (m_Writing) {
        m_SavedPosition = StreamTell(m_Stream);
    } else {
        ReadItemHeader();
    }
}

void modPackage::SkipFile() {
    int64_t end = (int64_t)StreamTell(m_Stream) + m_PayloadLength;
    StreamSeek(m_Stream, (int)std::min<int64_t>(end, INT_MAX));
    ReadItemHeader();
}

bool modPackage::CanSkip() const {
    return m_Magic == MagicPkg3;
}

void modPackage::SkipTo(const char* name) {
    if (m_Magic != MagicPkg3) {
        FatalQuit("modPackage::SkipTo - old format, can't use SkipTo");
    }
    while (_stricmp(m_NextItem, name) != 0 && strcmp(m_NextItem, EndName) != 0) {
        SkipFile();
    }
}

bool modPackage::Close() {
    if (!m_Stream) {
        return true;
    }
    if (m_Writing) {
        EndFile();
    }
    bool closed = StreamClose(m_Stream) == 0;
    m_Stream = nullptr;
    m_Writing = 0;
    return closed;
}

bool modPackage::Create(const char* dir, const char* name) {
    DebugOption("assetDebug", sm_DebugLevel);
    m_Stream = datAssetManager::CreateReplacing(dir, name, "pkg");
    if (!m_Stream) {
        return false;
    }
    StreamWrite(m_Stream, "PKG3", 4);
    m_Magic = MagicPkg3;
    m_Writing = 1;
    m_LengthPosition = 0;
    m_SavedPosition = 4;
    return true;
}

Stream* modPackage::BeginFile(const char* name) {
    size_t length = strlen(name);
    // The reader holds names of up to 31 characters and their zero.
    if (length >= sizeof(m_NextItem)) {
        PrintError("modPackage::BeginFile: item name '%s' is too long.", name);
        return nullptr;
    }
    StreamSeek(m_Stream, m_SavedPosition);
    EndFile();
    unsigned char len = (unsigned char)(length + 1);
    StreamWrite(m_Stream, FileMagic, 4);
    StreamWrite(m_Stream, &len, 1);
    StreamWrite(m_Stream, name, len);
    m_LengthPosition = StreamTell(m_Stream);
    const unsigned char zero[4] = {0, 0, 0, 0};
    StreamWrite(m_Stream, zero, 4);
    return m_Stream;
}

void modPackage::EndFile() {
    if (!m_LengthPosition) {
        return;
    }
    int here = StreamTell(m_Stream);
    uint32_t length = (uint32_t)(here - m_LengthPosition - 4);
    PrintMessage("%d bytes in package", (int)length);
    unsigned char bytes[4];
    EncodeU32(length, bytes);
    StreamSeek(m_Stream, m_LengthPosition);
    StreamWrite(m_Stream, bytes, 4);
    StreamSeek(m_Stream, here);
    m_LengthPosition = 0;
}
