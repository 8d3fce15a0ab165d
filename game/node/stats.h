#ifndef NODE_STATS_H
#define NODE_STATS_H

#include <cstdint>

struct Matrix34;
struct Vector3;
struct Vector4;

// A page of on-screen statistics: while it is the page shown, ovStats::Draw calls PrintStats
// once a frame, and the page prints its lines through ovStats::Print.
class ovStatsPage {
public:
    virtual ~ovStatsPage() {}
    virtual void PrintStats() = 0;
};

// The runtime's on-screen diagnostics: a registry of pages of which one at a time prints text
// at the top left of the screen, and the debug drawing (coloured lines, triangles, quads, wire
// spheres and boxes, 3D text) of the physics debug view. All state is static.
class ovStats {
public:
    static const int maxPages = 16;

    // Appends a page; a page must be unregistered before it is destroyed.
    static void Register(ovStatsPage* page);
    // Removes every registration of the page; the page shown stays shown (at its new index),
    // or no page is shown when it was this one. False when the page was not registered.
    static bool Unregister(ovStatsPage* page);
    // The cycle runs none, first, ..., last, none; either way clears the lines to skip.
    static void NextPage();
    static void PrevPage();
    // The index of the page shown, -1 for none.
    static int CurrentPage() { return sm_Current; }
    static int PageCount() { return m_Count; }
    // Lines at the top of the current page that are not printed, for pages taller than the
    // screen; a page change sets it back to 0.
    static void SetLinesToSkip(int lines);

    // Prints the current page from (20, 20), once a frame.
    static void Draw();
    // One line of the current page, in printf form; lines past the screen are dropped.
    static void Print(const char* format, ...);

    // Colours from components 0..1, rounded to bytes; rgb gives alpha 255. SetColor sets the
    // start and end colours, SetEndColor only the end.
    static void SetColor(const Vector3& rgb);
    static void SetColor(const Vector4& rgba);
    static void SetEndColor(const Vector3& rgb);
    static void SetEndColor(const Vector4& rgba);
    static uint32_t StartColor() { return sm_StartColor; }
    static uint32_t EndColor() { return sm_EndColor; }

    // A line from the start colour at a to the end colour at b.
    static void DrawLine(const Vector3& a, const Vector3& b);
    static void DrawLine(float ax, float ay, float az, float bx, float by, float bz);
    // In the start colour; a normal, when given, becomes the current vertex normal.
    static void DrawTriangle(const Vector3* normal, const Vector3& a, const Vector3& b,
                             const Vector3& c);
    static void DrawQuad(const Vector3* normal, const Vector3& a, const Vector3& b,
                         const Vector3& c, const Vector3& d);
    // Five rings of eight lines and eight meridians of four.
    static void DrawSphere(const Vector3& centre, float radius);
    static void DrawSphere(const Vector4& centreAndRadius);
    // The twelve edges of an axis-aligned box.
    static void DrawBox(const Vector3& min, const Vector3& max);
    static void Print3D(const Vector3& point, const char* format, ...);
    // Draws in the matrix's space, unlit and untextured; EndDraw gives the lighting back.
    static void BeginDraw(const Matrix34& matrix);
    static void EndDraw();

    // How a line of text reaches the screen: the debug text by default.
    typedef void (*TextFunc)(int x, int y, const char* text);
    static TextFunc SetTextFunc(TextFunc text);

    // The colour table: for each hue the full, dark and light form.
    static const Vector3 Red, DarkRed, LightRed;
    static const Vector3 Green, DarkGreen, LightGreen;
    static const Vector3 Blue, DarkBlue, LightBlue;
    static const Vector3 Yellow, DarkYellow, LightYellow;
    static const Vector3 Cyan, DarkCyan, LightCyan;
    static const Vector3 Magenta, DarkMagenta, LightMagenta;
    static const Vector3 Orange, DarkOrange, LightOrange;
    static const Vector3 Black, Grey, White;

private:
    static ovStatsPage* sm_Pages[maxPages];
    static int m_Count;
    static int sm_Current;
    static int sm_SkipSetting;
    static int sm_LinesToSkip;
    static int sm_TextX;
    static int sm_TextY;
    static uint32_t sm_StartColor;
    static uint32_t sm_EndColor;
    static bool sm_LightingWasOn;
    static TextFunc sm_Text;
};

#endif
