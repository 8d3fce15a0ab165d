#include "data/token.h"

#include "data/assert.h"
#include "data/decimal.h"
#include "data/stream.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const int PrintfSize = 512;

}  // namespace

bool TokenReader::HoldsSeparator(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (IsSpace((unsigned char)text[i]) || text[i] == CommentChar) {
            return true;
        }
    }
    return false;
}

TokenReader::TokenReader(const char* fileName, Stream* stream) {
    Init(fileName, stream);
}

TokenReader::~TokenReader() {}

void TokenReader::Init(const char* fileName, Stream* stream) {
    m_FileName = fileName;
    m_Stream = stream;
    m_Line = 1;
    m_Current = ' ';
    pushcount = 0;
}

int TokenReader::GetChar() {
    if (pushcount > 0) {
        return (unsigned char)pushbuf[--pushcount];
    }
    int c = StreamGetc(m_Stream);
    return c < 0 ? -1 : c;
}

void TokenReader::SkipComment() {
    if (m_Current != CommentChar) {
        return;
    }
    while (m_Current != '\n' && m_Current != '\r' && m_Current != -1) {
        m_Current = GetChar();
    }
}

// Comments count as white space here, so a quoted token right after a comment line is still
// read as quoted.
void TokenReader::SkipSpaceAndComments() {
    for (;;) {
        while (IsSpace(m_Current)) {
            if (m_Current == '\n') {
                ++m_Line;
            }
            m_Current = GetChar();
        }
        if (m_Current != CommentChar) {
            return;
        }
        SkipComment();
    }
}

int TokenReader::GetQuotedToken(char* buffer, int size) {
    int length = 0;
    m_Current = GetChar();
    while (m_Current != '"' && m_Current != -1) {
        if (length < size - 1) {
            buffer[length++] = (char)m_Current;
        }
        m_Current = GetChar();
    }
    if (m_Current == '"') {
        m_Current = GetChar();
    }
    buffer[length] = 0;
    return length;
}

// The common token found whole in the stream's buffer; it stays valid until the stream is read
// again. The separator after it becomes the character read ahead. A token that runs past the
// buffer or ends in a comment (skipping it may refill the buffer) is left to the character
// path, its first character read ahead.
inline bool TokenReader::FindBuffered(const char*& token, int& length) {
    if (!StartBuffered()) {
        return false;
    }
    Stream* stream = m_Stream;
    const unsigned char* bytes = stream->m_Buffer;
    const uint32_t fill = stream->m_Fill;
    const uint32_t first = stream->m_Cursor - 1;
    for (uint32_t cursor = first + 1; cursor < fill;) {
        int c = bytes[cursor++];
        if (IsSeparator(c)) {
            if (c == CommentChar) {
                return false;
            }
            stream->m_Cursor = cursor;
            m_Current = c;
            token = (const char*)bytes + first;
            length = int(cursor - 1 - first);
            return true;
        }
    }
    return false;
}

int TokenReader::GetToken(char* buffer, int size) {
    const char* token;
    int length;
    if (!FindBuffered(token, length)) {
        return GetTokenByCharacter(buffer, size);
    }
    length = std::min(length, size - 1);
    for (int i = 0; i < length; ++i) {
        buffer[i] = token[i];
    }
    buffer[length] = 0;
    return length;
}

// The character path, for tokens that the buffer does not hold whole, quotes and comments: out
// of line, so that the common case keeps a small frame.
int TokenReader::GetTokenByCharacter(char* buffer, int size) {
    SkipSpaceAndComments();
    if (m_Current == '"') {
        return GetQuotedToken(buffer, size);
    }
    int length = 0;
    while (m_Current != -1 && !IsSpace(m_Current)) {
        if (m_Current == CommentChar) {
            SkipComment();
            break;
        }
        if (length < size - 1) {
            buffer[length++] = (char)m_Current;
        }
        m_Current = pushcount > 0 ? GetChar() : ScanBuffered(buffer, size, length);
    }
    buffer[length] = 0;
    return length;
}

// The rest of a token straight from the stream's buffer, so that a token costs a call rather
// than one per character; returns the character after the part scanned, which GetToken then
// judges as it judges any other.
int TokenReader::ScanBuffered(char* buffer, int size, int& length) {
    Stream* stream = m_Stream;
    const unsigned char* bytes = stream->m_Buffer;
    uint32_t cursor = stream->m_Cursor;
    uint32_t fill = stream->m_Fill;
    int stored = length;
    while (cursor < fill) {
        int c = bytes[cursor++];
        if (IsSeparator(c)) {
            stream->m_Cursor = cursor;
            length = stored;
            return c;
        }
        if (stored < size - 1) {
            buffer[stored++] = (char)c;
        }
    }
    stream->m_Cursor = cursor;
    length = stored;
    return GetChar();
}

void TokenReader::PushBack(const char* token, int length) {
    Assert(pushcount==0);
    Assert(length < (int)sizeof(pushbuf) - 3);
    // The character that ended the token goes back behind it, so the data reads again exactly
    // as before (a line end is counted once the token is read again) and a token that ended
    // the data is not lost. Stored last-first; GetChar takes from the end.
    if (m_Current != -1) {
        pushbuf[pushcount++] = (char)m_Current;
    }
    // A pushed-back token is read again by GetToken, so one that holds a separator goes back
    // quoted; a quoted token never holds a quote, so this always reads back the same.
    bool quoted = HoldsSeparator(token, length);
    if (quoted) {
        pushbuf[pushcount++] = '"';
    }
    for (int i = length - 1; i >= 0; --i) {
        pushbuf[pushcount++] = token[i];
    }
    if (quoted) {
        pushbuf[pushcount++] = '"';
    }
    m_Current = ' ';
}

