#include "data/parser.h"

#include "data/asset.h"
#include "data/assert.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/versionedtoken.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char TextHeader[] = "type: a";
const char BinaryHeader[] = "type: b";
const int IndentSize = 64;

template <typename T>
T* At(void* address, int index) {
    return (T*)address + index;
}

}  // namespace

datParser::ReportFunc datParser::sm_Report = PrintError;

datParser::ReportFunc datParser::SetReporter(ReportFunc report) {
    ReportFunc old = sm_Report;
    sm_Report = report;
    return old;
}

datParser::datParser(const char* name) : m_ItemCount(0), m_First(nullptr), m_Indent(0) {
    snprintf(m_Name, NameSize, "%s", name);
}

datParser::~datParser() {
    while (m_First) {
        Item* item = m_First;
        m_First = item->m_Next;
        if (item->m_Type == ItemNode) {
            delete (datParser*)item->m_Address;
        }
        delete item;
    }
}

void datParser::AddItem(int type, const char* name, void* address, int count, uint32_t flags,
                        int stringSize) {
    Assert(type >= ItemString && type <= ItemNode);
    Assert(type != ItemString || stringSize > 0);
    Assert(count >= 0 && count <= 0xFFFF && stringSize >= 0 && stringSize <= 0xFFFF);
    Item* item = new Item;
    item->m_Type = (uint32_t)type;
    item->m_Count = (uint16_t)count;
    item->m_StringSize = (uint16_t)stringSize;
    snprintf(item->m_Name, NameSize, "%s", name);
    item->m_Address = address;
    item->m_Flags = flags;
    item->m_Next = nullptr;
    Item** last = &m_First;
    while (*last) {
        last = &(*last)->m_Next;
    }
    *last = item;
    ++m_ItemCount;
}

datParser* datParser::AddNode(const char* name, uint32_t flags) {
    datParser* child = new datParser(name);
    child->m_Indent = m_Indent + 2;
    AddItem(ItemNode, name, child, 1, flags);
    return child;
}

datParser::Item* datParser::FindItem(const char* name) const {
    for (Item* item = m_First; item; item = item->m_Next) {
        if (strcmp(item->m_Name, name) == 0) {
            return item;
        }
    }
    return nullptr;
}

bool datParser::Load(const char* directory, const char* name, const char* extension) {
    Stream* stream = datAssetManager::Open(directory, name, extension);
    return stream && LoadStream(name, stream);
}

bool datParser::Load(const char* fileName) {
    Stream* stream = StreamOpen(fileName);
    if (!stream) {
        PrintWarning("Cannot open file '%s'.", fileName);
        return false;
    }
    return LoadStream(fileName, stream);
}

bool datParser::Save(const char* directory, const char* name, const char* extension,
                     bool binary) {
    Stream* stream = datAssetManager::CreateReplacing(directory, name, extension);
    return stream && SaveStream(name, stream, binary);
}

bool datParser::Save(const char* fileName, bool binary) {
    Stream* stream = StreamCreateReplacing(fileName);
    if (!stream) {
        PrintWarning("Cannot create file '%s'.", fileName);
        return false;
    }
    return SaveStream(fileName, stream, binary);
}

bool datParser::LoadStream(const char* fileName, Stream* stream) {
    // The header says which form follows; the token reader reads it again.
    char header[sizeof(BinaryHeader)] = {};
    StreamRead(stream, header, sizeof(BinaryHeader) - 1);
    bool binary = strcmp(header, BinaryHeader) == 0;
    StreamSeek(stream, 0);

    VersionedTokenReader versioned;
    TokenReader* reader = versioned.BeginRead(fileName, stream, TextHeader, BinaryHeader);
    bool read = reader->GetToken(m_Name, NameSize) > 0 && Read(reader, binary);
    StreamClose(stream);
    return read;
}

bool datParser::SaveStream(const char* fileName, Stream* stream, bool binary) {
    VersionedTokenReader versioned;
    TokenReader* writer =
        versioned.BeginWrite(fileName, stream, binary, binary ? BinaryHeader : TextHeader);
    writer->PutString(m_Name, 0);
    writer->PutString(" ");
    Write(writer);
    // The stream names the whole path; it is gone after the close.
    char path[sizeof(stream->m_Name)];
    strcpy(path, stream->m_Name);
    if (StreamClose(stream) < 0) {
        sm_Report("datParser::Save: could not write all of '%s'.", path);
        return false;
    }
    return true;
}

void datParser::WriteIndent(TokenReader* writer) const {
    char indent[IndentSize];
    uint32_t length = m_Indent < IndentSize - 1 ? m_Indent : IndentSize - 1;
    memset(indent, ' ', length);
    indent[length] = 0;
    writer->PutString(indent);
}

