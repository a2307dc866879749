#include "tests/rulegen/rulegen_testutil.h"
#include "tests/common/testutil.h"
#include <QFile>

namespace {

using namespace rt;

const QChar CR(13);

QString lines(std::initializer_list<const char*> l)
{
    QStringList s;
    for (const char* x : l)
        s << QString::fromUtf8(x);
    return QStringLiteral("#####") + s.join(CR);
}

QString golden(const char* name)
{
    QFile f(testutil::dataFile(QStringLiteral("rulegen/data/") + QLatin1String(name)));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(f.readAll());
}

// A rule that uses every band style, a simple conversion, two layers, a trigger and tracking.
com::ComPtr<ICodeClass> fullRule()
{
    auto r = newRule();
    r->setName(QStringLiteral("设备编码"));
    r->setSeparaOfDay(QTime(8, 30));
    r->setSeparaOfMonth(5);
    com::ComPtr<ILists> f = r->UsrFields();
    com::ComPtr<IList> big = f->Add(QStringLiteral("设备大类"), QStringLiteral("Class"));
    com::ComPtr<IList> sub = f->Add(QStringLiteral("设备属类"));
    com::ComPtr<IList> year = f->Add(QStringLiteral("购置年代"), QString(), QStringLiteral("2002-05-01 10:30"));
    com::ComPtr<IList> site = r->UsrMacros()->Add(QStringLiteral("Site"), QString(), QStringLiteral("bj"), QStringLiteral("city"));
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("SB-"));
    r->Add(QStringLiteral("Big"), bsUsrField, smLayersSwap, QString(), big.get(), 1);
    r->Add(QStringLiteral("Sub"), bsUsrField, smLayersSwap, QString(), sub.get(), 1);
    com::ComPtr<IBand> place = r->Add(QStringLiteral("Place"), bsUsrMacro, smSimpleSwap, QString(), site.get(), 2);
    place->Relations()->Add(QVariant(), tvwNext, QStringLiteral("BJ"), QStringLiteral("bj"));
    place->Relations()->Add(QVariant(), tvwNext, QStringLiteral("SH"), QStringLiteral("sh"));
    r->Add(QStringLiteral("Year"), bsUsrField, smNoneSwap, QString(), year.get(), 2, QStringLiteral("yy"));
    com::ComPtr<IBand> no = r->Add(QStringLiteral("No"), bsIncreaseNumber, smNoneSwap, QStringLiteral("5"), nullptr, 4,
                                   QStringLiteral("0000"));
    no->TrackBands()->Add(QStringLiteral("Big"));
    no->TrackBands()->Add(QStringLiteral("Year"));
    com::ComPtr<IBand> ver = r->Add(QStringLiteral("Ver"), bsIncreaseAlpha);
    ver->setIncrMode(imTrigered);
    ver->setTrigerBand(no.get());
    ver->setDateUpdated(QDateTime(QDate(2002, 4, 1), QTime(0, 0)));
    ver->setAllowDroped(false);
    com::ComPtr<ICNodes> t = r->Relations();
    com::ComPtr<ICNode> a = t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"));
    t->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("工具"));
    t->Add(a->Key(), tvwChild, QStringLiteral("1"), QStringLiteral("光学"));
    t->Add(QStringLiteral("N2"), tvwChild, QStringLiteral("1"), QStringLiteral("手动"));
    return r;
}

using Definition = rt::RuleTest;

TEST_F(Definition, RulesAreWrittenAsTheGoldenTextsAndReadBackUnchanged)
{
    EXPECT_EQ(newRule()->Definition(), golden("empty.def"));
    const QString text = golden("full.def");
    EXPECT_EQ(fullRule()->Definition(), text);
    auto s = newRule();
    s->Load(text);
    EXPECT_EQ(s->Definition(), text);
    EXPECT_EQ(s->Count(), 7);
    EXPECT_EQ(s->Band(QStringLiteral("Ver"))->TrigerBand(), s->Band(QStringLiteral("No")));
    EXPECT_EQ(s->Band(QStringLiteral("No"))->TrackBands()->Count(), 2);
    EXPECT_EQ(s->Band(QStringLiteral("Place"))->Relations()->Count(), 2);
    EXPECT_EQ(s->Relations()->Count(), 4);
    EXPECT_EQ(s->UsrFields()->Item(1)->ForeignName(), QStringLiteral("Class"));
    // every band's field is used, the last band's included
    EXPECT_EQ(s->UsedFields()->Count(), 4);
}

