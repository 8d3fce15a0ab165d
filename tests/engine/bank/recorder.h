#ifndef TESTS_ENGINE_BANK_RECORDER_H
#define TESTS_ENGINE_BANK_RECORDER_H

#include <map>
#include <string>
#include <vector>

#include "bank/bkmgr.h"
#include "bank/storedconfig.h"

// A front end of the tests' own: widgets and banks that keep their titles and record every call
// that the bank core makes on them.

extern std::vector<std::string> g_Calls;

class RecWidget;
// The recording side of every live widget, found from its bkWidget.
extern std::map<bkWidget*, RecWidget*> g_Widgets;

class RecWidget : public virtual bkWidget {
public:
    RecWidget(bkBank* bank, const char* title) : m_Title(title ? title : ""), m_Y(bank->m_LayoutY) {
        bank->m_LayoutY += bank->m_RowHeight;
        g_Widgets[this] = this;
    }
    ~RecWidget() override { g_Widgets.erase(this); }
    void Destroy() override {
        g_Calls.push_back("Destroy " + m_Title);
        delete this;
    }
    void Move(bkBank*, int dy) override {
        m_Y += dy;
        g_Calls.push_back("Move " + m_Title + " " + std::to_string(dy));
    }
    const char* GetTitle() override { return m_Title.c_str(); }
    bool IsVisible() override { return m_Visible; }
    void Show() override { m_Visible = true; }
    void Hide() override { m_Visible = false; }

    std::string m_Title;
    int m_Y;
    bool m_Visible = true;
};

class RecButton : public bkButton, public RecWidget {
public:
    RecButton(bkBank* bank, const char* title, datCallback cb)
        : bkButton(cb), RecWidget(bank, title) {}
    void Press() { m_Callback.Call(0); }
};

class RecSlider : public bkSlider, public RecWidget {
public:
    RecSlider(bkBank* bank, const char* title, bkSliderValue* value, datCallback cb)
        : bkSlider(value, cb), RecWidget(bank, title) {}
};

class RecGroup : public bkGroup, public RecWidget {
public:
    RecGroup(bkBank* bank, const char* title, bool open) : bkGroup(open), RecWidget(bank, title) {}
};

class RecBank : public bkBank {
public:
    RecBank(const char* name, int x, int y) : m_Name(name ? name : ""), m_Config(x, y) {}
    ~RecBank() override {
        for (int i = 0; i < NumWidgets; ++i) {
            delete Widget[i];
        }
    }

    bool IsOpen() override { return m_Open; }
    void Open() override { m_Open = true; }
    void Close() override { m_Open = false; }
    void SetOnTop(bool onTop) override {
        g_Calls.push_back("SetOnTop " + m_Name + " " + std::to_string(onTop));
    }
    void GetConfig(bool* open, int* x, int* y, int* width, int* height) override {
        *open = m_Open;
        m_Config.Get(x, y, width, height);
    }
    void SetConfig(bool open, int x, int y, int width, int height) override {
        g_Calls.push_back("SetConfig " + m_Name + " " + std::to_string(open) + " " +
                          std::to_string(x) + " " + std::to_string(y) + " " +
                          std::to_string(width) + " " + std::to_string(height));
        m_Open = open;
        m_Config.Set(x, y, width, height);
    }
    void Invalidate() override { ++m_Invalidated; }

    bkButton* AddButton(const char* title, datCallback cb) override {
        RecButton* button = new RecButton(this, title, cb);
        AddWidget(button);
        return button;
    }
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback cb) override {
        RecSlider* slider = new RecSlider(this, title, value, cb);
        AddWidget(slider);
        return slider;
    }
    using bkBank::AddButton;
    using bkBank::AddSlider;

    // Groups link in the order they are opened, each covering the widgets added until its pop.
    bkGroup* PushGroup(const char* title, bool open) override {
        RecGroup* group = new RecGroup(this, title, open);
        AddWidget(group);
        group->m_First = NumWidgets;
        if (m_LastGroup) {
            m_LastGroup->m_Next = group;
            group->m_Prev = m_LastGroup;
        }
        m_LastGroup = group;
        m_Stack.push_back(group);
        return group;
    }
    bkGroup* PopGroup() override {
        bkGroup* group = m_Stack.back();
        group->m_Last = NumWidgets - 1;
        if (!group->m_Open) {
            ShowRange(group, false);
        }
        m_Stack.pop_back();
        return m_Stack.empty() ? nullptr : m_Stack.back();
    }

    RecWidget* At(int index) { return g_Widgets.at(Widget[index]); }

    std::string m_Name;
    bool m_Open = false;
    bkStoredConfig m_Config;
    int m_Invalidated = 0;
    bkGroup* m_LastGroup = nullptr;
    std::vector<bkGroup*> m_Stack;
};

class RecManager : public bkManager {
public:
    bkBank* CreateBank(const char* name, int x, int y, bool notFirst) override {
        g_Calls.push_back(std::string("CreateBank ") + name + (notFirst ? " 1" : " 0"));
        return new RecBank(name, x, y);
    }
    static bkManager* Create() { return new RecManager; }
};

inline RecBank* RecBankAt(int index) {
    return static_cast<RecBank*>(bkManager::GetInstance()->Banks[index]);
}

#endif
