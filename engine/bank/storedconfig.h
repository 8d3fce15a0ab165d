#ifndef BANK_STOREDCONFIG_H
#define BANK_STOREDCONFIG_H

// The layout of a bank whose front end has no window to ask: the values last given by the layout
// file, else the creation position at the size of a new bank window. A layout file written under
// such a front end thus never carries undefined numbers to a later run with bank windows.
struct bkStoredConfig {
    static const int DEFAULT_WIDTH = 200;
    static const int DEFAULT_HEIGHT = 600;

    bkStoredConfig(int x, int y)
        : m_X(x), m_Y(y), m_Width(DEFAULT_WIDTH), m_Height(DEFAULT_HEIGHT) {}

    void Get(int* x, int* y, int* width, int* height) const {
        *x = m_X;
        *y = m_Y;
        *width = m_Width;
        *height = m_Height;
    }

    void Set(int x, int y, int width, int height) {
        m_X = x;
        m_Y = y;
        m_Width = width;
        m_Height = height;
    }

    int m_X;
    int m_Y;
    int m_Width;
    int m_Height;
};

#endif
