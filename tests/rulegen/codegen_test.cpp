#include "tests/rulegen/rulegen_testutil.h"

namespace {

using namespace rt;

// tracked(): "D-" + class (field through a simple table) + a counter of 4 tracking the class
class Codes : public rt::RuleTest {
protected:
    com::ComPtr<IList> cls;
    com::ComPtr<IBand> no;
    RuleRecorder host{r};
    void tracked()
    {
        cls = r->UsrFields()->Add(QStringLiteral("Class"));
        r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("D-"));
        com::ComPtr<IBand> c = r->Add(QStringLiteral("Cls"), bsUsrField, smSimpleSwap, QString(), cls.get(), 1);
        c->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"));
        c->Relations()->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("工具"));
        no = r->Add(QStringLiteral("No"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 4, QStringLiteral("0000"));
        no->TrackBands()->Add(QStringLiteral("Cls"));
    }
};

TEST_F(Codes, TrackedCounterAsksTheHostWithAPatternAndAdvances)
{
    tracked();
    EXPECT_VBERROR(r->GetCode(GetStyles(2)), E(2003));
    cls->setValue(QStringLiteral("工具"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("D-B0001")); // nothing issued: InitStart
    EXPECT_EQ(host.filters, QStringList{QStringLiteral("D-B????")});
    host.lastCode = QStringLiteral("D-B0007");
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("D-B0008"));
    EXPECT_EQ(r->GetCode(gsCurrent), QStringLiteral("D-B0007"));
    host.lastCode = QStringLiteral("D-B007");
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2035));
    // the default is the start value and the lower bound
    no->setDefault(QStringLiteral("100"));
    host.lastCode = QStringLiteral("D-B0005");
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("D-B0100"));
    host.lastCode.clear();
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("D-B0100"));
    // a counter that outgrows its length is refused
    host.lastCode = QStringLiteral("D-B9999");
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2036));
}

TEST_F(Codes, FailuresOfFieldsAndConversionsReachTheCaller)
{
    tracked();
    cls->setValue(QStringLiteral("家具"));
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2034));
    cls->setValue(QString());
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2003));
    auto o = newRule(); // a field longer than its band
    com::ComPtr<IList> f = o->UsrFields()->Add(QStringLiteral("F"), QString(), QStringLiteral("abc"));
    o->Add(QStringLiteral("B"), bsUsrField, smNoneSwap, QString(), f.get(), 2);
    EXPECT_VBERROR(o->GetCode(gsNewCode), E(2036));
}

TEST_F(Codes, UntrackedCounterRepeatsItsValueAndAnEmptyCounterIsRefused)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("X"));
    com::ComPtr<IBand> n = r->Add(QStringLiteral("N"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 4);
    r->Add(QStringLiteral("L"), bsIncreaseAlpha);
    const vb::Error e = errorOf([&] { r->GetCode(gsNewCode); });
    EXPECT_EQ(e.number(), E(2036));
    EXPECT_TRUE(e.description().endsWith(QStringLiteral("N")));
    r->ExpCode(QStringLiteral("X0042C"));
    EXPECT_EQ(n->Value(), QStringLiteral("0042"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("X0042C"));
    EXPECT_EQ(r->Length(), 6);
    r->setStyle(csSimple);
    EXPECT_EQ(r->Length(), -1);
    EXPECT_VBERROR(r->ExpCode(QStringLiteral("X0042C")), E(2040));
}

TEST_F(Codes, LayeredBandsConvertWithinTheNodeMatchedAbove)
{
    com::ComPtr<IList> big = r->UsrFields()->Add(QStringLiteral("Big"));
    com::ComPtr<IList> sub = r->UsrFields()->Add(QStringLiteral("Sub"));
    r->Add(QStringLiteral("B1"), bsUsrField, smLayersSwap, QString(), big.get(), 1);
    r->Add(QStringLiteral("B2"), bsUsrField, smLayersSwap, QString(), sub.get(), 2);
    com::ComPtr<ICNodes> t = r->Relations();
    t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"));
    t->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("工具"));
    t->Add(QStringLiteral("N1"), tvwChild, QStringLiteral("01"), QStringLiteral("光学"));
    t->Add(QStringLiteral("N2"), tvwChild, QStringLiteral("01"), QStringLiteral("手动"));
    t->Add(QStringLiteral("N2"), tvwChild, QStringLiteral("02"), QStringLiteral("光学"));
    big->setValue(QStringLiteral("工具"));
    sub->setValue(QStringLiteral("光学"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("B02"));
    big->setValue(QStringLiteral("仪器"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("A01"));
    sub->setValue(QStringLiteral("手动"));
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2034));
    // the same code means different values under different parents
    r->ExpCode(QStringLiteral("B01"));
    EXPECT_EQ(big->Value(), QStringLiteral("工具"));
    EXPECT_EQ(sub->Value(), QStringLiteral("手动"));
    r->ExpCode(QStringLiteral("a01"));
    EXPECT_EQ(big->Value(), QStringLiteral("仪器"));
    EXPECT_EQ(sub->Value(), QStringLiteral("光学"));
}

