#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/engine/band.h"

namespace {

using namespace rt;

com::ComPtr<BandImpl> band(BandStyles style, const char* name = "B")
{
    auto b = com::make<BandImpl>();
    b->setName(QString::fromUtf8(name));
    b->setStyle(style);
    return b;
}

using Bands = rt::Test;

// assignments check the style first, then whether the property is read-only, then the range
TEST_F(Bands, AnUndefinedBandRefusesEverythingButItsName)
{
    auto b = com::make<BandImpl>();
    EXPECT_VBERROR(b->setValue(QStringLiteral("1")), E(2002));
    EXPECT_VBERROR(b->setLength(2), E(2002));
    EXPECT_VBERROR(b->setDefault(QStringLiteral("1")), E(2002));
    EXPECT_VBERROR(b->setFormate(QStringLiteral("0")), E(2002));
    EXPECT_VBERROR(b->setIncrMode(IncrModes(9)), E(2002));
    EXPECT_VBERROR(b->setSwapMode(smNoneSwap), E(2002));
    EXPECT_VBERROR(b->setInitStart(QStringLiteral("1")), E(2002));
    EXPECT_VBERROR(b->setInitEnd(QStringLiteral("1")), E(2002));
    EXPECT_VBERROR(b->setStyle(BandStyles(5)), vb::errInvalidCall);
    EXPECT_VBERROR(b->setStyle(bsUndefined), vb::errInvalidCall);
    EXPECT_EQ(b->Style(), bsUndefined);
    b->setName(QStringLiteral(" Year "));
    EXPECT_EQ(b->Name(), QStringLiteral("Year"));
    EXPECT_VBERROR(b->setName(QStringLiteral("Other")), E(2004));
    b->setStyle(bsFixed);
    EXPECT_VBERROR(b->setStyle(bsFixed), E(2001));
    EXPECT_EQ(b->Index(), -1);
    EXPECT_VBERROR(band(bsUsrField)->setIncrMode(IncrModes(9)), E(2004));
    EXPECT_VBERROR(band(bsFixed)->setSwapMode(SwapModes(9)), E(2004));
    EXPECT_VBERROR(band(bsUsrMacro)->setSwapMode(SwapModes(9)), vb::errInvalidCall);
    EXPECT_VBERROR(band(bsIncreaseAlpha)->setLength(-1), E(2004));
    auto n = band(bsIncreaseNumber);
    EXPECT_VBERROR(n->setIncrMode(IncrModes(-1)), vb::errInvalidCall);
    EXPECT_EQ(n->IncrMode(), imIncrAuto);
}

TEST_F(Bands, FixedBandTakesItsLengthFromItsDefault)
{
    auto b = band(bsFixed);
    b->setDefault(QStringLiteral("ABC"));
    EXPECT_EQ(b->Length(), 3);
    EXPECT_EQ(b->Value(), QStringLiteral("ABC"));
    EXPECT_VBERROR(b->setValue(QStringLiteral("XYZ")), E(2004));
    EXPECT_VBERROR(b->setDefault(QString()), E(2003)); // no band of no length
    EXPECT_EQ(b->Length(), 3);
    EXPECT_VBERROR(b->setLength(4), E(2004));
    EXPECT_VBERROR(b->setFormate(QStringLiteral("0")), E(2004));
    EXPECT_VBERROR(b->setSwapMode(smSimpleSwap), E(2004));
    EXPECT_VBERROR(b->setIncrMode(imNever), E(2004));
}

TEST_F(Bands, NumberValuesAreFormattedAndMustFitTheLength)
{
    auto b = band(bsIncreaseNumber, "Num");
    b->setLength(3);
    b->setFormate(QStringLiteral("000"));
    b->setValue(QStringLiteral("7"));
    EXPECT_EQ(b->Value(), QStringLiteral("007"));
    const vb::Error e = errorOf([&] { b->setValue(QStringLiteral("12345")); });
    EXPECT_EQ(e.number(), E(2036));
    EXPECT_EQ(e.description(), QStringLiteral("Incorrect length of band value.\r\n\r\nNum"));
    EXPECT_VBERROR(b->setValue(QStringLiteral("abc")), E(2003));
    EXPECT_EQ(b->Value(), QStringLiteral("007"));
    b->setDefault(QStringLiteral("007"));
    EXPECT_EQ(b->Default(), QStringLiteral("7"));
    b->setInitEnd(QStringLiteral("007"));
    EXPECT_EQ(b->InitEnd(), QStringLiteral("007"));
    b->setInitEnd(QString());
    EXPECT_EQ(b->InitEnd(), QString());
    const vb::Error l = errorOf([&] { b->setLength(0); });
    EXPECT_EQ(l.description(), QStringLiteral("Invalid parametre(s) or value.\r\n\r\nLength"));
    EXPECT_EQ(b->Length(), 3);
}

TEST_F(Bands, LetterValuesAreUpperCasedAndChecked)
{
    auto b = band(bsIncreaseAlpha);
    b->setValue(QStringLiteral("c"));
    EXPECT_EQ(b->Value(), QStringLiteral("C"));
    b->setInitEnd(QStringLiteral("B"));
    EXPECT_VBERROR(b->setValue(QStringLiteral("c")), E(2003));
    EXPECT_VBERROR(b->setInitEnd(QString()), E(2003));
    EXPECT_VBERROR(b->setValue(QStringLiteral("AB")), E(2003));
    EXPECT_EQ(b->Value(), QStringLiteral("C"));
    EXPECT_VBERROR(b->setLength(2), E(2004));
}

TEST_F(Bands, IncrementModeResetsRangeAndTrigger)
{
    auto n = band(bsIncreaseNumber);
    n->setIncrMode(imNever);
    EXPECT_EQ(n->InitStart(), QString());
    EXPECT_VBERROR(n->setInitEnd(QStringLiteral("9")), E(2004));
    n->setInitStart(QStringLiteral("5"));
    EXPECT_EQ(n->InitStart(), QStringLiteral("5"));
    EXPECT_VBERROR(n->setIncrMode(IncrModes(3)), vb::errInvalidCall);
    n->setIncrMode(imTrigered);
    // a triggered counter without trigger offers an unnamed placeholder
    com::ComPtr<IBand> placeholder = n->TrigerBand();
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->Style(), bsUndefined);
    n->setIncrMode(imIncrAuto);
    EXPECT_FALSE(n->heldTrigerBand());
    EXPECT_VBERROR(band(bsUsrField)->setIncrMode(imNever), E(2004));
}

