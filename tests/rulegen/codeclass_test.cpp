#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/engine/band.h"

namespace {

using namespace rt;

using Rule = rt::RuleTest;

TEST_F(Rule, AddChecksItsArgumentsInOrder)
{
    EXPECT_VBERROR(r->Add(QStringLiteral("A"), bsFixed, smNoneSwap, QStringLiteral("X"), nullptr, 1, QString(), 1, 1),
                   vb::errInvalidCall);
    const vb::Error noName = errorOf([&] { r->Add(QStringLiteral("   ")); });
    EXPECT_EQ(noName.number(), E(2003));
    EXPECT_EQ(noName.description(), QStringLiteral("Invalid parametre(s) or value.\r\n\r\nName"));
    EXPECT_EQ(errorOf([&] { r->Add(QStringLiteral("F"), bsFixed); }).description(),
              QStringLiteral("Invalid parametre(s) or value.\r\n\r\nLast Value"));
    EXPECT_EQ(errorOf([&] { r->Add(QStringLiteral("M"), bsUsrMacro); }).description(),
              QStringLiteral("Invalid parametre(s) or value.\r\n\r\nField/Macro"));
    EXPECT_VBERROR(r->Add(QStringLiteral("S"), BandStyles(9)), vb::errInvalidCall);
    EXPECT_EQ(r->Count(), 0);

    // read-only properties of the style are skipped
    com::ComPtr<IBand> f = r->Add(QStringLiteral(" Fix "), bsFixed, smSimpleSwap, QStringLiteral("AB"), nullptr, 4,
                                  QStringLiteral("000"));
    EXPECT_EQ(f->Name(), QStringLiteral("Fix"));
    EXPECT_EQ(f->Length(), 2);
    com::ComPtr<IBand> n = r->Add(QStringLiteral("Num"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 4);
    EXPECT_EQ(n->Length(), 4);
    EXPECT_EQ(n->Index(), 2);
    EXPECT_VBERROR(r->Add(QStringLiteral("NUM"), bsIncreaseNumber), vb::errKeyExists);
    EXPECT_EQ(r->Count(), 2);
    r->Add(QStringLiteral("First"), bsIncreaseAlpha, smNoneSwap, QString(), nullptr, 1, QString(), QStringLiteral("fix"));
    // a missing reference appends; an empty one names no band
    r->Add(QStringLiteral("Last"), bsIncreaseAlpha, smNoneSwap, QString(), nullptr, 1, QString(), QVariant(), 3);
    EXPECT_VBERROR(r->Add(QStringLiteral("C"), bsIncreaseAlpha, smNoneSwap, QString(), nullptr, 1, QString(),
                          QVariant(QString())),
                   vb::errInvalidCall);
    EXPECT_EQ(r->Band(1)->Name(), QStringLiteral("First"));
    EXPECT_EQ(r->Band(4.0)->Name(), QStringLiteral("Last"));
    EXPECT_EQ(r->Band(QStringLiteral("num"))->Index(), 3);
    EXPECT_VBERROR(r->Band(5), vb::errSubscript);
    EXPECT_VBERROR(r->Band(QStringLiteral("x")), vb::errInvalidCall);
    EXPECT_VBERROR(r->Band(QVariant()), vb::errInvalidCall);
}

TEST_F(Rule, BandsDoNotKeepTheirRuleAlive)
{
    com::ComPtr<IBand> b = r->Add(QStringLiteral("A"), bsIncreaseNumber);
    EXPECT_EQ(b->Index(), 1);
    r = nullptr;
    EXPECT_EQ(b->Index(), -1); // the rule is gone
    EXPECT_FALSE(b->Relations());
}

TEST_F(Rule, DragMovesBandsAndRefusesMovesThatChangeNothing)
{
    for (const char* n : {"A", "B", "C"})
        r->Add(QString::fromLatin1(n), bsIncreaseAlpha);
    RuleRecorder rec(r);
    EXPECT_VBERROR(r->Drag(2, 3), E(2008));
    EXPECT_VBERROR(r->Drag(2, 2), E(2008));
    EXPECT_VBERROR(r->Drag(2, QVariant(), 1), E(2008));
    EXPECT_VBERROR(r->Drag(2), E(2003));
    EXPECT_VBERROR(r->Drag(2, 1, 3), E(2003));
    EXPECT_TRUE(rec.events.isEmpty());
    r->Drag(2, 1);
    EXPECT_EQ(r->Band(1)->Name(), QStringLiteral("B"));
    r->Drag(QStringLiteral("b"), QVariant(), QStringLiteral("C"));
    EXPECT_EQ(r->Band(3)->Name(), QStringLiteral("B"));
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("BandsChanged"), QStringLiteral("BandsChanged")}));
    auto one = newRule();
    one->Add(QStringLiteral("A"), bsIncreaseAlpha);
    one->Drag(1); // one band: nothing
}