TEST_F(Definition, ReadingFollowsTheKeysAndAnEmptyTextKeepsTheSettings)
{
    r->Load(lines({"11", "5", "19", "12", "7", "-1", "13", "3"}));
    EXPECT_EQ(r->SeparaOfWeek(), wdThursday);
    EXPECT_EQ(r->SeparaOfMonth(), 7); // 19 and -1 are skipped, the next line read as a key
    EXPECT_EQ(r->SeparaOfYear(), 3);
    // refused values are skipped, the rest goes on
    r->Load(lines({"12", "29", "13", "4"}));
    EXPECT_EQ(r->SeparaOfMonth(), 7);
    EXPECT_EQ(r->SeparaOfYear(), 4);
    // empty texts leave an empty rule with its settings
    r = fullRule();
    r->setSeparaOfYear(7);
    r->Load(QStringLiteral("#####"));
    EXPECT_EQ(r->Count(), 0);
    EXPECT_EQ(r->SeparaOfYear(), 7);
    r->Load(QVariant());
    EXPECT_EQ(r->Count(), 0);
}

TEST_F(Definition, BandValuesKeepEverythingAfterTheFirstEquals)
{
    r->Load(lines({"2", "0", "16", "0=F", "1=0", "2=0", "3=A=B", "5=3", "7=0", "11=1899-12-30", "15=1", "16=1", "17"}));
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ(r->Band(1)->Default(), QStringLiteral("A=B"));
    EXPECT_EQ(r->Band(1)->Length(), 3);
}

TEST_F(Definition, TriggersAreResolvedAfterAllBandsAndUnknownFieldsAreSkipped)
{
    r->Load(lines({"2", "0", "16", "0=T", "1=3", "2=0", "5=1", "7=2", "8=1", "10=Later", "17", "16", "0=F", "1=2",
                   "2=0", "5=2", "6=Nowhere", "7=0", "17", "16", "0=Later", "1=4", "2=0", "5=1", "7=1", "17"}));
    ASSERT_EQ(r->Count(), 3);
    EXPECT_EQ(r->Band(1)->TrigerBand(), r->Band(3));
    EXPECT_EQ(r->Band(2)->DataField()->Name(), QString());
}

TEST_F(Definition, TextsThatCannotBeReadChangeNothingAndRaiseNothing)
{
    const QString good = fullRule()->Definition();
    const std::pair<const char*, QString> damaged[] = {
        {"not a key", lines({"2", "0", "garbage", "1"})},
        {"binary", QStringLiteral("#####\x01\x02PK")},
        {"one band too long", lines({"16", "0=N", "1=3", "2=0", "5=200000000", "7=1", "17"})},
        {"past 32 bits", lines({"16", "0=N", "1=3", "2=0", "5=99999999999", "7=1", "17"})},
        {"together too long", lines({"16", "0=A", "1=3", "2=0", "5=2147483647", "7=1", "17", "16", "0=B", "1=3",
                                     "2=0", "5=2147483647", "7=1", "17"})},
        {"256 characters", lines({"16", "0=A", "1=3", "2=0", "5=200", "7=1", "17", "16", "0=F", "1=0", "2=0"}) +
                               CR + QStringLiteral("3=") + QString(56, QLatin1Char('x')) + CR +
                               QStringLiteral("17")},
    };
    r = fullRule();
    RuleRecorder rec(r);
    for (const auto& [what, text] : damaged) {
        bool read = true;
        EXPECT_NO_THROW(read = r->Load(text)) << what;
        EXPECT_FALSE(read) << what;
        EXPECT_EQ(r->Definition(), good) << what;
    }
    EXPECT_TRUE(rec.events.isEmpty());
    // exactly as long as a code may be is read
    EXPECT_TRUE(r->Load(lines({"16", "0=A", "1=3", "2=0", "5=255", "7=1", "17"})));
    EXPECT_EQ(r->Length(), 255);
}

