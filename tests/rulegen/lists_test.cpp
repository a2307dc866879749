#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/engine/lists.h"

namespace {

using namespace rt;

struct ListRecorder : IListsEvents {
    QStringList events;
    bool cancelAdd = false, cancelRemove = false;
    QString why;
    void CollectionChanged() override { events << QStringLiteral("Changed"); }
    void BeforeRemove(QString& Name, bool& Cancel, QString& Description) override
    {
        events << QStringLiteral("BeforeRemove:") + Name;
        if (cancelRemove) {
            Cancel = true;
            Description = why;
        }
    }
    void BeforeAdd(QString& Name, bool& Cancel, QString& Description, qint32&) override
    {
        events << QStringLiteral("BeforeAdd:") + Name;
        if (cancelAdd) {
            Cancel = true;
            Description = why;
        }
    }
};

com::ComPtr<ListsImpl> fields()
{
    auto l = com::make<ListsImpl>();
    l->setStyle(lsFields);
    return l;
}

class Lists : public rt::Test {
protected:
    com::ComPtr<ListsImpl> l = fields();
};

TEST_F(Lists, ItemNamesAreTrimmedSetOnceAndLookedUpIgnoringCase)
{
    auto item = com::make<ListImpl>();
    item->setName(QStringLiteral("  Year "));
    EXPECT_EQ(item->Name(), QStringLiteral("Year"));
    EXPECT_EQ(item->ForeignName(), QStringLiteral("Year"));
    EXPECT_VBERROR(item->setName(QStringLiteral("Year")), E(2001));
    EXPECT_VBERROR(item->setForeignName(QStringLiteral("   ")), E(2003));
    EXPECT_EQ(item->ForeignName(), QStringLiteral("Year"));
    item->setValue(QStringLiteral(" 2002 "));
    EXPECT_EQ(item->Value(), QStringLiteral(" 2002 "));
    // the list looks up by position or by key ignoring case
    l->Add(QStringLiteral("Year"), QString(), QStringLiteral("2002"));
    l->Add(QStringLiteral("Grp"), QStringLiteral("Group"));
    EXPECT_EQ(l->Count(), 2);
    EXPECT_EQ(l->Item(QStringLiteral("YEAR"))->Value(), QStringLiteral("2002"));
    EXPECT_EQ(l->Item(2)->ForeignName(), QStringLiteral("Group"));
    EXPECT_EQ(l->Item(2)->Style(), lsFields);
    EXPECT_VBERROR(l->Item(3), vb::errSubscript);
    EXPECT_VBERROR(l->Item(0), vb::errSubscript);
    EXPECT_VBERROR(l->Item(QStringLiteral("none")), vb::errInvalidCall);
    // "missing" is not the same as an empty key
    EXPECT_VBERROR(l->Item(QVariant()), vb::errInvalidCall);
}

TEST_F(Lists, RefusedAdditionsLeaveTheListUnchanged)
{
    ListRecorder rec;
    l->advise(&rec);
    l->Add(QStringLiteral("Year"));
    rec.events.clear();
    EXPECT_VBERROR(l->Add(QStringLiteral("year")), E(2012));
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("BeforeAdd:year")}); // no Changed
    EXPECT_VBERROR(l->Add(QStringLiteral("   ")), E(2003));
    EXPECT_VBERROR(l->Add(QString()), E(2003));
    EXPECT_VBERROR(l->Add(QStringLiteral("Ok"), QStringLiteral("  ")), E(2003));
    rec.cancelAdd = true;
    rec.why = QStringLiteral("because");
    const vb::Error e = errorOf([&] { l->Add(QStringLiteral("Other")); });
    EXPECT_EQ(e.number(), E(2022));
    EXPECT_EQ(e.description(), QStringLiteral("Failed to add item.because"));
    EXPECT_EQ(l->Count(), 1);
    l->unadvise(&rec);
    // the multiple style refuses even an addition without name
    auto m = com::make<ListsImpl>();
    EXPECT_VBERROR(m->Add(QString()), E(2006));
    EXPECT_VBERROR(m->setStyle(4), E(2003));
}

