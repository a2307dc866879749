#include <gtest/gtest.h>
#include "shared/com/com.h"
#include "shared/com/create.h"
#include "shared/com/registry.h"
#include "platform/core/app.h"
#include "tests/common/testutil.h"
#include "tests/shared/fixtures/sample_server.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QProcess>
#include <QSet>
#include <dlfcn.h>

namespace {

struct IThing : com::IUnknown {
    COM_INTERFACE_ID("{6f1d3c52-3f0e-4a44-9a57-0c7b7e1d2a10}")
};
struct IOther : com::IUnknown {
    COM_INTERFACE_ID("{6f1d3c52-3f0e-4a44-9a57-0c7b7e1d2a11}")
    virtual int twice() const = 0;
};
struct INone : com::IUnknown {
    COM_INTERFACE_ID("{3c0b8a6e-5d7f-4e61-9a0c-1f2e3d4c5bff}")
};

int g_alive = 0;
class Thing final : public com::Object<IThing, IOther> {
public:
    Thing() { ++g_alive; }
    ~Thing() override { --g_alive; }
    int twice() const override { return 14; }
};

TEST(Com, ReferenceCountingAndInterfaces)
{
    {
        com::ComPtr<Thing> t = com::make<Thing>();
        EXPECT_EQ(g_alive, 1);
        com::ComPtr<IOther> o = t.as<IOther>();
        ASSERT_TRUE(o);
        EXPECT_EQ(o->twice(), 14);
        EXPECT_EQ(t->refCount(), 2u);
        EXPECT_TRUE(o.as<com::IUnknown>());
        EXPECT_FALSE(t.as<INone>());
    }
    EXPECT_EQ(g_alive, 0);
}

const char* const kLibraries[] = {"libTessaly.so", "libQuillon.so", "libParvel.so"};
QString binFile(const char* name) { return testutil::binDir() + QLatin1Char('/') + QLatin1String(name); }
QString samplePath() { return binFile("libostrel_sample_server.so"); }

com::HRESULT canUnloadNow(const QString& library)
{
    void* h = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!h)
        return com::E_FAIL;
    auto fn = reinterpret_cast<com::HRESULT (*)()>(dlsym(h, "DllCanUnloadNow"));
    const com::HRESULT hr = fn ? fn() : com::E_FAIL;
    dlclose(h);
    return hr;
}

QString createErrorOf(const com::CLSID& clsid)
{
    try {
        com::createObject<com::IUnknown>(clsid);
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errCantCreateObject);
        return e.description();
    }
    return QString();
}

TEST(ComponentLibrary, ObjectsByClassIdentifierAfterRegistrationOnly)
{
    testutil::ProgramFolder folder;
    ASSERT_TRUE(QFileInfo::exists(samplePath()));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(com::createInstance(sample::counterClsid(), com::IUnknown::iid(), &p), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
    EXPECT_TRUE(createErrorOf(sample::counterClsid()).contains(QStringLiteral("没有注册")));

    ASSERT_EQ(com::registerLibrary(samplePath()), com::S_OK);
    com::registry::Entry e;
    ASSERT_TRUE(com::registry::findByProgId(QStringLiteral("sample.COUNTER"), &e));
    EXPECT_EQ(e.clsid, sample::counterClsid());
    EXPECT_EQ(e.progId, QStringLiteral("Sample.Counter"));
    EXPECT_EQ(e.library, QFileInfo(samplePath()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("Components.reg"))));

    {
        com::ComPtr<sample::ICounter> a = com::createObject<sample::ICounter>(sample::counterClsid());
        com::ComPtr<sample::ICounter> b = com::createObject<sample::ICounter>(sample::counterClsid());
        EXPECT_EQ(a->next(), 1);
        EXPECT_EQ(a->next(), 2);
        EXPECT_EQ(b->next(), 1); // objects of their own
        com::ComPtr<com::IUnknown> u = a.as<com::IUnknown>();
        ASSERT_TRUE(u);
        EXPECT_EQ(u.as<sample::ICounter>()->next(), 3);
        EXPECT_EQ(canUnloadNow(samplePath()), com::S_FALSE);
    }
    // Every reference released: the library holds no object any more.
    EXPECT_EQ(canUnloadNow(samplePath()), com::S_OK);

    ASSERT_EQ(com::unregisterLibrary(samplePath()), com::S_OK);
    EXPECT_FALSE(com::registry::find(sample::counterClsid(), nullptr));
    EXPECT_TRUE(createErrorOf(sample::counterClsid()).contains(QStringLiteral("没有注册")));
}

