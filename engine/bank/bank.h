#ifndef BANK_BANK_H
#define BANK_BANK_H

#include <cstdint>
#include <memory>
#include <vector>

#include "bank/toggle.h"
#include "bank/widgets.h"
#include "data/callback.h"

struct Vector2;
struct Vector3;
struct Vector4;

// A named panel of widgets bound by address to the callers' variables, which must outlive it.
// The widget order is the order of the add calls. This base keeps the widget list and the
// vertical layout; each front end derives from it and shows the widgets its own way.
class bkBank {
public:
    static const int MAX_NUM_WIDGETS = 800;

    bkBank();
    virtual ~bkBank();

    virtual void Update();
    virtual void Invalidate() {}
    virtual bool IsOpen() { return true; }
    virtual void Close() {}
    virtual void Open() {}
    virtual void SetOnTop(bool) {}
    virtual void GetConfig(bool* open, int* x, int* y, int* width, int* height) = 0;
    virtual void SetConfig(bool open, int x, int y, int width, int height) = 0;

    virtual bkButton* AddButton(const char* title);
    virtual bkButton* AddButton(const char* title, datCallback cb);
    virtual bkText* AddText(const char* title, char* text, int size, bool readOnly,
                            datCallback cb);
    virtual bkText* AddText(const char* title, char* text, int size,
                            datCallback cb = NullCallback);
    virtual bkToggle* AddToggle(const char* title, uint8_t* value, uint8_t mask,
                                datCallback cb = NullCallback);
    virtual bkToggle* AddToggle(const char* title, uint16_t* value, uint16_t mask,
                                datCallback cb = NullCallback);
    virtual bkToggle* AddToggle(const char* title, uint32_t* value, uint32_t mask,
                                datCallback cb = NullCallback);
    virtual bkToggle* AddToggle(const char* title, uint32_t* value, datCallback cb = NullCallback);
    virtual bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb = NullCallback);
    // Takes ownership of the value object.
    virtual bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback cb);
    virtual bkSlider* AddSlider(const char* title, int32_t* value, int32_t min, int32_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, int16_t* value, int16_t min, int16_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, uint16_t* value, uint16_t min, uint16_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, int8_t* value, int8_t min, int8_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max,
                                float delta, datCallback cb = NullCallback);
    virtual bkSlider* AddSlider(const char* title, float* value, float min, float max,
                                float delta, datCallback cb = NullCallback);
    virtual bkCombo* AddCombo(const char* title, int32_t* value, int count, const char** names,
                              int offset, datCallback cb = NullCallback);
    virtual bkCombo* AddCombo(const char* title, uint8_t* value, int count, const char** names,
                              int offset, datCallback cb = NullCallback);
    virtual bkGroup* PushGroup(const char* title, bool open);
    // Returns the enclosing group.
    virtual bkGroup* PopGroup();
    virtual void ShowRange(bkGroup* group, bool show);
    virtual bool RemoveWidget(int index);
    virtual bool RemoveWidget(bkWidget* widget);

    // One float slider per component, titled "<title> X", "<title> Y"...; returns the first.
    bkSlider* AddVectorSlider(const char* title, Vector4* value, float min, float max,
                              float delta, datCallback cb = NullCallback);
    bkSlider* AddVectorSlider(const char* title, Vector3* value, float min, float max,
                              float delta, datCallback cb = NullCallback);
    bkSlider* AddVectorSlider(const char* title, Vector2* value, float min, float max,
                              float delta, datCallback cb = NullCallback);
    // A titled label, then sliders from 0 to 1: "red", "green", "blue" (and "alpha").
    bkColor* AddColor(const char* title, Vector4* rgba, datCallback cb = NullCallback);
    bkColor* AddColor(const char* title, Vector3* rgb, datCallback cb = NullCallback);
    void AddWidget(bkWidget* widget);
    void SetWidth(int width);
    void TruncateWidgets(int count);

    int m_LayoutX;
    int m_LayoutY;
    int m_RowHeight;
    int m_Width;
    // The layout y right after each widget was placed, by index.
    int m_WidgetY[MAX_NUM_WIDGETS];
    int NumWidgets;
    bkWidget* Widget[MAX_NUM_WIDGETS];
    // The button that lists this bank in the bank "Banks", or null.
    bkWidget* m_BankButton;

private:
    template <typename Type>
    bkSlider* AddTypedSlider(const char* title, Type* value, Type min, Type max, float delta,
                             datCallback cb);
    template <typename Type>
    Type* Keep(Type* widget);
    void MoveWidgets(int from, int dy);
    bkSlider* AddComponentSliders(const char* title, float* value, int count, float min,
                                  float max, float delta, datCallback cb);
    bkColor* AddColorSliders(const char* title, float* components, int count, datCallback cb);

    // Objects that this base made without appending them (front ends that keep the base add
    // operations get these); released with the bank.
    std::vector<std::unique_ptr<bkWidget>> m_Kept;
};

#endif
