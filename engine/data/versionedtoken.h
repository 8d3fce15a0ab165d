#ifndef DATA_VERSIONEDTOKEN_H
#define DATA_VERSIONEDTOKEN_H

#include "data/binarytoken.h"
#include "data/token.h"

// Picks the text or the binary reader by the header at the start of a file: a text file
// starts with its header and a line feed, a binary one with its header and a zero byte.
class VersionedTokenReader {
public:
    // Both headers must have the same length.
    TokenReader* BeginRead(const char* fileName, Stream* stream, const char* textString,
                           const char* binString);
    TokenReader* BeginWrite(const char* fileName, Stream* stream, bool binary,
                            const char* header);

private:
    TokenReader m_Text;
    BinaryTokenReader m_Binary;
};

#endif
