#pragma once
// What a component library needs to serve its classes through the four entry points.
//
//   static const com::ClassEntry kClasses[] = {
//       {CodeClassImpl::clsid(), "Tessaly.CodeClass", &com::createFor<CodeClassImpl>},
//   };
//   COM_SERVER_ENTRY_POINTS(kClasses)
#include "shared/com/com.h"
#include <cstddef>

namespace com {

using Creator = HRESULT (*)(const IID& iid, void** out);

struct ClassEntry {
    CLSID clsid;
    const char* progId;
    Creator create;
};

template <class T>
HRESULT createFor(const IID& iid, void** out)
{
    ComPtr<T> obj = make<T>();
    return obj->QueryInterface(iid, out);
}

namespace server {
HRESULT getClassObject(const ClassEntry* classes, std::size_t n, const CLSID& clsid, const IID& iid, void** out);
HRESULT canUnloadNow();
// Writes or removes the classes in the registry of the current program folder.
HRESULT registerServer(const ClassEntry* classes, std::size_t n, const void* anyAddressInLibrary);
HRESULT unregisterServer(const ClassEntry* classes, std::size_t n);
} // namespace server

} // namespace com

#define COM_EXPORT extern "C" __attribute__((visibility("default")))

#define COM_SERVER_ENTRY_POINTS(table)                                                               \
    COM_EXPORT ::com::HRESULT DllGetClassObject(const ::com::CLSID& clsid, const ::com::IID& iid,   \
                                                void** out)                                        \
    {                                                                                              \
        return ::com::server::getClassObject(table, sizeof(table) / sizeof(table[0]), clsid, iid, out); \
    }                                                                                              \
    COM_EXPORT ::com::HRESULT DllCanUnloadNow() { return ::com::server::canUnloadNow(); }           \
    COM_EXPORT ::com::HRESULT DllRegisterServer()                                                   \
    {                                                                                              \
        return ::com::server::registerServer(table, sizeof(table) / sizeof(table[0]),               \
                                             reinterpret_cast<const void*>(&DllCanUnloadNow));       \
    }                                                                                              \
    COM_EXPORT ::com::HRESULT DllUnregisterServer()                                                 \
    {                                                                                              \
        return ::com::server::unregisterServer(table, sizeof(table) / sizeof(table[0]));             \
    }
