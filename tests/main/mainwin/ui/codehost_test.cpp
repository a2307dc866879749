// The main window as the code rule's host, through a rule made by class identifier: last
// codes from the stored devices, the stored rule, user fields.
#include "main/core/defaultrule.h"
#include "main/core/mdlmisc.h"
#include "main/core/globals.h"
#include "main/core/schema.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include "platform/ui/modal.h"
#include "shared/com/create.h"
#include "tests/common/faultvfs.h"
#include "tests/main/devices/devicefixture.h"
#include <QDialog>
#include <QPushButton>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

class CodeHostTest : public testutil::DeviceDatabaseTest {
protected:
    void SetUp() override
    {
        DeviceDatabaseTest::SetUp();
        ui::script::clear();
        folder->registerComponents();
        gCodes = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
        ASSERT_TRUE(gCodes);
    }
    void TearDown() override
    {
        gCodes = nullptr;
        DeviceDatabaseTest::TearDown();
    }
    // A rule of a fixed band `prefix` and a four-digit counter that tracks it.
    static void prefixRule(const QString& prefix)
    {
        gCodes->Cls();
        gCodes->Add(u"P"_s, tessaly::bsFixed, tessaly::smNoneSwap, prefix, nullptr, int(prefix.size()));
        com::ComPtr<tessaly::IBand> n =
            gCodes->Add(u"N"_s, tessaly::bsIncreaseNumber, tessaly::smNoneSwap, QString(), nullptr, 4, u"0000"_s);
        n->TrackBands()->Add(u"P"_s);
    }
    QString storedRule() { return SysInfoText(u"CodeRule"_s, QString(), nullptr, u"Memo"_s); }
    // Another copy, on its own connection to the file, stores a rule.
    static void storeFromB(const QString& rule)
    {
        dao::Database b = dao::DBEngine::OpenDatabase(gDatabase.Name(), false, false, schema::connectString());
        std::swap(gDatabase, b);
        StoreSysInfo(u"CodeRule"_s, rule, u"Memo"_s);
        std::swap(gDatabase, b);
        b.Close();
    }
};

