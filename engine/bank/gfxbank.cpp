// The in-window bank front end: banks drawn as debug text and read from the keypad.
#include "bank/gfxbank.h"

#include "data/stream.h"
#include "gfx/pipeline.h"
#include "gfx/print.h"

// The system headers that the pipeline brings in name a Win32 call like the banks' member.
#undef GetCharWidth

namespace {

// The graphics layer's debug text. The font is made before its cell size is asked for, so the
// first frame is laid out like the others.
class DebugText : public gfxBankText {
public:
    void Print(int x, int y, const char* text) override { gfxPrint(x, y, text); }
    int GetCharWidth() override {
        gfxCreateFontTexture();
        return int(gfxGetCharWidth());
    }
    int GetCharHeight() override {
        gfxCreateFontTexture();
        return int(gfxGetCharHeight());
    }
    int GetScreenHeight() override { return gfxPipeline::m_iHeight; }
};

DebugText sDebugText;

}  // namespace

gfxBankText* gfxBankPrinter = &sDebugText;
gfxBankKeysFunc gfxBankKeys;
bool gfxBank::sm_PositioningBuilt;

namespace {

// DirectInput key codes of the keys the banks read.
const uint8_t KeyPad8 = 0x48;
const uint8_t KeyPad2 = 0x50;
const uint8_t KeyPad9 = 0x49;
const uint8_t KeyPad3 = 0x51;
const uint8_t KeyPadEnter = 0x9C;
const uint8_t KeyPad4 = 0x4B;
const uint8_t KeyPad6 = 0x4D;
const uint8_t KeyPad0 = 0x52;
const uint8_t KeyPadDecimal = 0x53;
const uint8_t KeyM = 0x32;
const uint8_t KeyLeftControl = 0x1D;
const uint8_t KeyRightControl = 0x9D;
const uint8_t KeyLeftShift = 0x2A;
const uint8_t KeyRightShift = 0x36;

}  // namespace

int bkLocNavigationFromKeys(const uint8_t* current, const uint8_t* previous, float* amount) {
    auto held = [current](uint8_t key) { return (current[key] & 0x80) != 0; };
    auto pressed = [&](uint8_t key) { return held(key) && !(previous[key] & 0x80); };
    float scale = held(KeyLeftShift) || held(KeyRightShift) ? 10.0f : 1.0f;
    if (pressed(KeyPad8)) return bkLocBank::NavUp;
    if (pressed(KeyPad2)) return bkLocBank::NavDown;
    if (held(KeyPad9)) return bkLocBank::NavUp;
    if (held(KeyPad3)) return bkLocBank::NavDown;
    if (pressed(KeyPadEnter)) return bkLocBank::NavPress;
    if (pressed(KeyPad4)) return bkLocBank::NavStepDown;
    if (pressed(KeyPad6)) return bkLocBank::NavStepUp;
    if (held(KeyPad0)) {
        *amount = -scale;
        return bkLocBank::NavAdjust;
    }
    if (held(KeyPadDecimal)) {
        *amount = scale;
        return bkLocBank::NavAdjust;
    }
    if (pressed(KeyM) && (held(KeyLeftControl) || held(KeyRightControl))) {
        return bkLocBank::NavClose;
    }
    return bkLocBank::NavNone;
}

gfxBank::gfxBank(int x, int y) : bkLocBank(x, y) {
    if (sm_PositioningBuilt) {
        return;
    }
    sm_PositioningBuilt = true;
    PushGroup("Bank Positioning", false);
    AddToggle("Widgets at Top", &sm_WidgetsAtTop);
    AddSlider("X Offset", &sm_XOffset, (uint16_t)0, (uint16_t)640, 1.0f);
    AddSlider("Y Offset", &sm_YOffset, (uint16_t)0, (uint16_t)448, 1.0f);
    AddSlider("Num Shown", &sm_NumShown, 5, 25, 1.0f);
    PopGroup();
}

void gfxBank::DrawLine(int column, int row, const char* text) {
    if (!gfxBankPrinter) {
        return;
    }
    int width = gfxBankPrinter->GetCharWidth();
    int height = gfxBankPrinter->GetCharHeight();
    int x = column * width + sm_XOffset;
    int y = sm_WidgetsAtTop ? row * height + sm_YOffset
                            : (row - sm_NumShown) * height - sm_YOffset +
                                  gfxBankPrinter->GetScreenHeight();
    gfxBankPrinter->Print(x, y, text);
}

int gfxBank::ReadNavigation(float* amount) {
    if (!gfxBankKeys) {
        return NavNone;
    }
    const uint8_t* current = nullptr;
    const uint8_t* previous = nullptr;
    gfxBankKeys(&current, &previous);
    return bkLocNavigationFromKeys(current, previous, amount);
}

bkManager* gfxBankManager::Create() {
    gfxBank::sm_PositioningBuilt = false;
    return new gfxBankManager;
}

gfxBankManager::~gfxBankManager() {
    bkLocBank::sm_Current = nullptr;
}

bkBank* gfxBankManager::CreateBank(const char*, int x, int y, bool) {
    return new gfxBank(x, y);
}

bool gfxBankManager::Poll(bool) {
    return true;
}

// No file is no fault here: there is no layout to keep, and these banks need none.
void gfxBankManager::Update() {
    if (!m_LayoutKept) {
        m_LayoutKept = true;
        if (Stream* stream = StreamOpen(GetDefaultConfigName().c_str(), true)) {
            StreamClose(stream);
            LoadConfig(nullptr);
        }
    }
    if (bkLocBank::sm_Current) {
        bkLocBank::sm_Current->Update();
        return;
    }
    float amount = 0;
    if (NumBanks > 0 &&
        static_cast<gfxBank*>(Banks[0])->ReadNavigation(&amount) == bkLocBank::NavClose) {
        Banks[0]->Open();
    }
}

void gfxBankManager::Draw() {
    if (bkLocBank::sm_Current) {
        bkLocBank::sm_Current->Draw();
    }
}
