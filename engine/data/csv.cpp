#include "data/csv.h"

#include "data/assert.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool EndsField(char c) { return c == ',' || c == '\r' || c == '\n' || c == 0; }

// One whole line, comment cut off. Lines are not cut to a buffer: the tail of a long line would
// either be lost or come back as a row of its own.
bool ReadLine(Stream* stream, std::string& line) {
    line.clear();
    int c = StreamGetc(stream);
    if (c < 0) {
        return false;
    }
    while (c >= 0) {
        line += (char)c;
        if (c == '\n') {
            break;
        }
        c = StreamGetc(stream);
    }
    line.resize(std::min(line.find('#'), line.size()));
    return true;
}

bool IsControl(char c) { return (unsigned char)c < 32; }

// Splits a line in place into at most maximum heap strings; empty fields stay null.
int SplitFields(char* line, char** fields, int maximum) {
    char* p = line;
    int count = 0;
    while (count < maximum) {
        while (*p && IsControl(*p)) {
            ++p;
        }
        if (!*p) {
            break;
        }
        char* start = p;
        while (*p && !IsControl(*p) && *p != ',') {
            ++p;
        }
        char separator = *p;
        *p = 0;
        if (p > start) {
            fields[count] = strdup(start);
        }
        ++count;
        if (separator) {
            ++p;
        }
    }
    return count;
}

void SkipLines(Stream* stream, int count) {
    std::string line;
    for (int i = 0; i < count && ReadLine(stream, line); ++i) {
    }
}

}  // namespace

int SplitCsvLine(const char* line, int n, int size, ...) {
    va_list buffers;
    va_start(buffers, size);
    int count = 0;
    while (count < n) {
        char* buffer = va_arg(buffers, char*);
        int length = 0;
        while (!EndsField(*line)) {
            if (length < size - 1) {
                buffer[length++] = *line;
            }
            ++line;
        }
        buffer[length] = 0;
        ++count;
        if (*line != ',') {
            break;
        }
        ++line;
    }
    va_end(buffers);
    return count;
}

bool CsvTable::Load(const char* directory, const char* name, bool skip, int skipCount) {
    Stream* stream = datAssetManager::Open(directory, name, "csv");
    bool loaded = Load(stream, skip, skipCount);
    if (stream) {
        StreamClose(stream);
    }
    return loaded;
}

bool CsvTable::Load(Stream* stream, bool skip, int skipCount) {
    Free();
    if (!stream) {
        return false;
    }
    int headerLines = skip ? skipCount : 0;
    std::string line;
    SkipLines(stream, headerLines);
    if (ReadLine(stream, line)) {
        m_Columns = SplitFields(&line[0], m_ColumnNames, MaxColumns);
    }
    while (ReadLine(stream, line)) {
        ++m_Rows;
    }

    StreamSeek(stream, 0);
    SkipLines(stream, headerLines + 1);
    m_Cells = (char**)calloc(m_Rows * m_Columns + 1, sizeof(char*));
    for (int row = 0; row < m_Rows && ReadLine(stream, line); ++row) {
        SplitFields(&line[0], m_Cells + row * m_Columns, m_Columns);
    }
    return true;
}

void CsvTable::Free() {
    for (char*& name : m_ColumnNames) {
        free(name);
        name = nullptr;
    }
    for (int i = 0; m_Cells && i < m_Rows * m_Columns; ++i) {
        free(m_Cells[i]);
    }
    free(m_Cells);
    m_Cells = nullptr;
    m_Rows = 0;
    m_Columns = 0;
}

void CsvTable::Print() const {
    PrintMessage("%d x %d table", m_Rows, m_Columns);
    for (int column = 0; column < m_Columns; ++column) {
        PrintLevel0("%s,", m_ColumnNames[column] ? m_ColumnNames[column] : "");
    }
    PrintLevel0("\n");
    for (int row = 0; row < m_Rows; ++row) {
        for (int column = 0; column < m_Columns; ++column) {
            const char* cell = Cell(row, column);
            PrintLevel0("%s,", cell ? cell : "");
        }
        PrintLevel0("\n");
    }
}

char*& CsvTable::Cell(int row, int column) const {
    Assert(row >= 0 && row < m_Rows && column >= 0 && column < m_Columns);
    return m_Cells[row * m_Columns + column];
}

int CsvTable::GetInt(int row, int column) const {
    const char* cell = Cell(row, column);
    return cell ? atoi(cell) : 0;
}

float CsvTable::GetFloat(int row, int column) const {
    const char* cell = Cell(row, column);
    return cell ? (float)atof(cell) : 0.0f;
}

int CsvTable::FindColumn(const char* name) const {
    for (int column = 0; column < m_Columns; ++column) {
        if (m_ColumnNames[column] && _stricmp(m_ColumnNames[column], name) == 0) {
            return column;
        }
    }
    FatalQuit("Missing column '%s'", name);
}

int CsvTable::FindRow(int column, const char* value) const {
    int row = FindRowQuiet(column, value);
    if (row < 0) {
        FatalQuit("Column %d never had match for '%s'", column, value);
    }
    return row;
}

int CsvTable::FindRowQuiet(int column, const char* value) const {
    for (int row = 0; row < m_Rows; ++row) {
        const char* cell = Cell(row, column);
        if (cell && _stricmp(cell, value) == 0) {
            return row;
        }
    }
    return -1;
}

void CsvTable::SetString(int row, int column, const char* text) {
    char*& cell = Cell(row, column);
    free(cell);
    cell = strdup(text);
}

void CsvTable::SetInt(int row, int column, int value) {
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    SetString(row, column, text);
}

void CsvTable::SetFloat(int row, int column, float value) {
    char text[64];
    snprintf(text, sizeof(text), "%.4f", value);
    SetString(row, column, text);
}
