#include "main/core/defaultrule.h"
#include "rulegen/include/tessaly.h"
#include "shared/com/create.h"
#include "tests/main/core/dbfixture.h"
#include "main/core/ui/mdlwidgets.h"

using namespace ostrel;
using namespace tessaly;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

namespace {

// Answers GetLastCode with a set code and records the filters asked for.
struct LastCodeHost : ICodeClassEvents {
    QString last;
    QStringList filters;
    void GetLastCode(QString& Filter, QString& Value) override
    {
        filters << Filter;
        Value = last;
    }
};

class DefaultRuleTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        folder->registerComponents();
    }
    static com::ComPtr<ICodeClass> newRule() { return com::createObject<ICodeClass>(CLSID_CodeClass); }
};

// The default rule built through the engine's operations: bands first (adding a layered
// band clears the tree), then the tree.
com::ComPtr<ICodeClass> buildDefaultRule(const com::ComPtr<ICodeClass>& r)
{
    r->setAllowSetup(true); // as the designer stores it
    const QStringList fields = {u"设备大类"_s, u"设备属类"_s, u"设备组别"_s, u"购置年代"_s};
    for (const QString& f : fields)
        r->UsrFields()->Add(f);
    const QStringList bands = {u"大类"_s, u"属类"_s, u"组别"_s};
    for (int i = 0; i < 3; ++i)
        r->Add(bands[i], bsUsrField, smLayersSwap, QString(), r->UsrFields()->Item(fields[i]).get(), 2);
    r->Add(u"年代"_s, bsUsrField, smNoneSwap, QString(), r->UsrFields()->Item(fields[3]).get(), 4, u"yyyy"_s);
    com::ComPtr<IBand> no = r->Add(u"序号"_s, bsIncreaseNumber, smNoneSwap, QString(), nullptr, 4, u"0000"_s);
    for (const QString& b : bands + QStringList{u"年代"_s})
        no->TrackBands()->Add(b);
    const QDateTime made(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 1; i <= r->Count(); ++i)
        r->Band(i)->setDateUpdated(made);

    // code, value, children (code, value, grandchildren "code value" ...)
    struct Level2 {
        const char16_t* code;
        const char16_t* value;
        QList<QPair<QString, QString>> leaves;
    };
    struct Level1 {
        const char16_t* code;
        const char16_t* value;
        QList<Level2> children;
    };
    const QList<Level1> tree = {
        {u"01", u"机械设备",
         {{u"01", u"金属切削机床", {{u"01"_s, u"车床"_s}, {u"02"_s, u"铣床"_s}, {u"03"_s, u"钻床"_s}}},
          {u"02", u"锻压设备", {{u"01"_s, u"压力机"_s}, {u"02"_s, u"剪板机"_s}}}}},
        {u"02", u"电气设备",
         {{u"01", u"动力设备", {{u"01"_s, u"变压器"_s}, {u"02"_s, u"电动机"_s}}},
          {u"02", u"仪器仪表", {{u"01"_s, u"电工仪表"_s}, {u"02"_s, u"计量仪器"_s}}},
          {u"03", u"办公设备", {{u"01"_s, u"计算机"_s}, {u"02"_s, u"打印机"_s}}}}},
        {u"03", u"运输设备",
         {{u"01", u"车辆", {{u"01"_s, u"客车"_s}, {u"02"_s, u"货车"_s}}},
          {u"02", u"起重设备", {{u"01"_s, u"桥式起重机"_s}, {u"02"_s, u"叉车"_s}}}}},
    };
    com::ComPtr<ICNodes> t = r->Relations();
    for (const Level1& a : tree) {
        const QString ka = t->Add(QVariant(), tvwLast, QString::fromUtf16(a.code), QString::fromUtf16(a.value))->Key();
        for (const Level2& b : a.children) {
            const QString kb =
                t->Add(ka, tvwChild, QString::fromUtf16(b.code), QString::fromUtf16(b.value))->Key();
            for (const auto& c : b.leaves)
                t->Add(kb, tvwChild, c.first, c.second);
        }
    }
    return r;
}

} // namespace

TEST_F(DefaultRuleTest, TheConstantIsTheRuleBuiltThroughTheEngine)
{
    const QString built = buildDefaultRule(newRule())->Definition();
    EXPECT_EQ(DefaultCodeRule(), built);
}

TEST_F(DefaultRuleTest, ANewDatabaseNumbersItsFirstDeviceAtOnce)
{
    // as start-up loads it
    auto rule = newRule();
    rule->Load(QVariant(ReadSysInfo(u"CodeRule"_s, QString(), nullptr, u"Memo"_s)), QString());
    EXPECT_EQ(rule->Definition(), DefaultCodeRule());
    ASSERT_EQ(rule->LayeredBands()->Count(), 3);
    com::ComPtr<ICNodes> tree = rule->Relations();
    int layers[3] = {0, 0, 0};
    for (const auto& n : tree->NewEnum()) {
        ASSERT_LT(n->Layer(), 3);
        ++layers[n->Layer()];
        EXPECT_EQ(n->Text().size(), 2);
    }
    EXPECT_EQ(layers[0], 3);
    EXPECT_GE(layers[1], 6);
    EXPECT_GE(layers[2], 12);

    LastCodeHost host;
    rule->advise(&host);
    rule->UsrFields()->Item(u"设备大类"_s)->setValue(u"机械设备"_s);
    rule->UsrFields()->Item(u"设备属类"_s)->setValue(u"金属切削机床"_s);
    rule->UsrFields()->Item(u"设备组别"_s)->setValue(u"铣床"_s);
    rule->UsrFields()->Item(u"购置年代"_s)->setValue(u"2003-05-06 10:20"_s);
    const QString first = rule->GetCode(gsNewCode);
    EXPECT_EQ(first, u"01010220030001"_s);
    EXPECT_EQ(host.filters, QStringList{u"0101022003????"_s});
    host.last = first;
    EXPECT_EQ(rule->GetCode(gsNewCode), u"01010220030002"_s);
    rule->unadvise(&host);
}
