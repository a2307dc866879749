#pragma once
// Creating objects of registered component classes by class identifier.
#include "shared/com/com.h"
#include "platform/core/vberror.h"

namespace com {

// Loads the class's library (once) and asks its class factory for the interface.
HRESULT createInstance(const CLSID& clsid, const IID& iid, void** out);

[[noreturn]] void throwCreateError(const CLSID& clsid, HRESULT hr);

// Like createInstance, but raises error 429 with a clear description on failure.
template <class I>
ComPtr<I> createObject(const CLSID& clsid)
{
    ComPtr<I> r;
    const HRESULT hr = createInstance(clsid, I::iid(), r.out());
    if (failed(hr) || !r)
        throwCreateError(clsid, hr);
    return r;
}

// Calls DllRegisterServer / DllUnregisterServer of a library file.
HRESULT registerLibrary(const QString& path);
HRESULT unregisterLibrary(const QString& path);

// Why the last library could not be loaded (its path and the loader's reason), or empty.
QString lastLoadFailure();

} // namespace com
