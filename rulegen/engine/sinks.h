#pragma once
// Listeners attached to an object, called synchronously in the order attached.
#include <QList>
#include <memory>

namespace tessaly {

template <class Sink>
class Sinks {
public:
    void add(Sink* s)
    {
        if (s && !m_list.contains(s))
            m_list.append(s);
    }
    void remove(Sink* s) { m_list.removeAll(s); }
    bool isEmpty() const { return m_list.isEmpty(); }

    // A listener may attach or detach listeners, or call back into the object, while it runs.
    template <class F>
    void raise(F&& f) const
    {
        if (m_list.isEmpty())
            return;
        const QList<Sink*> snapshot = m_list;
        for (Sink* s : snapshot)
            if (m_list.contains(s))
                f(s);
    }

private:
    QList<Sink*> m_list;
};

// A handle that an owner gives out so that children can reach it without keeping it alive.
template <class T>
class SelfHandle {
public:
    explicit SelfHandle(T* self) : m_p(std::make_shared<T*>(self)) {}
    ~SelfHandle() { invalidate(); }
    void invalidate() { if (m_p) *m_p = nullptr; }
    std::weak_ptr<T*> weak() const { return m_p; }

private:
    std::shared_ptr<T*> m_p;
};

template <class T>
T* lockHandle(const std::weak_ptr<T*>& w)
{
    auto s = w.lock();
    return s ? *s : nullptr;
}

} // namespace tessaly
