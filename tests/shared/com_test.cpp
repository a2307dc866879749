#include <gtest/gtest.h>
#include "shared/com/com.h"
#include "shared/com/create.h"
#include "shared/com/registry.h"
#include "tests/common/testutil.h"

namespace {

struct IThing : com::IUnknown {
    COM_INTERFACE_ID("{6f1d3c52-3f0e-4a44-9a57-0c7b7e1d2a10}")
    virtual int value() const = 0;
};
struct IOther : com::IUnknown {
    COM_INTERFACE_ID("{6f1d3c52-3f0e-4a44-9a57-0c7b7e1d2a11}")
    virtual int twice() const = 0;
};

int g_alive = 0;
class Thing final : public com::Object<IThing, IOther> {
public:
    Thing() { ++g_alive; }
    ~Thing() override { --g_alive; }
    int value() const override { return 7; }
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
        com::ComPtr<com::IUnknown> u = o.as<com::IUnknown>();
        EXPECT_TRUE(u);
        struct INone : com::IUnknown { COM_INTERFACE_ID("{6f1d3c52-3f0e-4a44-9a57-0c7b7e1d2a12}") };
        EXPECT_FALSE(t.as<INone>());
    }
    EXPECT_EQ(g_alive, 0);
}

TEST(Com, UnregisteredClassFailsClearly)
{
    testutil::ProgramFolder folder;
    const com::CLSID nowhere("{00000000-1111-2222-3333-444444444444}");
    void* p = nullptr;
    EXPECT_EQ(com::createInstance(nowhere, com::IUnknown::iid(), &p), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
    try {
        com::createObject<com::IUnknown>(nowhere);
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errCantCreateObject);
        EXPECT_TRUE(e.description().contains(QStringLiteral("没有注册")));
    }
}

TEST(Com, RegistryPutAndRemove)
{
    testutil::ProgramFolder folder;
    const com::CLSID a("{00000000-1111-2222-3333-444444444445}");
    ASSERT_TRUE(com::registry::put({{a, QStringLiteral("X.A"), QStringLiteral("/lib/x.so")}}));
    com::registry::Entry e;
    ASSERT_TRUE(com::registry::find(a, &e));
    EXPECT_EQ(e.library, QStringLiteral("/lib/x.so"));
    ASSERT_TRUE(com::registry::findByProgId(QStringLiteral("x.a"), &e));
    ASSERT_TRUE(com::registry::remove({a}));
    EXPECT_FALSE(com::registry::find(a, nullptr));
}

} // namespace
