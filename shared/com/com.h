#pragma once
// Reference-counted component objects, interfaces by identifier, and class factories.
#include <QUuid>
#include <QtGlobal>
#include <atomic>
#include <utility>

namespace com {

using HRESULT = qint32;
using IID = QUuid;
using CLSID = QUuid;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154u);
constexpr HRESULT SELFREG_E_CLASS = HRESULT(0x80040201u);

inline bool succeeded(HRESULT hr) { return hr >= 0; }
inline bool failed(HRESULT hr) { return hr < 0; }

// Declares an interface's identifier inside its struct.
#define COM_INTERFACE_ID(text) \
    static const ::com::IID& iid() { static const ::com::IID v(QStringLiteral(text)); return v; }

struct IUnknown {
    COM_INTERFACE_ID("{00000000-0000-0000-C000-000000000046}")
    virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
    virtual quint32 AddRef() = 0;
    virtual quint32 Release() = 0;
protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    COM_INTERFACE_ID("{00000001-0000-0000-C000-000000000046}")
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
protected:
    ~IClassFactory() = default;
};

// Objects and locks alive in this module (each library has its own count).
inline std::atomic<long>& moduleCount()
{
    static std::atomic<long> n{0};
    return n;
}

// A counted reference.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p, bool addRef = true) : m_p(p) { if (m_p && addRef) m_p->AddRef(); }
    ComPtr(const ComPtr& o) : m_p(o.m_p) { if (m_p) m_p->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& o) : m_p(o.get()) { if (m_p) m_p->AddRef(); }
    ~ComPtr() { reset(); }
    ComPtr& operator=(const ComPtr& o) { ComPtr(o).swap(*this); return *this; }
    ComPtr& operator=(ComPtr&& o) noexcept { ComPtr(std::move(o)).swap(*this); return *this; }
    ComPtr& operator=(std::nullptr_t) { reset(); return *this; }

    void reset() { if (T* p = std::exchange(m_p, nullptr)) p->Release(); }
    void swap(ComPtr& o) noexcept { std::swap(m_p, o.m_p); }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Takes over a reference that was already counted.
    static ComPtr adopt(T* p) { return ComPtr(p, false); }
    T* detach() { return std::exchange(m_p, nullptr); }
    // For out-parameters of QueryInterface and CreateInstance.
    void** out() { reset(); return reinterpret_cast<void**>(&m_p); }

    // Asks the object for another interface; empty when it has none.
    template <class U>
    ComPtr<U> as() const
    {
        ComPtr<U> r;
        if (m_p)
            m_p->QueryInterface(U::iid(), r.out());
        return r;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
    friend bool operator!=(const ComPtr& a, const ComPtr& b) { return a.m_p != b.m_p; }

private:
    T* m_p = nullptr;
};

// Implements IUnknown for a class of one or more interfaces.
// Derive: class Foo : public com::Object<IFoo, IBar> { ... };  create with com::make<Foo>(...).
template <class First, class... Rest>
class Object : public First, public Rest... {
public:
    Object() { ++moduleCount(); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT QueryInterface(const IID& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IUnknown::iid())
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            *out = find<First, Rest...>(iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    quint32 AddRef() override { return ++m_refs; }
    quint32 Release() override
    {
        const quint32 n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }
    quint32 refCount() const { return m_refs; }

protected:
    virtual ~Object() { --moduleCount(); }

private:
    template <class I, class... More>
    void* find(const IID& iid)
    {
        if (iid == I::iid())
            return static_cast<I*>(this);
        if constexpr (sizeof...(More) > 0)
            return find<More...>(iid);
        else
            return nullptr;
    }
    std::atomic<quint32> m_refs{0};
};

// Creates an object of an Object-derived class and returns the first counted reference.
template <class T, class... Args>
ComPtr<T> make(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace com
