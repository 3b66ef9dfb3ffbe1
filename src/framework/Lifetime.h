#pragma once
// Weak handles for objects that may be destroyed while a nested event loop runs.
//
// A modal dialog, a message box or a popup menu turns the event loop inside the call that
// opened it: worker messages, timers and the termination request are handled there and may
// reload a table, empty a leaf or close the main window. Whatever the caller uses after such a
// loop is held through a CWeakPtr taken before it, and checked afterwards:
//
//   CWeakPtr<CAlertLeaf> guard(leaf);
//   if (UiHost::Current()->RunModal(&dialog) != IDOK || !guard)
//       return;
//
// For QObjects, QPointer does the same job. Handles belong to the user-interface thread.
#include <memory>

// Owned by the guarded object; its end (or End()) expires every handle taken on it. A copy of
// an object is another object, so copying gives a fresh lifetime.
class CLifetime {
public:
    CLifetime() : m_token(std::make_shared<char>(0)) {}
    CLifetime(const CLifetime&) : CLifetime() {}
    CLifetime& operator=(const CLifetime&) { return *this; }
    ~CLifetime() = default;

    // Expires the handles before the object is gone, for objects that end in stages.
    void End() { m_token.reset(); }
    std::weak_ptr<const void> Token() const { return m_token; }

private:
    std::shared_ptr<char> m_token;
};

// A pointer that reads as null once its object has ended. T exposes GetLifetime().
template <class T>
class CWeakPtr {
public:
    CWeakPtr() = default;
    CWeakPtr(T* object)
        : m_object(object)
    {
        if (object)
            m_token = object->GetLifetime().Token();
    }

    T* Get() const { return m_token.expired() ? nullptr : m_object; }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return Get() != nullptr; }

private:
    T* m_object = nullptr;
    std::weak_ptr<const void> m_token;
};
