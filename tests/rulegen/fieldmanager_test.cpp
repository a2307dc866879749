// The user-field manager, opened through ShowFieldManage on a rule made by class identifier.
#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/designer/frmadvanceds.h"
#include "rulegen/designer/frmdropfields.h"
#include <QListWidget>
#include <QPushButton>

namespace {

using namespace rt;

using Fields = rt::LibraryRuleTest;

QStringList items(QListWidget* l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t << l->item(i)->text();
    return t;
}

QStringList fieldNames(ICodeClass* r)
{
    QStringList n;
    for (const auto& f : r->UsrFields()->NewEnum())
        n << f->Name();
    return n;
}

// Adds the field the designer asks for, as the host does.
struct Host : ICodeClassEvents {
    ICodeClass* rule;
    explicit Host(ICodeClass* r) : rule(r) { rule->advise(this); }
    ~Host() { rule->unadvise(this); }
    void AddField(const QString&) override { rule->UsrFields()->Add(QStringLiteral("New"), QStringLiteral("新字段")); }
};

TEST_F(Fields, ListShowsDisplayNamesWhileDroppingUsesNamesAndTheFirstItemStaysCurrent)
{
    r->UsrFields()->Add(QStringLiteral("Grp"), QStringLiteral("设备组别"));
    r->UsrFields()->Add(QStringLiteral("Yr"), QStringLiteral("购置年代"));
    QStringList before, after;
    ModalDriver driver([&](QDialog* d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("frmDropFields"));
        EXPECT_EQ(d->windowTitle(), msg(1803));
        auto* list = child<QListWidget>(d, "lstFields");
        before = items(list);
        EXPECT_EQ(list->currentRow(), 0);
        list->setCurrentRow(1);
        ui::script::answer(ui::vbNo);
        child<QPushButton>(d, "cmdDrop")->click();
        EXPECT_EQ(fieldNames(r.get()).size(), 2);
        ui::script::answer(ui::vbYes);
        child<QPushButton>(d, "cmdDrop")->click();
        after = items(list);
        EXPECT_EQ(list->currentRow(), 0);
        child<QPushButton>(d, "cmdClose")->click();
    });
    r->ShowFieldManage(QStringLiteral("   "));
    EXPECT_EQ(driver.shown, 1);
    EXPECT_EQ(before, (QStringList{QStringLiteral("设备组别"), QStringLiteral("购置年代")}));
    EXPECT_EQ(after, QStringList{QStringLiteral("设备组别")});
    const auto boxes = ui::script::shown();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].prompt, msg(2017) + QStringLiteral("\r\n\r\nYr"));
    EXPECT_EQ(ui::buttonSet(boxes[1].style), ui::vbYesNo);
    EXPECT_EQ(fieldNames(r.get()), QStringList{QStringLiteral("Grp")});
    // the closed window no longer listens: the rule's next event reaches nobody
    r->UsrFields()->Add(QStringLiteral("Later"));
    EXPECT_EQ(r->UsrFields()->Count(), 2);
}

TEST_F(Fields, ABoundFieldIsRefusedOnceAndTheOtherCheckedFieldsGo)
{
    com::ComPtr<IList> b;
    for (const char* n : {"A", "B", "C"}) {
        com::ComPtr<IList> f = r->UsrFields()->Add(QLatin1String(n), QStringLiteral("字段") + QLatin1String(n));
        if (QLatin1String(n) == QLatin1String("B"))
            b = f;
    }
    r->Add(QStringLiteral("Bound"), bsUsrField, smNoneSwap, QString(), b.get(), 2);
    QStringList left;
    ModalDriver driver([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "lstFields");
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(Qt::Checked);
        ui::script::answer(ui::vbYes);
        child<QPushButton>(d, "cmdDrop")->click();
        left = items(list);
    });
    r->ShowFieldManage(QString());
    EXPECT_EQ(left, QStringList{QStringLiteral("字段B")});
    EXPECT_EQ(fieldNames(r.get()), QStringList{QStringLiteral("B")});
    const auto boxes = ui::script::shown();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].prompt, msg(2017) + QStringLiteral("\r\n\r\nA;B;C"));
    QString refusal = msg(2014);
    refusal.replace(QLatin1Char('*'), QStringLiteral("[字段B]"));
    EXPECT_EQ(boxes[1].prompt, msg(2015) + refusal + QStringLiteral("\r\n\r\nBound"));
    EXPECT_EQ(ui::iconOf(boxes[1].style), ui::vbInformation);
}

TEST_F(Fields, NothingCurrentAsksToSelectAndAnEmptyListDoesNothing)
{
    r->UsrFields()->Add(QStringLiteral("A"));
    ModalDriver driver([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "lstFields");
        list->setCurrentRow(-1);
        child<QPushButton>(d, "cmdDrop")->click();
    });
    r->ShowFieldManage(QString());
    EXPECT_EQ(prompts(), QStringList{msg(2028)});
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
    EXPECT_EQ(r->UsrFields()->Count(), 1);

    ui::script::clear();
    r->UsrFields()->Remove(QStringLiteral("A"));
    int rows = -1;
    ModalDriver empty([&](QDialog* d) {
        rows = child<QListWidget>(d, "lstFields")->count();
        child<QPushButton>(d, "cmdDrop")->click();
    });
    r->ShowFieldManage(QString());
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(Fields, AddAsksTheHostWhoseNewFieldShowsInTheList)
{
    Host host(r.get());
    QStringList after;
    QString title;
    ModalDriver driver([&](QDialog* d) {
        title = d->windowTitle();
        child<QPushButton>(d, "cmdAdd")->click();
        after = items(child<QListWidget>(d, "lstFields"));
    });
    r->ShowFieldManage(QStringLiteral(" 字段 "));
    EXPECT_EQ(title, QStringLiteral("字段"));
    EXPECT_EQ(after, QStringList{QStringLiteral("新字段")});
}

TEST(FieldsAndOptions, ShowInfoWithoutAnyRuleFailsWith91)
{
    frmDropFields fields;
    EXPECT_VBERROR(fields.ShowInfo(nullptr, -1, QString()), vb::errObjectNotSet);
    frmAdvanceds options;
    EXPECT_VBERROR(options.ShowInfo(nullptr, QString()), vb::errObjectNotSet);
}

} // namespace