TEST(ComponentLibrary, RefusalsAreClear)
{
    testutil::ProgramFolder folder;
    ASSERT_EQ(com::registerLibrary(samplePath()), com::S_OK);

    // An interface the class does not have.
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(com::createInstance(sample::counterClsid(), INone::iid(), &p), com::E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(canUnloadNow(samplePath()), com::S_OK); // the refused object did not leak

    // A class whose object cannot be made.
    EXPECT_TRUE(com::failed(com::createInstance(sample::brokenClsid(), com::IUnknown::iid(), &p)));
    EXPECT_FALSE(createErrorOf(sample::brokenClsid()).isEmpty());

    // A registered class whose library has gone.
    const com::CLSID lost("{3c0b8a6e-5d7f-4e61-9a0c-1f2e3d4c5b10}");
    ASSERT_TRUE(com::registry::put({{lost, QStringLiteral("Sample.Lost"), folder.file(QStringLiteral("gone.so"))}}));
    const QString why = createErrorOf(lost);
    EXPECT_TRUE(why.contains(folder.file(QStringLiteral("gone.so")))) << qPrintable(why);
    EXPECT_TRUE(why.contains(QStringLiteral("ostrel-regsvr"))) << qPrintable(why);

    // Registering a file that is no component library fails.
    EXPECT_TRUE(com::failed(com::registerLibrary(folder.file(QStringLiteral("missing.so")))));
}

// The program's three libraries export the four entry points and nothing else; whatever
// classes they register can be created, and none can once they are unregistered.
TEST(ComponentLibrary, TheThreeLibrariesServeTheirClassesThroughFourEntryPoints)
{
    const QSet<QString> expected{QStringLiteral("DllCanUnloadNow"), QStringLiteral("DllGetClassObject"),
                                 QStringLiteral("DllRegisterServer"), QStringLiteral("DllUnregisterServer")};
    const QSet<QString> linkerSymbols{QStringLiteral("_edata"), QStringLiteral("_end"), QStringLiteral("__bss_start"),
                                      QStringLiteral("_init"), QStringLiteral("_fini")};
    for (const char* lib : kLibraries) {
        QProcess nm;
        nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), binFile(lib)});
        ASSERT_TRUE(nm.waitForFinished(-1)) << lib;
        ASSERT_EQ(nm.exitCode(), 0) << lib << nm.readAllStandardError().constData();
        QSet<QString> names;
        for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> cols = line.simplified().split(' ');
            if (cols.size() >= 3)
                names.insert(QString::fromLatin1(cols.at(2)).section(QLatin1Char('@'), 0, 0));
        }
        names -= linkerSymbols;
        EXPECT_EQ(names, expected) << lib << ": " << qPrintable(QStringList(names.values()).join(QLatin1Char(' ')));
    }

    testutil::ProgramFolder folder;
    folder.registerComponents();
    const QList<com::registry::Entry> registered = com::registry::entries();
    EXPECT_FALSE(registered.isEmpty());
    for (const com::registry::Entry& e : registered) {
        void* p = nullptr;
        EXPECT_EQ(com::createInstance(e.clsid, com::IUnknown::iid(), &p), com::S_OK) << qPrintable(e.progId);
        if (p)
            static_cast<com::IUnknown*>(p)->Release();
    }
    for (const char* lib : kLibraries)
        ASSERT_TRUE(com::succeeded(com::unregisterLibrary(binFile(lib))));
    EXPECT_TRUE(com::registry::entries().isEmpty());
    for (const com::registry::Entry& e : registered)
        EXPECT_TRUE(createErrorOf(e.clsid).contains(QStringLiteral("没有注册"))) << qPrintable(e.progId);
}