TEST_F(Definition, TextsReadInPartAreAppliedAsFarAsTheyGo)
{
    const QString good = fullRule()->Definition();
    // keys out of the writer's order
    EXPECT_TRUE(r->Load(lines({"13", "4", "3", "0", "2", "1", "0", "Rule"})));
    EXPECT_EQ(r->SeparaOfYear(), 4);
    EXPECT_FALSE(r->AllowAddBand());
    EXPECT_EQ(r->ApplyMode(), amSuccessive);
    EXPECT_EQ(r->Name(), QStringLiteral("Rule"));
    // a list with an empty item: the items before it
    r = newRule();
    EXPECT_TRUE(r->Load(lines({"14", "A,,;;B,,", "15", "M,,1"})));
    ASSERT_EQ(r->UsrFields()->Count(), 1);
    EXPECT_EQ(r->UsrFields()->Item(1)->Name(), QStringLiteral("A"));
    EXPECT_EQ(r->UsrMacros()->Count(), 1);
    // a truncated text: the bands closed before the cut
    r = newRule();
    const int cut = int(good.indexOf(QStringLiteral("0=Place")));
    EXPECT_TRUE(r->Load(good.left(cut + 3)));
    EXPECT_EQ(r->Count(), 3);
    EXPECT_EQ(r->Band(3)->Name(), QStringLiteral("Sub"));
    EXPECT_EQ(r->UsrFields()->Count(), 3);
    // a block started again before its end, a block without a name, a key without its value
    r = newRule();
    EXPECT_TRUE(r->Load(lines({"16", "0=A", "1=3", "16", "0=B", "1=3", "2=0", "5=2", "7=1", "17", "16", "1=3",
                               "17", "12"})));
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ(r->Band(1)->Name(), QStringLiteral("B"));
    EXPECT_EQ(r->Band(1)->Length(), 2);
    // a tree and a layer that cannot be taken are skipped, the rest is read
    r = newRule();
    EXPECT_TRUE(r->Load(lines({"9", "3;,1,A,a;7,2,B,b", "17", "NoSuchBand,,", "11", "3"})));
    EXPECT_EQ(r->Relations()->Count(), 0);
    EXPECT_EQ(r->LayeredBands()->Count(), 0);
    EXPECT_EQ(r->SeparaOfWeek(), wdTuesday);
}

TEST_F(Definition, TextsThatReadWriteBackToTheSameRule)
{
    const std::tuple<const char*, QString, const char*> read[] = {
        {"a band line without a value", lines({"16", "0=F", "1=0", "2=0", "3=SB-", "3", "5=3", "17"}),
         "\r3=SB-\r5=3\r"},
        {"an empty fixed text", lines({"16", "0=F", "1=0", "2=0", "3=SB-", "3=", "17"}), "\r3=SB-\r5=3\r"},
        {"a letter range kept when it never counts", lines({"16", "0=V", "1=4", "2=0", "7=0", "8=B", "9=X", "17"}),
         "\r7=0\r8=B\r9=X\r"},
        {"a field the later list drops", lines({"14", "F,,", "16", "0=B", "1=2", "2=0", "6=F", "17", "14", "G,,"}),
         "\r5=1\r7=0\r"},
        {"a field list read again after the band",
         lines({"14", "F,,", "16", "0=B", "1=2", "2=0", "6=F", "17", "14", "F,,;G,,"}), "\r6=F\r"},
    };
    for (const auto& [what, text, holds] : read) {
        r = newRule();
        auto again = newRule();
        EXPECT_TRUE(r->Load(text) && again->Load(r->Definition())) << what;
        EXPECT_TRUE(r->Definition().contains(QLatin1String(holds))) << what;
        EXPECT_EQ(again->Definition(), r->Definition()) << what;
    }
    // the last row's band holds the item the rule lists, not the one the first list text made
    EXPECT_EQ(r->Band(1)->DataField(), r->UsrFields()->Item(QStringLiteral("F")));
}

TEST_F(Definition, NamesThatWouldBreakTheTextAreRefused)
{
    for (const char* bad : {"A,B", "A;B", "A:B", "A=B"})
        EXPECT_VBERROR(r->Add(QString::fromLatin1(bad), bsIncreaseAlpha), E(2003)) << bad;
    EXPECT_VBERROR(r->UsrFields()->Add(QStringLiteral("F,G")), E(2003));
    EXPECT_VBERROR(r->UsrFields()->Add(QStringLiteral("F"), QStringLiteral("a;b")), E(2003));
    EXPECT_VBERROR(r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A,1"), QStringLiteral("x")), E(2003));
    com::ComPtr<ICNode> n = r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("x"));
    EXPECT_VBERROR(n->setTag(QStringLiteral("x;y")), E(2003));
    EXPECT_VBERROR(r->setName(QStringLiteral("a") + CR + QStringLiteral("b")), E(2003));
    EXPECT_EQ(r->Count(), 0);
    EXPECT_EQ(r->UsrFields()->Count(), 0);
}

TEST_F(Definition, AnUnreadableLayerListKeepsTheLayersTheBandsGave)
{
    // "Big" reads without a style, so it is no layer; "Sub" is one
    r->Load(lines({"14", "F,,", "16", "0=Big", "1=x", "17", "16", "0=Sub", "1=2", "2=2", "5=1", "6=F", "7=0", "17",
                   "16", "0=Big", "1=2", "2=2", "5=1", "6=F", "17", "17", "Big,,;Sub,,"}));
    EXPECT_EQ(r->Count(), 2);
    ASSERT_EQ(r->LayeredBands()->Count(), 1);
    EXPECT_EQ(r->LayeredBands()->Item(1)->Name(), QStringLiteral("Sub"));
    auto again = newRule();
    again->Load(r->Definition());
    EXPECT_EQ(again->Definition(), r->Definition());
}

} // namespace
