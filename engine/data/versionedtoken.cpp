#include "data/versionedtoken.h"

#include "data/assert.h"
#include "data/stream.h"

#include <cstring>
#include <string>

TokenReader* VersionedTokenReader::BeginRead(const char* fileName, Stream* stream,
                                             const char* textString, const char* binString) {
    size_t len = strlen(textString);
    Assert(len==strlen(binString));
    std::string header(len, '\0');
    int read = len ? StreamRead(stream, &header[0], (int)len) : 0;
    if (read != (int)len) {
        PrintError("couldn't get header string");
        header.resize(read > 0 ? read : 0);
    }
    if (header == textString) {
        m_Text.Init(fileName, stream);
        return &m_Text;
    }
    if (header == binString) {
        // The zero byte that BeginWrite puts after a binary header; raw values follow it.
        StreamGetc(stream);
        m_Binary.Init(fileName, stream);
        return &m_Binary;
    }
    FatalQuit("%s(%d): unknown version string: '%s'.", fileName, 0, header.c_str());
}

TokenReader* VersionedTokenReader::BeginWrite(const char* fileName, Stream* stream, bool binary,
                                              const char* header) {
    TokenReader* writer = binary ? static_cast<TokenReader*>(&m_Binary) : &m_Text;
    writer->Init(fileName, stream);
    writer->PutString(header, 0);
    writer->PutString("\n");
    return writer;
}
