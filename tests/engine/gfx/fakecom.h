#ifndef TESTS_ENGINE_GFX_FAKECOM_H
#define TESTS_ENGINE_GFX_FAKECOM_H

#include <vector>

#include <windows.h>

// A stand-in for any COM interface of which a test needs a few methods: every slot of its
// table answers 0 (DD_OK, or a count of 0), except those the test sets to functions of its own,
// which take the object as their first argument like the real methods. The 64-bit calling
// convention leaves the arguments to the caller, so a slot that ignores them is safe to call.
class FakeCom {
public:
    explicit FakeCom(int slots) : m_Table(slots, (void*)&Zero) { m_Vtbl = m_Table.data(); }

    void Set(int slot, void* function) { m_Table[slot] = function; }

    template <typename Interface>
    Interface* As() {
        return reinterpret_cast<Interface*>(this);
    }

private:
    static HRESULT STDMETHODCALLTYPE Zero() { return 0; }

    void** m_Vtbl;  // first, where an interface keeps its table
    std::vector<void*> m_Table;
};

#endif