TEST_F(CodeHostTest, NewNumbersFollowTheStoredDevicesWhoseBandsMatchLiterally)
{
    const QStringList numbers = {u"A-0001"_s, u"A-0002"_s, u"B-0003"_s, u"A-10"_s, u"C*0007"_s, u"CX0009"_s,
                                 u"D#0004"_s, u"D50005"_s, u"O'0006"_s};
    for (int i = 0; i < numbers.size(); ++i)
        addDevice(i + 1, numbers[i]);
    frmMain w;
    w.Form_Load();
    struct Case {
        QString prefix;
        QString next;
    } cases[] = {
        {u"A-"_s, u"A-0003"_s}, {u"B-"_s, u"B-0004"_s}, {u"Z-"_s, u"Z-0001"_s},
        {u"C*"_s, u"C*0008"_s},   // "*" is no wildcard: CX0009 is not taken for it
        {u"D#"_s, u"D#0005"_s},   // nor "#"
        {u"O'"_s, u"O'0007"_s},   // a quote finds its code instead of failing
    };
    for (const Case& c : cases) {
        prefixRule(c.prefix);
        EXPECT_EQ(gCodes->GetCode(tessaly::gsNewCode), c.next) << c.prefix.toStdString();
    }
    // The answer itself: A-???? gives A-0002, A-? does not find A-10.
    QString filter = u"A-????"_s;
    QString value;
    w.GetLastCode(filter, value);
    EXPECT_EQ(value, u"A-0002"_s);
    filter = u"A-?"_s;
    value.clear();
    w.GetLastCode(filter, value);
    EXPECT_EQ(value, QString());
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(CodeHostTest, SavedRulesAreStoredExactlyAndAFailedWriteIsReported)
{
    gDatabase.Execute(u"DELETE * FROM [SysInfo] WHERE [Type]='CodeRule';"_s);
    const int next = GetNewID(u"SysInfo"_s, u"ID"_s).toInt() + 1;   // the key after this
    prefixRule(u"Q'*"_s);
    auto w = std::make_unique<frmMain>();
    w->Form_Load();

    // A first save makes the row with the next key; the text reads back exactly.
    gCodes->Save(tessaly::soNoPrompt);
    EXPECT_EQ(storedRule(), gCodes->Definition());
    EXPECT_EQ(count(u"SELECT * FROM [SysInfo] WHERE [Type]='CodeRule' AND [ID]="_s + QString::number(next)), 1);
    QString settings;
    w->GetSettings(QString(), settings);
    EXPECT_EQ(settings, gCodes->Definition());
    // Unchanged: the rule sees it and saves nothing (no question asked either).
    gCodes->Save(tessaly::soDefault);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // A write that fails reaches the rule as its 2005; the stored text stays.
    const QString before = storedRule();
    gCodes->Add(u"X"_s, tessaly::bsFixed, tessaly::smNoneSwap, u"X"_s, nullptr, 1);
    int number = 0;
    {
        faultvfs::Guard fault(faultvfs::Sync, 1, -1, u"Ostrel.mdb"_s);
        try {
            gCodes->Save(tessaly::soNoPrompt);
        } catch (const vb::Error& e) {
            number = e.number();
        }
    }
    EXPECT_EQ(number, 2005);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
    EXPECT_EQ(storedRule(), before);

    // Another copy stored its rule after this one read it, and maybe again while the question is
    // open: this one's is written over it only on Yes, asked again when it changed once more.
    // The question names the bands that differ.
    const QString mine = gCodes->Definition();
    prefixRule(u"B-"_s);
    const QString theirs = gCodes->Definition();
    prefixRule(u"C-"_s);
    const QString theirsAgain = gCodes->Definition();
    ASSERT_TRUE(gCodes->Load(QVariant(mine)));
    const struct {
        QList<int> answers;
        bool again;
        QString stored;
    } cases[] = {{{ui::vbNo}, false, theirs},
                 {{ui::vbYes}, false, mine},
                 {{ui::vbYes, ui::vbNo}, true, theirsAgain},
                 {{ui::vbYes, ui::vbYes}, true, mine}};
    for (const auto& c : cases) {
        storeFromB(theirs);
        ui::script::clear();
        for (int a : c.answers)
            ui::script::answer(a);
        if (c.again)
            ui::script::whileShown([&](const ui::ShownBox&) {
                storeFromB(theirsAgain);
                ui::script::whileShown({});
            });
        number = 0;
        try {
            gCodes->Save(tessaly::soNoPrompt);
        } catch (const vb::Error& e) {
            number = e.number();
        }
        EXPECT_EQ(number, c.stored == mine ? 0 : 2005);
        const QList<ui::ShownBox> asked = ui::script::shown();
        ASSERT_GE(asked.size(), c.answers.size());
        EXPECT_TRUE(asked[0].prompt.contains(u"区段“P”的当前值：您的值“Q'*”，已保存的值“B-”"_s))
            << asked[0].prompt.toStdString();
        EXPECT_TRUE(asked[0].prompt.contains(u"区段“X”：您的值“固定值，长度 1”，已保存的值“（无此区段）”"_s));
        if (c.again)
            EXPECT_TRUE(asked[1].prompt.contains(u"已保存的值“C-”"_s)) << asked[1].prompt.toStdString();
        EXPECT_EQ(storedRule(), c.stored);
    }

    // Unloading lets go of the rule: unadvised, then cleared and released.
    w->close();
    w.reset();
    EXPECT_FALSE(gCodes);   // released at unload
}

TEST_F(CodeHostTest, ANewDatabasesRuleLeavesTheDesignerUnchangedWithoutAQuestion)
{
    const QString stored = storedRule();
    ASSERT_EQ(stored, DefaultCodeRule());
    gCodes->Load(QVariant(stored), QString());
    frmMain w;
    w.Form_Load();
    w.mnuFileDevRule_Click(); // opens and closes the designer
    EXPECT_TRUE(ui::script::shown().isEmpty()) << ui::script::last().prompt.toStdString();
    EXPECT_EQ(storedRule(), stored);
}

// The designer's "+" prompt, its save question and the host's question stand over it.
TEST_F(CodeHostTest, TheDesignersQuestionsAndPromptsStandOverIt)
{
    gCodes->Load(QVariant(storedRule()));
    frmMain w;
    w.Form_Load();
    const QWidget* designer = nullptr;
    QList<ui::ShownBox> shown;
    ui::setModalHook([&](QDialog* d) {
        designer = d;
        d->setWindowModality(Qt::ApplicationModal);
        d->show();
        ui::script::answerInput(u"新字段"_s);
        QPushButton* append = d->findChild<QPushButton*>(u"cmdAppend"_s);
        ASSERT_TRUE(append->isEnabled());
        append->click();
        storeFromB(u"#####0\r另一规则"_s);
        ui::script::answer(ui::vbYes);
        ui::script::answer(ui::vbNo);
        d->findChild<QPushButton*>(u"cmdSave"_s)->click();
        shown = ui::script::shown();
        d->hide();
    });
    w.mnuFileDevRule_Click();
    ui::setModalHook(nullptr);
    ASSERT_EQ(shown.size(), 4);   // the name, 2039, the host's question, 2005
    for (const ui::ShownBox& b : shown)
        EXPECT_EQ(b.parent, designer) << b.prompt.toStdString();
}

TEST_F(CodeHostTest, AddFieldAsksForANameAndShowsTheLibrarysRefusal)
{
    frmMain w;
    w.Form_Load();
    const int fields = gCodes->UsrFields()->Count();
    ui::script::answerInput(QString(), true);
    w.AddField(u"ignored"_s);
    EXPECT_EQ(gCodes->UsrFields()->Count(), fields);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"Name:"_s);
    EXPECT_EQ(ui::script::last().title, plat::appTitle());

    ui::script::answerInput(u"新字段"_s);
    w.AddField(QString());
    ASSERT_EQ(gCodes->UsrFields()->Count(), fields + 1);
    EXPECT_EQ(gCodes->UsrFields()->Item(fields + 1)->Name(), u"新字段"_s);

    // The same name again: the library refuses, its message is shown.
    ui::script::clear();
    ui::script::answerInput(u"新字段"_s);
    w.AddField(QString());
    EXPECT_EQ(gCodes->UsrFields()->Count(), fields + 1);
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_FALSE(ui::script::last().prompt.isEmpty());
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));

    w.DropField(u"新字段"_s);
    EXPECT_EQ(gCodes->UsrFields()->Count(), fields);
    ui::script::clear();
    w.DropField(u"无此字段"_s);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
}

} // namespace
