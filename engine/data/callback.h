#ifndef DATA_CALLBACK_H
#define DATA_CALLBACK_H

#include <cstdint>
#include <cstring>

// A free function, or an object and one of its member functions, with an optional stored
// argument and an optional call-time argument. Copied by value; never allocates.
// Arguments are pointer-sized because callers pass widgets and banks through them.
class datCallback {
public:
    enum Kind : uint8_t {
        KindNone = 0,           // calling does nothing
        KindNoArgument = 1,     // f()
        KindData = 2,           // f(data)
        KindDataArgument = 3    // f(data, argument)
    };

    constexpr datCallback()
        : m_Object(nullptr), m_Thunk(nullptr), m_Function{}, m_Data(0), m_Kind(KindNone) {}

    template <class T, class U>
    datCallback(void (T::*function)(), U* object)
        : datCallback(static_cast<T*>(object), &CallMember<T, void (T::*)()>, function, 0,
                      KindNoArgument) {}

    template <class T, class U>
    datCallback(void (T::*function)(uintptr_t), U* object, uintptr_t data)
        : datCallback(static_cast<T*>(object), &CallMember<T, void (T::*)(uintptr_t)>, function,
                      data, KindData) {}

    template <class T, class U>
    datCallback(void (T::*function)(uintptr_t, uintptr_t), U* object, uintptr_t data)
        : datCallback(static_cast<T*>(object), &CallMember<T, void (T::*)(uintptr_t, uintptr_t)>,
                      function, data, KindDataArgument) {}

    datCallback(void (*function)())
        : datCallback(nullptr, &CallFree<void (*)()>, function, 0, KindNoArgument) {}

    datCallback(void (*function)(uintptr_t), uintptr_t data)
        : datCallback(nullptr, &CallFree<void (*)(uintptr_t)>, function, data, KindData) {}

    datCallback(void (*function)(uintptr_t, uintptr_t), uintptr_t data)
        : datCallback(nullptr, &CallFree<void (*)(uintptr_t, uintptr_t)>, function, data,
                      KindDataArgument) {}

    void Call(uintptr_t argument) const;

private:
    typedef void (*Thunk)(const datCallback& callback, uintptr_t argument);

    // A member-function pointer is two words under the Itanium ABI; a code pointer one.
    static const int FunctionSize = 2 * sizeof(void*);

    template <class F>
    datCallback(void* object, Thunk thunk, F function, uintptr_t data, Kind kind)
        : m_Object(object), m_Thunk(thunk), m_Function{}, m_Data(data), m_Kind(kind) {
        static_assert(sizeof(F) <= FunctionSize, "function pointer does not fit");
        memcpy(m_Function, &function, sizeof(F));
    }

    template <class F>
    F Function() const {
        F function;
        memcpy(&function, m_Function, sizeof(F));
        return function;
    }

    // One overload per arity: the stored kind decides how many arguments the target takes.
    template <class T>
    static void Invoke(T* object, void (T::*function)(), const datCallback&, uintptr_t) {
        (object->*function)();
    }
    template <class T>
    static void Invoke(T* object, void (T::*function)(uintptr_t), const datCallback& callback,
                       uintptr_t) {
        (object->*function)(callback.m_Data);
    }
    template <class T>
    static void Invoke(T* object, void (T::*function)(uintptr_t, uintptr_t),
                       const datCallback& callback, uintptr_t argument) {
        (object->*function)(callback.m_Data, argument);
    }
    static void Invoke(void (*function)(), const datCallback&, uintptr_t) { function(); }
    static void Invoke(void (*function)(uintptr_t), const datCallback& callback, uintptr_t) {
        function(callback.m_Data);
    }
    static void Invoke(void (*function)(uintptr_t, uintptr_t), const datCallback& callback,
                       uintptr_t argument) {
        function(callback.m_Data, argument);
    }

    template <class T, class F>
    static void CallMember(const datCallback& callback, uintptr_t argument) {
        Invoke(static_cast<T*>(callback.m_Object), callback.Function<F>(), callback, argument);
    }
    template <class F>
    static void CallFree(const datCallback& callback, uintptr_t argument) {
        Invoke(callback.Function<F>(), callback, argument);
    }

    void* m_Object;
    Thunk m_Thunk;
    alignas(void*) unsigned char m_Function[FunctionSize];
    uintptr_t m_Data;
    Kind m_Kind;
};

// The callback that does nothing: the default of every widget.
extern const datCallback NullCallback;

#endif