void datParser::Write(TokenReader* writer) const {
    writer->PutString("{\n", 0);
    for (const Item* item = m_First; item; item = item->m_Next) {
        WriteIndent(writer);
        writer->PutString("  ");
        writer->PutString(item->m_Name, 0);
        writer->PutString(" ");
        WriteValues(writer, *item);
        writer->PutString("\n");
    }
    WriteIndent(writer);
    writer->PutString("}\n", 0);
}

void datParser::WriteValues(TokenReader* writer, const Item& item) const {
    for (int i = 0; i < item.m_Count; ++i) {
        switch (item.m_Type) {
        case ItemString: {
            // Quoted, so that blanks inside read back as one token.
            const char* text = (const char*)item.m_Address + i * item.m_StringSize;
            std::string quoted = "\"" + std::string(text, strnlen(text, item.m_StringSize)) + "\"";
            writer->PutString(quoted.c_str(), 1);
            break;
        }
        case ItemBool:
            writer->PutInt(*At<uint8_t>(item.m_Address, i));
            break;
        case ItemChar:
            writer->PutInt(*At<char>(item.m_Address, i));
            break;
        case ItemInt16:
            writer->PutInt(*At<int16_t>(item.m_Address, i));
            break;
        case ItemInt32:
            writer->PutInt(*At<int32_t>(item.m_Address, i));
            break;
        case ItemFloat:
            writer->PutFloat(*At<float>(item.m_Address, i));
            break;
        case ItemVector2:
            writer->PutVector2(*At<Vector2>(item.m_Address, i));
            break;
        case ItemVector3:
            writer->PutVector3(*At<Vector3>(item.m_Address, i));
            break;
        case ItemVector4:
            writer->PutVector4(*At<Vector4>(item.m_Address, i));
            break;
        case ItemNode:
            ((const datParser*)item.m_Address)->Write(writer);
            break;
        }
    }
}

bool datParser::Read(TokenReader* reader, bool binary) {
    char token[NameSize];
    for (;;) {
        if (reader->GetToken(token, NameSize) == 0) {
            sm_Report("datParser::Read()- Unexpected end of data in '%s'", m_Name);
            return false;
        }
        if (strcmp(token, "{") == 0) {
            continue;
        }
        if (strcmp(token, "}") == 0) {
            return true;
        }
        Item* item = FindItem(token);
        if (item) {
            if (!ReadValues(reader, binary, *item)) {
                return false;
            }
            continue;
        }
        sm_Report("datParser::Read()- Unrecognized token '%s'", token);
        // Raw values have no line ends to skip to.
        if (binary || !SkipUnknown(reader)) {
            return false;
        }
    }
}

bool datParser::ReadValues(TokenReader* reader, bool binary, const Item& item) {
    for (int i = 0; i < item.m_Count; ++i) {
        switch (item.m_Type) {
        case ItemString:
            reader->GetToken((char*)item.m_Address + i * item.m_StringSize, item.m_StringSize);
            break;
        case ItemBool:
            *At<uint8_t>(item.m_Address, i) = reader->GetInt() != 0;
            break;
        case ItemChar:
            *At<char>(item.m_Address, i) = (char)reader->GetInt();
            break;
        case ItemInt16:
            *At<int16_t>(item.m_Address, i) = (int16_t)reader->GetInt();
            break;
        case ItemInt32:
            *At<int32_t>(item.m_Address, i) = reader->GetInt();
            break;
        case ItemFloat:
            *At<float>(item.m_Address, i) = reader->GetFloat();
            break;
        case ItemVector2:
            reader->GetVector2(*At<Vector2>(item.m_Address, i));
            break;
        case ItemVector3:
            reader->GetVector3(*At<Vector3>(item.m_Address, i));
            break;
        case ItemVector4:
            reader->GetVector4(*At<Vector4>(item.m_Address, i));
            break;
        case ItemNode:
            if (!((datParser*)item.m_Address)->Read(reader, binary)) {
                return false;
            }
            break;
        }
    }
    return true;
}

// After an unknown name: a braced block is skipped whole, anything else to the end of the line.
bool datParser::SkipUnknown(TokenReader* reader) {
    char token[NameSize];
    int line = reader->GetLine();
    int length = reader->GetToken(token, NameSize);
    if (length && strcmp(token, "{") == 0) {
        int depth = 1;
        while (depth > 0) {
            if (reader->GetToken(token, NameSize) == 0) {
                sm_Report("datParser::Read()- Unexpected end of data in '%s'", m_Name);
                return false;
            }
            depth += strcmp(token, "{") == 0 ? 1 : strcmp(token, "}") == 0 ? -1 : 0;
        }
        return true;
    }
    while (length && reader->GetLine() == line) {
        length = reader->GetToken(token, NameSize);
    }
    if (length) {
        reader->PushBack(token, length);
    }
    return true;
}