TEST_F(Rule, RemoveAsksTheHostAndRefusesBandsStillInUse)
{
    com::ComPtr<IBand> a = r->Add(QStringLiteral("A"), bsIncreaseNumber);
    com::ComPtr<IBand> b = r->Add(QStringLiteral("B"), bsIncreaseNumber);
    com::ComPtr<IBand> c = r->Add(QStringLiteral("C"), bsIncreaseNumber);
    b->setIncrMode(imTrigered);
    b->setTrigerBand(a.get());
    RuleRecorder rec(r);
    rec.cancelDrop = true;
    r->Remove(QStringLiteral("A"));
    EXPECT_EQ(r->Count(), 3);
    rec.cancelDrop = false;
    const vb::Error e = errorOf([&] { r->Remove(1); });
    EXPECT_EQ(e.number(), E(2009));
    EXPECT_TRUE(e.description().endsWith(QStringLiteral("\r\n\r\nB")));
    EXPECT_EQ(r->Count(), 3);

    c->TrackBands()->Add(QStringLiteral("a"));
    b->setTrigerBand(nullptr);
    ui::script::answer(ui::vbNo);
    EXPECT_VBERROR(r->Remove(1), E(2011));
    EXPECT_TRUE(ui::script::last().prompt.endsWith(QStringLiteral("\r\n\r\nC")));
    EXPECT_EQ(ui::script::last().title, QStringLiteral("Designer"));
    EXPECT_EQ(r->Count(), 3);
    ui::script::answer(ui::vbYes);
    r->Remove(1);
    EXPECT_EQ(r->Count(), 2);
    EXPECT_EQ(c->TrackBands()->Count(), 0);
    EXPECT_EQ(rec.events.last(), QStringLiteral("BandsChanged"));
}

TEST_F(Rule, TrackBandsAcceptOnlyOtherBandsOfTheRule)
{
    com::ComPtr<IBand> a = r->Add(QStringLiteral("A"), bsIncreaseNumber);
    r->Add(QStringLiteral("B"), bsIncreaseAlpha);
    const vb::Error self = errorOf([&] { a->TrackBands()->Add(QStringLiteral("a")); });
    EXPECT_EQ(self.number(), E(2022));
    EXPECT_EQ(self.description(), QStringLiteral("Failed to add item.No sense to track itself."));
    EXPECT_VBERROR(a->TrackBands()->Add(QStringLiteral("Z")), E(2022));
    a->TrackBands()->Add(QStringLiteral("b"));
    EXPECT_VBERROR(a->TrackBands()->Add(QStringLiteral("B")), vb::errKeyExists);
    // a trigger from another rule whose name matches is accepted; its own name is not
    auto other = newRule();
    com::ComPtr<IBand> foreign = other->Add(QStringLiteral("B"), bsIncreaseAlpha);
    a->setTrigerBand(foreign.get());
    EXPECT_EQ(a->TrigerBand(), foreign);
    EXPECT_VBERROR(a->setTrigerBand(a.get()), E(2038));
    com::ComPtr<IBand> stray = other->Add(QStringLiteral("Q"), bsIncreaseAlpha);
    EXPECT_EQ(errorOf([&] { a->setTrigerBand(stray.get()); }).description(),
              QStringLiteral("Invalid parametre(s) or value.\r\n\r\nTrigger Band"));
}

TEST_F(Rule, FieldsBoundToBandsCannotBeRemoved)
{
    com::ComPtr<IList> grp = r->UsrFields()->Add(QStringLiteral("Grp"), QStringLiteral("Group"));
    r->UsrFields()->Add(QStringLiteral("Free"));
    r->Add(QStringLiteral("G1"), bsUsrField, smNoneSwap, QString(), grp.get(), 2);
    r->Add(QStringLiteral("G2"), bsUsrField, smNoneSwap, QString(), grp.get(), 2);
    EXPECT_EQ(r->UsedFields()->Count(), 1);
    EXPECT_EQ(r->UsedFields()->Item(1), grp);
    const vb::Error e = errorOf([&] { r->UsrFields()->Remove(QStringLiteral("Grp")); });
    EXPECT_EQ(e.number(), E(2015));
    EXPECT_EQ(e.description(), QStringLiteral("Failed to drop item.The field [Group] is bounded to the following "
                                              "Band:\r\n\r\nG1 G2"));
    RuleRecorder rec(r);
    r->UsrFields()->Remove(QStringLiteral("Free"));
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("FieldsChanged")});
    // a macro band needs an item of the macros
    EXPECT_EQ(errorOf([&] { r->Add(QStringLiteral("M"), bsUsrMacro, smNoneSwap, QString(), grp.get()); })
                  .description(),
              QStringLiteral("Invalid parametre(s) or value.\r\n\r\nField/Macro"));
}