// The program folder as installed, copied elsewhere and the original removed, still starts and
// finds its libraries; a library gone is named with how to register it again.
TEST(ComponentLibrary, AMovedProgramFolderKeepsItsLibraries)
{
    testutil::ProgramFolder folder;
    const QString installed = folder.file(QStringLiteral("installed"));
    const QString moved = folder.file(QStringLiteral("moved"));
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    ASSERT_FALSE(cmake.isEmpty());
    QProcess install;
    install.start(cmake, {QStringLiteral("--install"), testutil::binDir() + QStringLiteral("/.."),
                          QStringLiteral("--prefix"), installed});
    ASSERT_TRUE(install.waitForFinished(-1));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().constData();

    // The registry names the libraries by their place in the folder.
    QFile reg(installed + QStringLiteral("/Components.reg"));
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = reg.readAll().trimmed().split('\n');
    EXPECT_GE(lines.size(), 3);
    for (const QByteArray& line : lines)
        EXPECT_FALSE(line.split('\t').value(2).contains('/')) << line.constData();
    reg.close();

    ASSERT_TRUE(QDir().mkpath(moved));
    for (const QFileInfo& f : QDir(installed).entryInfoList(QDir::Files))
        ASSERT_TRUE(QFile::copy(f.filePath(), moved + QLatin1Char('/') + f.fileName())) << qPrintable(f.fileName());
    ASSERT_TRUE(QDir(installed).removeRecursively());

    // The program's tool starts there and makes its database.
    QProcess newdb;
    newdb.start(moved + QStringLiteral("/ostrel-newdb"), {moved});
    ASSERT_TRUE(newdb.waitForFinished(-1));
    EXPECT_EQ(newdb.exitCode(), 0) << newdb.readAllStandardError().constData();
    EXPECT_TRUE(QFileInfo::exists(moved + QStringLiteral("/Ostrel.mdb")));

    // Objects by class identifier come from the moved folder's libraries; one library is gone.
    plat::setAppPath(moved);
    ASSERT_TRUE(QFile::remove(moved + QStringLiteral("/libParvel.so")));
    const QList<com::registry::Entry> registered = com::registry::entries();
    ASSERT_EQ(registered.size(), lines.size());
    for (const com::registry::Entry& e : registered) {
        EXPECT_EQ(QFileInfo(e.library).absolutePath(), moved) << qPrintable(e.progId);
        if (e.library.endsWith(QLatin1String("libParvel.so"))) {
            // its file named, and how to register it again
            const QString why = createErrorOf(e.clsid);
            EXPECT_TRUE(why.contains(e.library)) << qPrintable(why);
            EXPECT_TRUE(why.contains(QStringLiteral("ostrel-regsvr"))) << qPrintable(why);
            continue;
        }
        void* p = nullptr;
        EXPECT_EQ(com::createInstance(e.clsid, com::IUnknown::iid(), &p), com::S_OK) << qPrintable(e.progId);
        if (p)
            static_cast<com::IUnknown*>(p)->Release();
    }
}

TEST(ComponentLibrary, RegistrationToolWithoutArgumentsPrintsItsUsage)
{
    QProcess regsvr;
    regsvr.start(binFile("ostrel-regsvr"), {});
    ASSERT_TRUE(regsvr.waitForFinished(-1));
    EXPECT_EQ(regsvr.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(regsvr.exitCode(), 2);
    EXPECT_TRUE(regsvr.readAllStandardError().startsWith("usage: ostrel-regsvr"));
}

} // namespace
