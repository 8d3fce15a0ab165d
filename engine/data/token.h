#ifndef DATA_TOKEN_H
#define DATA_TOKEN_H

#include "data/decimal.h"
#include "data/stream.h"

#include <cstdint>

struct Vector2;
struct Vector3;
struct Vector4;

// Reads a text stream as tokens: white space (blank, tab, line feed, carriage return, zero
// byte) separates them, '"' quotes one without escapes, ';' starts a comment to the end of the
// line. Typed reads and writes use the same text form; malformed input is fatal, naming the
// file and line. The typed operations are virtual so that one piece of code reads or writes
// the binary form (BinaryTokenReader) as well.
class TokenReader {
public:
    // Number tokens hold up to 47 characters: "%f" of the largest float needs 47.
    static const int NumberSize = 48;
    // MatchToken and CheckToken read up to 63 characters.
    static const int KeywordSize = 64;
    // Whether the text holds white space or the start of a comment: unquoted, it would not
    // read back as one token.
    static bool HoldsSeparator(const char* text, int length);

    TokenReader(const char* fileName = nullptr, Stream* stream = nullptr);
    virtual ~TokenReader();

    void Init(const char* fileName, Stream* stream);

    virtual int GetInt();
    virtual float GetFloat();
    // The text form's GetInt and GetFloat with their common case inline, for readers of text
    // that take many numbers: a number found whole in the stream's buffer is converted where
    // it lies.
    int GetTextInt() {
        int value;
        return ReadBufferedNumber<DecimalIntReader>(value) ? value : GetIntToken();
    }
    float GetTextFloat() {
        float value;
        return ReadBufferedNumber<DecimalFloatReader>(value) ? value : GetFloatToken();
    }
    virtual void GetVector4(Vector4& value);
    virtual void GetVector3(Vector3& value);
    virtual void GetVector2(Vector2& value);
    virtual void Match(const char* name);
    virtual int MatchInt(const char* name);
    virtual float MatchFloat(const char* name);
    virtual void MatchVector4(const char* name, Vector4& value);
    virtual void MatchVector3(const char* name, Vector3& value);
    virtual void MatchVector2(const char* name, Vector2& value);
    virtual bool PutVector4(const Vector4& value);
    virtual bool PutVector3(const Vector3& value);
    virtual bool PutVector2(const Vector2& value);
    virtual bool PutFloat(float value);
    virtual bool PutInt(int value);
    virtual bool PutChar(char value);
    virtual bool PutString(const char* text, int tabs);
    virtual bool PutString(const char* text);

    // Length of the token stored in buffer (cut to size - 1, the rest consumed); 0 at the end.
    int GetToken(char* buffer, int size);
    // The next GetToken reads token again; one token at a time.
    void PushBack(const char* token, int length);
    int MatchToken(const char* expected);
    bool CheckToken(const char* name, bool consume);
    // Reads and drops a token; its length as GetToken gives it for a keyword.
    int SkipToken();
    // Drops the rest of the current line.
    void SkipLine();
    int GetChar();
    void SkipComment();
    // The character read ahead and the bytes after it, count in all.
    int ReadRaw(char* buffer, int count);
    // The data up to terminator (at most max - 1 bytes), without surrounding white space;
    // -1 when the data has ended.
    int ReadUntil(char* buffer, int max, int terminator);
    bool Printf(const char* format, ...);

    int GetLine() const { return m_Line; }
    const char* GetFileName() const { return m_FileName; }

protected:
    bool WriteBytes(const void* data, int count);

    const char* m_FileName;
    int m_Line;
    Stream* m_Stream;
    int m_Current;

private:
    static const int CommentChar = ';';
    static bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0; }
    // Ends a token: white space or the start of a comment. Token characters are mostly above
    // the blank, so they are told apart with one comparison.
    static bool IsSeparator(int c) { return c <= ' ' ? IsSpace(c) : c == CommentChar; }
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }

    bool WriteText(const char* format, ...);
    int GetQuotedToken(char* buffer, int size);
    int GetTokenByCharacter(char* buffer, int size);
    bool StartBuffered();
    bool FindBuffered(const char*& token, int& length);
    template <typename Number, typename Value>
    bool ReadBufferedNumber(Value& value);
    [[noreturn]] void Expected(const char* what);
    int GetIntToken();
    float GetFloatToken();
    int ScanBuffered(char* buffer, int size, int& length);
    void SkipSpaceAndComments();

    // Room for a 63-character keyword, the quotes that keep its blanks and the character
    // that ended it.
    uint32_t pushcount;
    char pushbuf[68];
};

// The white space before a token skipped in the stream's buffer, in one loop without a call,
// line feeds counted. True when a token starts in the buffer: its first character is read
// ahead and is neither a quote nor a comment. Otherwise the reader stands where the scan
// stopped, and the character path goes on from there as if it had read everything itself.
inline bool TokenReader::StartBuffered() {
    Stream* stream = m_Stream;
    uint32_t cursor = stream->m_Cursor;
    const uint32_t fill = stream->m_Fill;
    int c = m_Current;
    if (pushcount > 0 || !IsSpace(c) || cursor >= fill) {
        return false;
    }
    const unsigned char* bytes = stream->m_Buffer;
    int line = m_Line;
    do {
        line += c == '\n';
        c = bytes[cursor++];
    } while (IsSpace(c) && cursor < fill);
    m_Line = line;
    stream->m_Cursor = cursor;
    m_Current = c;
    return !IsSpace(c) && c != '"' && c != CommentChar;
}

// A number token found whole in the stream's buffer, converted on the way: one loop for the
// common number instead of a copy and a conversion. Anything the converters treat otherwise
// (a token that Number does not take whole or whose value it does not give exactly, one as
// long as a number token is cut, one that ends in a comment or runs past the buffer) is left
// to the character path, its first character read ahead.
template <typename Number, typename Value>
inline bool TokenReader::ReadBufferedNumber(Value& value) {
    if (!StartBuffered()) {
        return false;
    }
    Stream* stream = m_Stream;
    const unsigned char* bytes = stream->m_Buffer;
    const uint32_t fill = stream->m_Fill;
    uint32_t cursor = stream->m_Cursor;
    Number number;
    if (!number.Start(char(m_Current))) {
        return false;
    }
    for (int length = 1; length < NumberSize - 1 && cursor < fill; ++length) {
        int c = bytes[cursor++];
        if (c <= ' ' && IsSpace(c)) {
            if (!number.Exact()) {
                return false;
            }
            stream->m_Cursor = cursor;
            m_Current = c;
            value = number.Value();
            return true;
        }
        if (!number.Take(char(c))) {
            return false;
        }
    }
    return false;
}

#endif