TEST_F(Bands, OwnRelationTreeExistsOnlyForSimpleSwapAndSurvivesWritingTheSameMode)
{
    auto b = band(bsUsrField);
    EXPECT_FALSE(b->Relations());
    b->setSwapMode(smSimpleSwap);
    com::ComPtr<ICNodes> t = b->Relations();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Style(), tsSimplified);
    t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("a"));
    b->setSwapMode(smSimpleSwap); // the designer writes values back
    EXPECT_EQ(b->Relations()->Count(), 1);
    EXPECT_VBERROR(b->setSwapMode(SwapModes(3)), vb::errInvalidCall);
    b->setSwapMode(smNoneSwap);
    b->setSwapMode(smSimpleSwap);
    EXPECT_EQ(b->Relations()->Count(), 0);
    EXPECT_VBERROR(band(bsIncreaseNumber)->setSwapMode(smNoneSwap), E(2004));
}

TEST_F(Bands, BandWithoutRuleHasNoFieldsAndRefusesTriggers)
{
    auto b = band(bsUsrMacro);
    EXPECT_FALSE(b->DataFields());
    EXPECT_VBERROR(b->setDataField(com::make<ListImpl>().get()), E(2004));
    auto c = band(bsIncreaseNumber, "C");
    EXPECT_VBERROR(c->setTrigerBand(b.get()), E(2003));
    EXPECT_VBERROR(c->TrackBands()->Add(QStringLiteral("B")), E(2022));
    EXPECT_FALSE(band(bsFixed)->TrackBands());
}

} // namespace
