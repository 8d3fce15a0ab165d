#ifndef DATA_TOKEN_H
#define DATA_TOKEN_H

#include <cstdint>

struct Stream;
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
    void SkipToken();
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
    bool WriteText(const char* format, ...);
    int GetQuotedToken(char* buffer, int size);
    bool ScanToken(char* buffer, int size, int& length, bool& inToken);
    int ScanBuffered(char* buffer, int size, int& length);
    void SkipSpaceAndComments();

    // Room for a 63-character keyword, the quotes that keep its blanks and the character
    // that ended it.
    uint32_t pushcount;
    char pushbuf[68];
};

#endif
