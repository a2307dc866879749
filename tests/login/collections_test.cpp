// Users and Privates: keys without regard to letter case, positions from 1, errors of the list.
#include "login/collections.h"
#include "platform/core/vberror.h"
#include <gtest/gtest.h>

using namespace quillon;

namespace {
int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}
} // namespace

TEST(QuillonCollections, UsersKeysPositionsAndErrors)
{
    com::ComPtr<Users> users = com::make<UsersImpl>();
    auto a = users->Add(5, QStringLiteral("ADMIN"), QStringLiteral("管理员"));
    EXPECT_EQ(a->Name(), QStringLiteral("管理员"));
    users->Add(6, QStringLiteral("bob"));
    EXPECT_EQ(users->Item(QStringLiteral("admin")), a);
    EXPECT_EQ(users->Item(2)->UID(), 6);
    EXPECT_EQ(errorOf([&] { users->Add(7, QStringLiteral("Admin")); }), vb::errKeyExists);
    EXPECT_EQ(users->Count(), 2);
    EXPECT_EQ(errorOf([&] { users->Item(3); }), vb::errSubscript);
    EXPECT_EQ(errorOf([&] { users->Item(0); }), vb::errSubscript);
    EXPECT_EQ(errorOf([&] { users->Item(QStringLiteral("carl")); }), vb::errInvalidCall);
    EXPECT_EQ(errorOf([&] { users->Remove(QStringLiteral("carl")); }), vb::errInvalidCall);
    // Entries without a log name carry no key and never clash.
    users->Add(8);
    users->Add(9);
    EXPECT_EQ(users->Count(), 4);
    users->Remove(QStringLiteral("Bob"));
    QList<int> uids;
    for (const auto& u : users->NewEnum())
        uids.append(u->UID());
    EXPECT_EQ(uids, (QList<int>{5, 8, 9}));
    users->Clear();
    EXPECT_EQ(users->Count(), 0);
    // The removed key may be used again.
    EXPECT_EQ(errorOf([&] { users->Add(10, QStringLiteral("admin")); }), 0);
}

TEST(QuillonCollections, Privates)
{
    com::ComPtr<Privates> privates = com::make<PrivatesImpl>();
    auto p = privates->Add(QStringLiteral("AddDev"), QStringLiteral("设备登记权限"), true);
    EXPECT_EQ(p->Style(), ePrivateView);
    EXPECT_TRUE(p->Value());
    EXPECT_EQ(privates->Item(QStringLiteral("adddev"))->ForeignName(), QStringLiteral("设备登记权限"));
    EXPECT_EQ(errorOf([&] { privates->Add(QStringLiteral("ADDDEV"), QString(), false); }), vb::errKeyExists);
    p->setValue(false);
    EXPECT_FALSE(privates->Item(1)->Value());
    privates->Remove(1);
    EXPECT_EQ(privates->Count(), 0);
}