TEST_F(Lists, RemoveAsksListenersAndRemoveAllGoesLastFirst)
{
    l->Add(QStringLiteral("A"));
    l->Add(QStringLiteral("B"));
    ListRecorder rec;
    l->advise(&rec);
    rec.cancelRemove = true;
    rec.why = QStringLiteral(" in use");
    const vb::Error e = errorOf([&] { l->Remove(QStringLiteral("a")); });
    EXPECT_EQ(e.number(), E(2015));
    EXPECT_EQ(e.description(), QStringLiteral("Failed to drop item. in use"));
    EXPECT_EQ(l->Count(), 2);
    rec.cancelRemove = false;
    rec.events.clear();
    l->RemoveAll();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("BeforeRemove:B"), QStringLiteral("Changed"),
                                       QStringLiteral("BeforeRemove:A"), QStringLiteral("Changed")}));
    EXPECT_VBERROR(l->Remove(1), vb::errSubscript);
    l->unadvise(&rec);
}

TEST_F(Lists, MoveItemRefusesMovesThatChangeNothingAndNeverLosesTheItem)
{
    for (const char* n : {"A", "B", "C"})
        l->Add(QString::fromLatin1(n));
    EXPECT_VBERROR(l->MoveItem(2, 3, QVariant()), E(2008));
    EXPECT_VBERROR(l->MoveItem(2, 2, QVariant()), E(2008));
    EXPECT_VBERROR(l->MoveItem(2, 1, 3), E(2003));
    EXPECT_VBERROR(l->MoveItem(2, QVariant(), QVariant()), E(2003));
    l->MoveItem(QStringLiteral("C"), 1, QVariant());
    EXPECT_EQ(l->ToText(), QStringLiteral("C,,;A,,;B,,"));
    l->MoveItem(QStringLiteral("C"), QVariant(), QStringLiteral("B"));
    EXPECT_EQ(l->ToText(), QStringLiteral("A,,;B,,;C,,"));
    // a listener refusing the re-insertion: the item stays in the list
    ListRecorder rec;
    rec.cancelAdd = true;
    l->advise(&rec);
    EXPECT_VBERROR(l->MoveItem(1, QVariant(), 3), E(2022));
    EXPECT_EQ(l->Count(), 3);
    EXPECT_EQ(l->ToText(), QStringLiteral("A,,;B,,;C,,"));
    l->unadvise(&rec);
    auto one = fields();
    one->Add(QStringLiteral("X"));
    one->MoveItem(1, 1, QVariant()); // one item: nothing happens
}

TEST_F(Lists, TextFormWritesAndReadsBack)
{
    EXPECT_EQ(l->ToText(), QString());
    l->Add(QStringLiteral("Year"), QStringLiteral("YEAR"), QStringLiteral("2002"));
    l->Add(QStringLiteral("Grp"), QStringLiteral("Group"), QString(), QStringLiteral("main"));
    EXPECT_EQ(l->ToText(), QStringLiteral("Year,,2002;Grp,Group,,main"));

    auto m = fields();
    m->Add(QStringLiteral("Old"));
    ListRecorder rec;
    m->advise(&rec);
    m->FromText(QStringLiteral("Year,,2002;Grp,Group,,main,extra"));
    EXPECT_EQ(m->Count(), 2);
    EXPECT_EQ(m->Item(1)->ForeignName(), QStringLiteral("Year"));
    EXPECT_EQ(m->Item(2)->Description().toString(), QStringLiteral("main"));
    EXPECT_EQ(rec.events.count(QStringLiteral("Changed")), 2);
    EXPECT_FALSE(rec.events.join(QLatin1Char('|')).contains(QStringLiteral("BeforeRemove")));
    m->FromText(QString());
    EXPECT_EQ(m->Count(), 2);
    EXPECT_VBERROR(m->FromText(QStringLiteral("A;;B")), E(2003));
    EXPECT_EQ(m->Count(), 1);
    m->unadvise(&rec);
}

TEST_F(Lists, NamesAreKeyedIgnoringCaseUnlessImported)
{
    auto n = com::make<NamesImpl>();
    n->Add(QStringLiteral("Year"));
    n->Add(QStringLiteral("Grp"));
    EXPECT_VBERROR(n->Add(QStringLiteral("YEAR")), vb::errKeyExists);
    EXPECT_EQ(n->NamesText(), QStringLiteral("Year,Grp"));
    EXPECT_EQ(n->Item(QStringLiteral("grp")), QStringLiteral("Grp"));
    n->Remove(QStringLiteral("year"));
    EXPECT_EQ(n->Count(), 1);
    EXPECT_VBERROR(n->Remove(QStringLiteral("none")), vb::errInvalidCall);
    n->ImportNames(QStringLiteral("A;A;"));
    EXPECT_EQ(n->Count(), 3);
    EXPECT_EQ(n->Item(2), QStringLiteral("A"));
    EXPECT_VBERROR(n->Item(QStringLiteral("A")), vb::errInvalidCall);
}

} // namespace