TEST_F(Codes, DecodingWritesFieldsBackAndKeepsSegmentsAsTheyStand)
{
    tracked();
    com::ComPtr<IList> m = r->UsrMacros()->Add(QStringLiteral("Site"));
    com::ComPtr<IBand> site = r->Add(QStringLiteral("Site"), bsUsrMacro, smNoneSwap, QString(), m.get(), 2,
                                     QStringLiteral(">"));
    m->setValue(QStringLiteral("bj"));
    cls->setValue(QStringLiteral("仪器"));
    EXPECT_EQ(r->GetCode(gsNewCode).right(2), QStringLiteral("BJ"));
    EXPECT_VBERROR(r->ExpCode(QStringLiteral("d-B0001BJ")), E(2041));
    EXPECT_VBERROR(r->ExpCode(QStringLiteral("D-B0001B")), E(2040));
    r->ExpCode(QStringLiteral("D-A0012sh"));
    EXPECT_EQ(cls->Value(), QStringLiteral("仪器"));
    EXPECT_EQ(no->Value(), QStringLiteral("0012"));
    EXPECT_EQ(site->Value(), QStringLiteral("sh")); // not re-formatted
    EXPECT_EQ(m->Value(), QStringLiteral("sh"));
    EXPECT_VBERROR(r->ExpCode(QStringLiteral("D-A00x2sh")), E(2003));
}

TEST_F(Codes, FieldFormatsShapeTheSegment)
{
    com::ComPtr<IList> year = r->UsrFields()->Add(QStringLiteral("购置年代"));
    com::ComPtr<IList> grp = r->UsrFields()->Add(QStringLiteral("Grp"));
    r->Add(QStringLiteral("Y"), bsUsrField, smNoneSwap, QString(), year.get(), 4, QStringLiteral("yyyy"));
    r->Add(QStringLiteral("M"), bsUsrField, smNoneSwap, QString(), year.get(), 2, QStringLiteral("mm"));
    r->Add(QStringLiteral("G"), bsUsrField, smNoneSwap, QString(), grp.get(), 3, QStringLiteral("000"));
    com::ComPtr<IList> tag = r->UsrFields()->Add(QStringLiteral("Tag"));
    r->Add(QStringLiteral("T"), bsUsrField, smNoneSwap, QString(), tag.get(), 4, QStringLiteral("@@@@"));
    r->Add(QStringLiteral("L"), bsUsrField, smNoneSwap, QString(), tag.get(), 4, QStringLiteral("!@@@@"));
    year->setValue(QStringLiteral("2003-05-06 10:30"));
    grp->setValue(QStringLiteral("7"));
    tag->setValue(QStringLiteral("ab"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("200305007  abab  "));
}

TEST_F(Codes, AWeekBandCountsWeeksFromSunday)
{
    com::ComPtr<IList> day = r->UsrFields()->Add(QStringLiteral("购置年代"));
    r->Add(QStringLiteral("Y"), bsUsrField, smNoneSwap, QString(), day.get(), 4, QStringLiteral("yyyy"));
    r->Add(QStringLiteral("W"), bsUsrField, smNoneSwap, QString(), day.get(), 2, QStringLiteral("ww"));
    day->setValue(QStringLiteral("2005-03-13"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("200512"));
    day->setValue(QStringLiteral("2005-12-31"));
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("200553"));
    day->setValue(QStringLiteral("2005-01-02")); // week 2: one digit for a band of two
    EXPECT_VBERROR(r->GetCode(gsNewCode), E(2036));
}

TEST_F(Codes, ManyCountersOfOneRuleEachAskOnce)
{
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F"), QString(), QStringLiteral("Q"));
    r->Add(QStringLiteral("K"), bsUsrField, smNoneSwap, QString(), f.get(), 1);
    com::ComPtr<IBand> a = r->Add(QStringLiteral("A"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 2,
                                  QStringLiteral("00"));
    com::ComPtr<IBand> b = r->Add(QStringLiteral("B"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 2,
                                  QStringLiteral("00"));
    a->TrackBands()->Add(QStringLiteral("K"));
    b->TrackBands()->Add(QStringLiteral("K"));
    b->TrackBands()->Add(QStringLiteral("A"));
    host.lastCode = QStringLiteral("Q0509");
    // B's pattern holds A's new value
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("Q0610"));
    EXPECT_EQ(host.filters, (QStringList{QStringLiteral("Q????"), QStringLiteral("Q06??")}));
}

} // namespace
