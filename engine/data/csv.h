#ifndef DATA_CSV_H
#define DATA_CSV_H

struct Stream;

// Copies up to n fields of one line into the char* buffers that follow size, each cut to
// size - 1 characters. A field ends at ',', CR, LF or the end; the split stops after the first
// field that does not end in ','. Returns the number of fields copied.
int SplitCsvLine(const char* line, int n, int size, ...);

// A table of heap strings under up to 16 named columns, read from a ".csv" asset. Everything
// from '#' on in a line is a comment; an empty field is a null cell.
class CsvTable {
public:
    static constexpr int MaxColumns = 16;

    CsvTable() = default;
    CsvTable(const CsvTable&) = delete;
    CsvTable& operator=(const CsvTable&) = delete;
    ~CsvTable() { Free(); }

    // Reads directory/name.csv. The header is the first line, or the line after the first
    // skipCount lines when skip is set. False when the file cannot be opened.
    bool Load(const char* directory, const char* name, bool skip, int skipCount);
    // The same from an open stream (left open); false for a null stream.
    bool Load(Stream* stream, bool skip, int skipCount);
    void Free();
    void Print() const;

    int GetInt(int row, int column) const;
    float GetFloat(int row, int column) const;
    int FindColumn(const char* name) const;
    int FindRow(int column, const char* value) const;
    int FindRowQuiet(int column, const char* value) const;
    void SetString(int row, int column, const char* text);
    void SetInt(int row, int column, int value);
    void SetFloat(int row, int column, float value);

    char* m_ColumnNames[MaxColumns] = {};
    char** m_Cells = nullptr;  // row-major, m_Rows * m_Columns
    int m_Columns = 0;
    int m_Rows = 0;

private:
    char*& Cell(int row, int column) const;
};

#endif
