#pragma once
#include <memory>

namespace core {

template<typename T>
class WeakAnchor;

// A back-reference that reads as nullptr once its object is gone (a view's parent, an alert's
// window, a layer's view). Unlike std::weak_ptr it works for objects that are not yet owned by a
// shared_ptr (a view adding children in its constructor) and reading it costs no atomic
// operation. The object and its references must stay on one thread, like the view tree.
template<typename T>
class WeakReference {
public:
    WeakReference() = default;
    WeakReference(std::nullptr_t) { }

    T* get() const { return m_cell ? *m_cell : nullptr; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    void reset() { m_cell.reset(); }

    friend bool operator==(const WeakReference& a, const T* b) { return a.get() == b; }

private:
    friend class WeakAnchor<T>;
    explicit WeakReference(std::shared_ptr<T*> cell)
        : m_cell(std::move(cell))
    {
    }
    std::shared_ptr<T*> m_cell;
};

// Held by an object that others refer to weakly. Its references see nullptr from the moment the
// anchor is cleared or destroyed, so no one has to remember to clear them by hand.
template<typename T>
class WeakAnchor {
public:
    explicit WeakAnchor(T* object)
        : m_object(object)
    {
    }
    ~WeakAnchor() { clear(); }
    WeakAnchor(const WeakAnchor&) = delete;
    WeakAnchor& operator=(const WeakAnchor&) = delete;

    // The cell is made on first use: most views are never anyone's parent.
    WeakReference<T> reference() const
    {
        if (!m_object)
            return {};
        if (!m_cell)
            m_cell = std::make_shared<T*>(m_object);
        return WeakReference<T>(m_cell);
    }
    // From now on every reference reads nullptr; the owner calls this first in its destructor.
    void clear()
    {
        m_object = nullptr;
        if (m_cell) {
            *m_cell = nullptr;
            m_cell.reset();
        }
    }

private:
    T* m_object;
    mutable std::shared_ptr<T*> m_cell;
};

}