int TokenReader::MatchToken(const char* expected) {
    char token[KeywordSize];
    int length = GetToken(token, sizeof(token));
    if (length == 0 || strcmp(token, expected) != 0) {
        FatalQuit("%s(%d): Expected '%s', got '%s'.", m_FileName, m_Line, expected, token);
    }
    return 0;
}

bool TokenReader::CheckToken(const char* name, bool consume) {
    char token[KeywordSize];
    int length = GetToken(token, sizeof(token));
    bool equal = length > 0 && strcmp(token, name) == 0;
    if (!equal || !consume) {
        PushBack(token, length);
    }
    return equal;
}

int TokenReader::SkipToken() {
    const char* token;
    int length;
    if (FindBuffered(token, length)) {
        return std::min(length, KeywordSize - 1);
    }
    char buffer[KeywordSize];
    return GetTokenByCharacter(buffer, sizeof(buffer));
}

// The line feed stays in the character read ahead, where the next GetToken counts it; a token
// that ended the line already holds it there, and then nothing is dropped.
void TokenReader::SkipLine() {
    while (m_Current != '\n' && m_Current != -1) {
        m_Current = GetChar();
    }
}

// Raw reads take the character read ahead first and leave the next one read ahead, so they
// mix with token reads.
int TokenReader::ReadRaw(char* buffer, int count) {
    int stored = 0;
    while (stored < count && m_Current != -1) {
        buffer[stored++] = (char)m_Current;
        m_Current = GetChar();
    }
    return stored;
}

int TokenReader::ReadUntil(char* buffer, int max, int terminator) {
    Assert(max > 0);
    if (m_Current == -1) {
        buffer[0] = 0;
        return -1;
    }
    int length = 0;
    for (int read = 0; m_Current != -1 && read < max - 1; ++read) {
        int c = m_Current;
        m_Current = GetChar();
        if (c == terminator) {
            break;
        }
        if (length > 0 || !IsSpace(c)) {
            buffer[length++] = (char)c;
        }
    }
    while (length > 0 && IsSpace((unsigned char)buffer[length - 1])) {
        --length;
    }
    buffer[length] = 0;
    return length;
}

bool TokenReader::Printf(const char* format, ...) {
    char text[PrintfSize];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return PutString(text, 0);
}

int TokenReader::GetInt() {
    return GetTextInt();
}

float TokenReader::GetFloat() {
    return GetTextFloat();
}

void TokenReader::Expected(const char* what) {
    FatalQuit("%s(%d): Expected %s.", m_FileName, m_Line, what);
}

int TokenReader::GetIntToken() {
    char token[NumberSize];
    GetToken(token, sizeof(token));
    if (token[0] != '-' && !IsDigit(token[0])) {
        Expected("integer");
    }
    return DecimalToInt(token);
}

float TokenReader::GetFloatToken() {
    char token[NumberSize];
    GetToken(token, sizeof(token));
    if (token[0] != '-' && token[0] != '.' && !IsDigit(token[0])) {
        Expected("float");
    }
    return DecimalToFloat(token);
}

void TokenReader::GetVector4(Vector4& value) {
    value.x = GetFloat();
    value.y = GetFloat();
    value.z = GetFloat();
    value.w = GetFloat();
}

void TokenReader::GetVector3(Vector3& value) {
    value.x = GetFloat();
    value.y = GetFloat();
    value.z = GetFloat();
}

void TokenReader::GetVector2(Vector2& value) {
    value.x = GetFloat();
    value.y = GetFloat();
}

void TokenReader::Match(const char* name) {
    MatchToken(name);
}

int TokenReader::MatchInt(const char* name) {
    Match(name);
    return GetInt();
}

float TokenReader::MatchFloat(const char* name) {
    Match(name);
    return GetFloat();
}

void TokenReader::MatchVector4(const char* name, Vector4& value) {
    Match(name);
    GetVector4(value);
}

void TokenReader::MatchVector3(const char* name, Vector3& value) {
    Match(name);
    GetVector3(value);
}

void TokenReader::MatchVector2(const char* name, Vector2& value) {
    Match(name);
    GetVector2(value);
}

bool TokenReader::WriteBytes(const void* data, int count) {
    return StreamWrite(m_Stream, data, count) == count;
}

bool TokenReader::WriteText(const char* format, ...) {
    char text[PrintfSize];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return length >= 0 && length < (int)sizeof(text) && WriteBytes(text, length);
}

bool TokenReader::PutVector4(const Vector4& value) {
    return WriteText("%f\t%f\t%f\t%f ", value.x, value.y, value.z, value.w);
}

bool TokenReader::PutVector3(const Vector3& value) {
    return WriteText("%f\t%f\t%f ", value.x, value.y, value.z);
}

bool TokenReader::PutVector2(const Vector2& value) {
    return WriteText("%f\t%f ", value.x, value.y);
}

bool TokenReader::PutFloat(float value) {
    return WriteText("%f ", value);
}

bool TokenReader::PutInt(int value) {
    return WriteText("%d ", value);
}

bool TokenReader::PutChar(char value) {
    return WriteBytes(&value, 1);
}

bool TokenReader::PutString(const char* text, int tabs) {
    bool written = WriteBytes(text, (int)strlen(text));
    for (int i = 0; i < tabs; ++i) {
        written = WriteBytes("\t", 1) && written;
    }
    return written;
}

bool TokenReader::PutString(const char* text) {
    return PutString(text, 0);
}