TEST_F(Rule, LayeredBandsFollowTheBandsAndInvalidateTheTree)
{
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F"));
    com::ComPtr<IBand> a = r->Add(QStringLiteral("A"), bsUsrField, smLayersSwap, QString(), f.get());
    com::ComPtr<IBand> b = r->Add(QStringLiteral("B"), bsUsrField, smLayersSwap, QString(), f.get());
    EXPECT_EQ(r->LayeredBands()->Count(), 2);
    EXPECT_EQ(a->Relations(), r->Relations());
    EXPECT_EQ(errorOf([&] { r->LayeredBands()->Add(QStringLiteral("X")); }).description(),
              QStringLiteral("Failed to add item.Incorrect layer name."));
    EXPECT_VBERROR(r->LayeredBands()->Remove(QStringLiteral("A")), E(2015));

    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("1"), QStringLiteral("one"));
    RuleRecorder rec(r);
    b->setSwapMode(smSimpleSwap);
    EXPECT_EQ(r->LayeredBands()->Count(), 1);
    EXPECT_EQ(r->Relations()->Count(), 0);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Layered relations affected,please setup it again."));
    EXPECT_EQ(ui::script::last().style, ui::vbInformation);
    EXPECT_TRUE(rec.events.contains(QStringLiteral("LayeredBandsChanged")));
    EXPECT_EQ(b->Relations()->Count(), 0);
    EXPECT_EQ(b->Relations()->Style(), tsSimplified);
    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("1"), QStringLiteral("one"));
    r->Remove(QStringLiteral("A"));
    EXPECT_EQ(r->LayeredBands()->Count(), 0);
    EXPECT_EQ(r->Relations()->Count(), 0);
}

TEST_F(Rule, ClsEmptiesBandsTreeLayersAndUsedFieldsButKeepsFields)
{
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F"));
    r->Add(QStringLiteral("A"), bsUsrField, smLayersSwap, QString(), f.get());
    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("1"), QStringLiteral("one"));
    RuleRecorder rec(r);
    r->Cls();
    EXPECT_EQ(r->Count(), 0);
    EXPECT_EQ(r->Relations()->Count(), 0);
    EXPECT_EQ(r->LayeredBands()->Count(), 0);
    EXPECT_EQ(r->UsedFields()->Count(), 0);
    EXPECT_EQ(r->UsrFields()->Count(), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(rec.events.last(), QStringLiteral("BandsChanged"));
}

TEST_F(Rule, SettingsAreCheckedBeforeTheyAreStored)
{
    EXPECT_VBERROR(r->setSeparaOfMonth(29), E(2003));
    EXPECT_EQ(r->SeparaOfMonth(), 1);
    r->setSeparaOfWeek(wdUseSystem);
    EXPECT_EQ(r->SeparaOfWeek(), wdUseSystem);
    EXPECT_VBERROR(r->setSeparaOfWeek(WeekDays(8)), E(2003));
    EXPECT_VBERROR(r->setSeparaOfYear(13), E(2003));
    EXPECT_VBERROR(r->setStyle(CodeStyles(2)), E(2003));
    EXPECT_VBERROR(r->setApplyMode(ApplyModes(-1)), E(2003));
    r->setSeparaOfDay(QTime(8, 30, 45));
    EXPECT_EQ(r->SeparaOfDay(), QTime(8, 30));
    r->setName(QStringLiteral("  Rule "));
    EXPECT_EQ(r->Name(), QStringLiteral("Rule"));
    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("ab"), QStringLiteral("x"));
    r->setCodeUCased(false);
    EXPECT_EQ(r->Relations()->Node(1)->Text(), QStringLiteral("AB"));
    EXPECT_FALSE(r->CodeUCased());
}

