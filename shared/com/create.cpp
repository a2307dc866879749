#include "shared/com/create.h"
#include "shared/com/registry.h"
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <dlfcn.h>

namespace com {
namespace {

using GetClassObjectFn = HRESULT (*)(const CLSID&, const IID&, void**);
using PlainFn = HRESULT (*)();

// Why the last library could not be loaded or asked; part of the error's description.
QString& lastFailure()
{
    static QString s;
    return s;
}

// Libraries stay loaded for the life of the process, as in-process servers usually do.
void* loadLibrary(const QString& path)
{
    static QHash<QString, void*> loaded;
    const QString key = QFileInfo(path).absoluteFilePath();
    if (void* h = loaded.value(key))
        return h;
    void* h = dlopen(QFile::encodeName(key).constData(), RTLD_NOW | RTLD_LOCAL);
    if (h) {
        loaded.insert(key, h);
    } else {
        const char* why = dlerror();
        lastFailure() = QDir::toNativeSeparators(key);
        if (why && !QFileInfo::exists(key))
            lastFailure() += QStringLiteral("（文件不存在）");
        else if (why)
            lastFailure() += QStringLiteral("（") + QString::fromLocal8Bit(why) + QStringLiteral("）");
    }
    return h;
}

HRESULT callPlain(const QString& path, const char* name)
{
    void* h = loadLibrary(path);
    if (!h)
        return E_FAIL;
    auto fn = reinterpret_cast<PlainFn>(dlsym(h, name));
    return fn ? fn() : E_FAIL;
}

} // namespace

HRESULT createInstance(const CLSID& clsid, const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    lastFailure().clear();
    registry::Entry e;
    if (!registry::find(clsid, &e))
        return REGDB_E_CLASSNOTREG;
    void* h = loadLibrary(e.library);
    if (!h)
        return E_FAIL;
    auto get = reinterpret_cast<GetClassObjectFn>(dlsym(h, "DllGetClassObject"));
    if (!get) {
        lastFailure() = QDir::toNativeSeparators(e.library) + QStringLiteral("（不是部件库）");
        return E_FAIL;
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = get(clsid, IClassFactory::iid(), factory.out());
    if (failed(hr))
        return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

void throwCreateError(const CLSID& clsid, HRESULT hr)
{
    QString why;
    switch (hr) {
    case REGDB_E_CLASSNOTREG:
        why = QStringLiteral("类没有注册（请在程序文件夹中运行“ostrel-regsvr 部件库文件”注册）");
        break;
    case E_NOINTERFACE: why = QStringLiteral("不支持此接口"); break;
    case CLASS_E_CLASSNOTAVAILABLE: why = QStringLiteral("部件库中没有此类"); break;
    default:
        why = lastFailure().isEmpty() ? QStringLiteral("部件库不能创建此对象")
                                      : QStringLiteral("部件库不能加载 ") + lastFailure();
        // a library that is not where the registry says: how to register it again
        if (registry::Entry e; registry::find(clsid, &e) && !QFileInfo::exists(e.library))
            why += QStringLiteral("。请把部件库放回此处，或在程序文件夹中运行“ostrel-regsvr 部件库文件”重新注册");
        break;
    }
    throw vb::Error(vb::errCantCreateObject,
                    vb::Error::runtimeText(vb::errCantCreateObject) + QStringLiteral(": ") + why + QLatin1Char(' ') +
                        clsid.toString(QUuid::WithBraces));
}

QString lastLoadFailure() { return lastFailure(); }

HRESULT registerLibrary(const QString& path)
{
    lastFailure().clear();
    return callPlain(path, "DllRegisterServer");
}
HRESULT unregisterLibrary(const QString& path)
{
    lastFailure().clear();
    return callPlain(path, "DllUnregisterServer");
}

} // namespace com
