#ifndef DATA_PARSER_H
#define DATA_PARSER_H

#include <cstdint>

class TokenReader;

// A tree of named items, each pointing at the member that holds its values, saved and loaded
// as text ("type: a") or binary ("type: b"). Items the file does not name keep their values;
// names the node does not know are reported and skipped (in text; a binary file cannot be
// skipped through, so there the load stops).
class datParser {
public:
    enum ItemType {
        ItemString,
        ItemBool,  // one byte
        ItemChar,
        ItemInt16,
        ItemInt32,
        ItemFloat,
        ItemVector2,
        ItemVector3,
        ItemVector4,
        ItemNode,
    };
    static const int NameSize = 64;

    typedef void (*ReportFunc)(const char* format, ...);

    explicit datParser(const char* name);
    datParser(const datParser&) = delete;
    datParser& operator=(const datParser&) = delete;
    ~datParser();

    // count consecutive values from address; stringSize is each string buffer's size (the
    // stride between strings and the read limit), for ItemString only.
    void AddItem(int type, const char* name, void* address, int count = 1, uint32_t flags = 0,
                 int stringSize = 0);
    datParser* AddNode(const char* name, uint32_t flags = 0);

    bool Load(const char* directory, const char* name, const char* extension);
    bool Load(const char* fileName);
    // The file is replaced only when written whole; otherwise the old one stays, the failure is
    // reported and the result is false.
    bool Save(const char* directory, const char* name, const char* extension, bool binary);
    bool Save(const char* fileName, bool binary);

    // Reads this node's items up to its closing brace; false when the data ended first or a
    // binary file named an unknown item.
    bool Read(TokenReader* reader, bool binary);

    // Where unknown names, broken files and failed saves are reported; PrintError by default.
    static ReportFunc SetReporter(ReportFunc report);

    const char* GetName() const { return m_Name; }

private:
    struct Item {
        uint32_t m_Type;
        uint16_t m_Count;
        uint16_t m_StringSize;
        char m_Name[NameSize];
        void* m_Address;
        uint32_t m_Flags;
        Item* m_Next;
    };

    Item* FindItem(const char* name) const;
    bool ReadValues(TokenReader* reader, bool binary, const Item& item);
    bool SkipUnknown(TokenReader* reader);
    bool LoadStream(const char* fileName, struct Stream* stream);
    bool SaveStream(const char* fileName, struct Stream* stream, bool binary);
    void Write(TokenReader* writer) const;
    void WriteValues(TokenReader* writer, const Item& item) const;
    void WriteIndent(TokenReader* writer) const;

    char m_Name[NameSize];
    uint32_t m_ItemCount;
    Item* m_First;
    uint32_t m_Indent;

    static ReportFunc sm_Report;
};

#endif