TEST_F(Rule, SaveComparesExactlyAsksAndReportsAFailedSave)
{
    r->setName(QStringLiteral("Rule"));
    RuleRecorder rec(r);
    rec.stored = r->Definition();
    r->Save(soDefault);
    EXPECT_FALSE(rec.events.contains(QStringLiteral("Save"))); // unchanged
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // a change of letter case only is a change
    rec.stored = r->Definition().toLower();
    ui::script::answer(ui::vbNo);
    r->Save(soDefault);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Do you want to save change(s)?"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_FALSE(rec.events.contains(QStringLiteral("Save")));
    ui::script::answer(ui::vbYes);
    r->Save(soDefault);
    EXPECT_EQ(rec.stored, r->Definition());

    rec.events.clear();
    ui::script::clear();
    r->Save(soSaveEnsured | soNoPrompt);
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Save")});
    EXPECT_TRUE(ui::script::shown().isEmpty());

    rec.achieve = false;
    const vb::Error e = errorOf([&] { r->Save(soSaveEnsured | soNoPrompt); });
    EXPECT_EQ(e.number(), 2005);
    EXPECT_EQ(e.description(), QStringLiteral("Save failure."));
}

TEST_F(Rule, ListenersMayCallBackAndSeveralListenAtOnce)
{
    RuleRecorder one(r), two;
    r->advise(&two);
    // the first listener adds a band from inside BandsChanged, once
    one.onBandsChanged = [&] {
        one.onBandsChanged = nullptr;
        r->Add(QStringLiteral("Inner"), bsIncreaseAlpha);
    };
    r->Add(QStringLiteral("Outer"), bsIncreaseAlpha);
    EXPECT_EQ(r->Count(), 2);
    EXPECT_EQ(two.events.count(QStringLiteral("BandsChanged")), 2);
    impl(r)->RaiseAddField(QString());
    EXPECT_TRUE(one.events.contains(QStringLiteral("AddField:")));
    EXPECT_TRUE(two.events.contains(QStringLiteral("AddField:")));
    r->unadvise(&two);
    r->Remove(1);
    EXPECT_EQ(two.events.count(QStringLiteral("BandsChanged")), 2);
}

TEST_F(Rule, AHostChangingTheRuleWhileAnsweringIsSafe)
{
    r->Add(QStringLiteral("K"), bsIncreaseAlpha)->setValue(QStringLiteral("K"));
    r->Add(QStringLiteral("N"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 2, QStringLiteral("00"))
        ->TrackBands()
        ->Add(QStringLiteral("K"));
    struct Meddler : RuleRecorder {
        using RuleRecorder::RuleRecorder;
        void GetLastCode(QString&, QString& Value) override
        {
            rule->Add(QStringLiteral("Late"), bsFixed, smNoneSwap, QStringLiteral("Z"));
            Value = QStringLiteral("K07");
        }
    } host(r);
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("K08"));
    EXPECT_EQ(r->Count(), 3);
}

TEST_F(Rule, MessagesFollowTheUsersLanguage)
{
    res::setUserLanguage(2052);
    EXPECT_EQ(errorOf([&] { r->setSeparaOfMonth(0); }).description(), QStringLiteral("无效的参数或赋值。"));
    EXPECT_EQ(errorOf([&] { r->Add(QString()); }).description(), QStringLiteral("无效的参数或赋值。\r\n\r\n名称"));
    ui::script::answer(ui::vbNo);
    r->Save(soSaveEnsured);
    EXPECT_EQ(ui::script::last().title, QStringLiteral("编码设计器"));
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("确实要保存所做修改吗?"));
    res::setUserLanguage(1033);
}

} // namespace

namespace {

TEST_F(Rule, BandsTogetherStayWithinWhatACodeHolds)
{
    com::ComPtr<IBand> a = r->Add(QStringLiteral("A"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 200);
    // a band that would make the code longer is refused and the rule keeps its bands
    EXPECT_VBERROR(r->Add(QStringLiteral("B"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 56), E(2003));
    EXPECT_VBERROR(r->Add(QStringLiteral("F"), bsFixed, smNoneSwap, QString(56, QLatin1Char('x'))), E(2003));
    EXPECT_EQ(r->Count(), 1);
    com::ComPtr<IBand> b = r->Add(QStringLiteral("B"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 55);
    EXPECT_EQ(r->Length(), 255);
    EXPECT_VBERROR(a->setLength(201), E(2003));
    EXPECT_VBERROR(b->setLength(std::numeric_limits<qint32>::max()), E(2003));
    a->setLength(100);
    b->setLength(155);
    EXPECT_EQ(r->Length(), 255);
    // alone, too
    auto lone = com::make<BandImpl>();
    lone->setStyle(bsFixed);
    EXPECT_VBERROR(lone->setDefault(QString(256, QLatin1Char('x'))), E(2003));
    EXPECT_EQ(lone->Length(), 1);
}

} // namespace
