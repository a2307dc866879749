#include "shared/com/server.h"
#include "shared/com/registry.h"
#include <QFileInfo>
#include <dlfcn.h>

namespace com {
namespace {

// The class factory of one class of this module.
class Factory final : public Object<IClassFactory> {
public:
    explicit Factory(Creator c) : m_create(c) {}
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            return m_create(iid, out);
        } catch (...) {
            return E_FAIL;
        }
    }
    HRESULT LockServer(bool lock) override
    {
        if (lock)
            ++moduleCount();
        else
            --moduleCount();
        return S_OK;
    }

private:
    Creator m_create;
};

} // namespace

namespace server {

HRESULT getClassObject(const ClassEntry* classes, std::size_t n, const CLSID& clsid, const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < n; ++i)
        if (classes[i].clsid == clsid) {
            ComPtr<Factory> f = make<Factory>(classes[i].create);
            return f->QueryInterface(iid, out);
        }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT canUnloadNow() { return moduleCount().load() == 0 ? S_OK : S_FALSE; }

HRESULT registerServer(const ClassEntry* classes, std::size_t n, const void* anyAddressInLibrary)
{
    Dl_info info{};
    if (!dladdr(anyAddressInLibrary, &info) || !info.dli_fname)
        return SELFREG_E_CLASS;
    const QString lib = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    QList<registry::Entry> add;
    for (std::size_t i = 0; i < n; ++i)
        add.append({classes[i].clsid, QString::fromLatin1(classes[i].progId), lib});
    return registry::put(add) ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterServer(const ClassEntry* classes, std::size_t n)
{
    QList<CLSID> ids;
    for (std::size_t i = 0; i < n; ++i)
        ids.append(classes[i].clsid);
    return registry::remove(ids) ? S_OK : SELFREG_E_CLASS;
}

} // namespace server
} // namespace com
