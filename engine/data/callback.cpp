#include "data/callback.h"

// Constant-initialised, so widgets built by other static initialisers may already use it.
const datCallback NullCallback;

void datCallback::Call(uintptr_t argument) const {
    if (m_Kind == KindNone) {
        return;
    }
    m_Thunk(*this, argument);
}
