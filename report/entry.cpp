// The library's four entry points; it serves no classes yet.
#include "shared/com/server.h"

COM_EXPORT com::HRESULT DllGetClassObject(const com::CLSID&, const com::IID&, void** out)
{
    if (out)
        *out = nullptr;
    return com::CLASS_E_CLASSNOTAVAILABLE;
}
COM_EXPORT com::HRESULT DllCanUnloadNow() { return com::server::canUnloadNow(); }
COM_EXPORT com::HRESULT DllRegisterServer() { return com::S_OK; }
COM_EXPORT com::HRESULT DllUnregisterServer() { return com::S_OK; }
