#ifndef BANK_WIDGET_H
#define BANK_WIDGET_H

class bkBank;

// One row of a bank. Every front end drives its widgets through this interface; the data classes
// inherit it virtually so that a front-end class deriving from a data class and from its front
// end's own widget base holds a single bkWidget.
class bkWidget {
public:
    virtual ~bkWidget() {}
    // Releases the widget; front ends destroy their controls first.
    virtual void Destroy();
    virtual void Update() {}
    // Moves the row by dy and re-lays it to the bank's width (dy 0 only re-lays).
    virtual void Move(bkBank*, int) {}
    // The hot-key action.
    virtual void Activate(const char*) {}
    virtual const char* GetTitle() { return ""; }
    virtual bool IsVisible() { return true; }
    virtual void Show() {}
    virtual void Hide() {}
};

#endif
