#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "main/core/schema.h"
#include "main/devices/devicerecord.h"
#include "main/devices/registration.h"
#include "platform/core/format.h"
#include "platform/ui/beep.h"
#include "platform/ui/filedialog.h"
#include "main/devices/ui/frmpictures.h"
#include "platform/ui/modal.h"
#include "tests/main/devices/ui/editorfixture.h"
#include <QApplication>
#include <QMouseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::EditorTest;

namespace {

QStringList items(const QComboBox* c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

// Every column of a device row, the picture as bytes.
QVariantMap rowOf(qint32 id)
{
    dao::Recordset rs = devices::OpenDevice(id);
    QVariantMap m;
    if (!rs.Eof())
        for (int i = 0; i < rs.Fields().Count(); ++i)
            m.insert(rs.Fields(i).Name(), rs.Fields(i).Value());
    rs.Close();
    return m;
}

} // namespace

TEST_F(EditorTest, LoadingFillsThePickListsAndTheFirstClassAndEnablesByRights)
{
    openEditor();
    EXPECT_EQ(editor->cboGroup->currentText(), u"未指定"_s);
    EXPECT_EQ(editor->cboMaster->currentText(), u"(无)"_s);
    EXPECT_EQ(items(editor->cboDevice[0]), (QStringList{u"01  机械设备"_s, u"02  电气设备"_s, u"03  运输设备"_s}));
    EXPECT_EQ(editor->cboDevice[0]->currentIndex(), 0);
    EXPECT_EQ(items(editor->cboDevice[1]), (QStringList{u"01  金属切削机床"_s, u"02  锻压设备"_s}));
    EXPECT_EQ(editor->cboDevice[1]->currentIndex(), -1);
    EXPECT_EQ(editor->cboDepart->count(), 3);
    EXPECT_TRUE(vb::IsDate(editor->txtPurDate->text()));
    EXPECT_TRUE(editor->cmdAdd->isEnabled());
    EXPECT_TRUE(editor->cmdSave->isEnabled());
    EXPECT_EQ(editor->lblOperator->text(), u"admin"_s);
    EXPECT_EQ(editor->currentDevice(), 0);
    // a box on a sized column takes no more than the column holds
    for (const auto& [box, size] : std::initializer_list<std::pair<QLineEdit*, int>>{
             {editor->txtDevNo, 50}, {editor->txtCardNo, 50}, {editor->txtPosition, 255}, {editor->txtManufacturer, 255},
             {editor->txtModel, 255}, {editor->txtManuDate, 50}, {editor->txtManuNo, 100}, {editor->txtFund, 255},
             {editor->txtName, 255}})
        EXPECT_EQ(box->maxLength(), size) << box->objectName().toStdString();

    struct Case {
        QString user;
        bool add;
        bool save;
        int departs;
    };
    const Case cases[] = {
        {u"vic"_s, false, false, 3},  // level 1
        {u"carl"_s, false, true, 3},  // level 2 without the right to add
        {u"bob"_s, true, true, 2},    // level 2, departments 0 and 1
    };
    for (const Case& c : cases) {
        logIn(c.user, u"pw"_s);
        openEditor();
        EXPECT_EQ(editor->cmdAdd->isEnabled(), c.add) << c.user.toStdString();
        EXPECT_EQ(editor->cmdSave->isEnabled(), c.save) << c.user.toStdString();
        EXPECT_EQ(editor->cboDepart->count(), c.departs) << c.user.toStdString();
    }
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(EditorTest, ARuleWithoutClassesLeavesLevelOneEmptyAndTheLaterListsFilled)
{
    gCodes->Relations()->Cls();
    openEditor();
    EXPECT_EQ(editor->cboDevice[0]->count(), 0);
    EXPECT_EQ(editor->cboDevice[1]->count(), 0);
    EXPECT_EQ(editor->cboTrans->count(), 2);
    EXPECT_EQ(editor->cboDepart->count(), 3);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // numbering and adding then refuse the class
    editor->cmdAuto->click();
    EXPECT_EQ(prompts(), QStringList{u"数据不合法！设备分类"_s});
}

TEST_F(EditorTest, NumberingSetsTheRuleFieldsAndCountsOnFromTheLastStoredNumber)
{
    openEditor();
    fillNewDevice(u"x"_s);
    editor->cmdAuto->click();
    EXPECT_EQ(editor->txtDevNo->text(), u"01010220030001"_s);
    EXPECT_EQ(gCodes->UsrFields()->Item(u"设备大类"_s)->Value(), u"机械设备"_s);
    EXPECT_EQ(gCodes->UsrFields()->Item(u"设备属类"_s)->Value(), u"金属切削机床"_s);
    EXPECT_EQ(gCodes->UsrFields()->Item(u"设备组别"_s)->Value(), u"铣床"_s);
    EXPECT_EQ(gCodes->UsrFields()->Item(u"购置年代"_s)->Value(), u"2003-05-06 10:20"_s);
    ASSERT_GT(addFilled(), 0);
    editor->cmdAuto->click();
    EXPECT_EQ(editor->txtDevNo->text(), u"01010220030002"_s);

    // an unselected level or no purchase date: the box keeps its text
    ui::script::clear();
    editor->cboDevice[2]->setCurrentIndex(-1);
    editor->cmdAuto->click();
    editor->cboDevice[2]->setCurrentIndex(0);
    editor->txtPurDate->setText(u"去年"_s);
    editor->cmdAuto->click();
    EXPECT_EQ(prompts(), (QStringList{u"数据不合法！设备分类"_s, u"数据不合法！购置年代"_s}));
    EXPECT_EQ(editor->txtDevNo->text(), u"01010220030002"_s);

    // a used-up counter says what happened and what to do
    editor->txtPurDate->setText(u"2003-05-06 10:20"_s);
    addDevice(99, u"01010120039999"_s);
    ui::script::clear();
    editor->cmdAuto->click();
    EXPECT_EQ(prompts(), QStringList{u"本分类的编号已用完：区段“序号”已没有可用的值，无法自动编码。\r\n"
                                     u"请在“设备编码规则..”中加长区段“序号”，或直接输入设备编号。"_s});
    EXPECT_EQ(editor->txtDevNo->text(), u"01010220030002"_s);
}

TEST_F(EditorTest, AddingStoresTheRowAsEnteredAndTellsTheOwnerBeforeTheMessage)
{
    const QByteArray picture = pngBytes(40, 30);
    const QString file = writeFile(u"pic.png"_s, picture);
    addDevice(7, u"HOST-1"_s);
    openEditor();
    fillNewDevice(u" SB-100 "_s);
    chooseText(editor->cboMaster, u"HOST-1"_s);
    chooseText(editor->cboGroup, u"生产设备"_s);
    chooseText(editor->cboCheck, u"合格"_s);
    chooseText(editor->cboState, u"在用"_s);
    chooseText(editor->cboTrans, u"张三"_s);
    editor->txtValue->setText(u" 1234.5 "_s);
    editor->txtMemo->setPlainText(u"  备注  "_s);
    editor->txtManufacturer->setText(u"机床厂"_s);
    editor->txtModel->setText(u"X5032"_s);
    editor->txtManuDate->setText(u"2002年"_s);
    editor->txtManuNo->setText(u" S-1 "_s);
    editor->txtStartToUse->setText(u"2003-06-01 08:00"_s);
    editor->txtFund->setText(u"自筹"_s);
    editor->txtAppend->setText(u"附件一套"_s);
    editor->txtDocument->setText(u"说明书"_s);
    ui::script::answerFile(file);
    editor->cmdChg->click();
    EXPECT_EQ(editor->pictureMark(), devices::PictureChange::Replace);
    ASSERT_FALSE(editor->imgDevice->pixmap().isNull());

    QList<QPair<qint32, qint32>> changes;
    int boxesAtChange = -1;
    QObject::connect(editor.data(), &frmDevices::InfoChg, [&](qint32 kind, qint32 id) {
        changes << qMakePair(kind, id);
        boxesAtChange = ui::script::shown().size();
    });
    const qint32 key = addFilled();
    ASSERT_EQ(key, 8);
    EXPECT_EQ(changes, (QList<QPair<qint32, qint32>>{{0, 8}}));
    EXPECT_EQ(boxesAtChange, 0);
    EXPECT_EQ(prompts(), QStringList{u"添加设备信息成功！"_s});
    EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbInformation));
    EXPECT_EQ(editor->txtDevNo->text(), u"SB-100"_s);

    const QVariantMap row = rowOf(key);
    const QPair<const char*, QString> expected[] = {
        {"设备编号", u"SB-100"_s},       {"卡片编号", u"K- SB-100"_s},
        {"Mas_ID", u"7"_s},              {"Dev_Grp", u"1"_s},
        {"设备大类", u"机械设备"_s},     {"设备属类", u"金属切削机床"_s},
        {"设备组别", u"铣床"_s},         {"购置年代", u"2003-05-06 10:20:00"_s},
        {"验收状况", u"1"_s},            {"设备状况", u"1"_s},
        {"Dep_ID", u"1"_s},              {"安装地点", u"一号车间"_s},
        {"责任人", u"1"_s},              {"价值", u"1234.5"_s},
        {"附加信息", u"备注"_s},         {"Manufacturer", u"机床厂"_s},
        {"Model", u"X5032"_s},           {"ManuDate", u"2002年"_s},
        {"ManuNo", u" S-1 "_s},          // stored as typed
        {"启用日期", u"2003-06-01 08:00:00"_s},
        {"资金来源", u"自筹"_s},         {"附件", u"附件一套"_s},
        {"资料", u"说明书"_s},           {"设备名称", u"铣床一号"_s},
    };
    for (const auto& e : expected)
        EXPECT_EQ(vb::CStr(row[QString::fromUtf8(e.first)]), e.second) << e.first;
    EXPECT_EQ(row[u"图片"_s].toByteArray(), picture);
    EXPECT_EQ(row[u"O_ID"_s].toInt(), gUsrInfos->UsrID());
    // the cache holds the stored picture under the new key
    EXPECT_EQ(gPicInfo().ID(), key);
    EXPECT_EQ(gPicInfo().Picture().size(), QSize(40, 30));
}

TEST_F(EditorTest, AddingLeavesEmptyOptionalBoxesNullAndAPictureNotChosenUnwritten)
{
    addDevice(1, u"P-1"_s);
    {
        dao::Recordset rs = devices::OpenDevice(1, true);
        rs.Edit();
        rs(u"图片"_s).setValue(pngBytes(8, 8));
        rs.Update();
        rs.Close();
    }
    openEditor();
    show(1);
    ASSERT_FALSE(editor->imgDevice->pixmap().isNull());
    fillNewDevice(u"P-2"_s);
    editor->txtValue->clear();
    editor->txtManuNo->clear();
    editor->txtStartToUse->clear();
    editor->txtManuDate->clear();
    const qint32 key = addFilled();
    ASSERT_EQ(key, 2);
    const QVariantMap row = rowOf(key);
    for (const char* column : {"价值", "附加信息", "Manufacturer", "ManuNo", "ManuDate", "启用日期", "附件", "图片"})
        EXPECT_TRUE(row[QString::fromUtf8(column)].isNull()) << column;
    // what is shown and cached is the picture the new row has: none
    EXPECT_TRUE(editor->imgDevice->pixmap().isNull());
    EXPECT_EQ(gPicInfo().ID(), key);
    EXPECT_TRUE(gPicInfo().Picture().isNull());
}

TEST_F(EditorTest, AddingRefusesBadInputAndTakenValuesWithNothingWritten)
{
    addDevice(1, u"SB-1"_s, u"S-1"_s);
    openEditor();
    show(1);
    ui::script::clear();
    struct Case {
        const char* what;
        std::function<void(frmDevices*)> spoil;
        QString message;
    };
    const QString tooLong(300, QLatin1Char('x'));
    const Case cases[] = {
        {"number", [](frmDevices* e) { e->txtDevNo->setText(u"   "_s); }, u"数据不合法！设备编号"_s},
        {"card", [](frmDevices* e) { e->txtCardNo->clear(); }, u"数据不合法！卡片编号"_s},
        {"group", [](frmDevices* e) { e->cboGroup->setCurrentIndex(-1); }, u"数据不合法！所属组别"_s},
        {"host", [](frmDevices* e) { e->cboMaster->setCurrentIndex(-1); }, u"数据不合法！主机编号"_s},
        {"class", [](frmDevices* e) { e->cboDevice[2]->setCurrentIndex(-1); }, u"数据不合法！设备分类"_s},
        {"purchase", [](frmDevices* e) { e->txtPurDate->setText(u"2003-13-45"_s); }, u"数据不合法！购置年代"_s},
        {"check", [](frmDevices* e) { e->cboCheck->setCurrentIndex(-1); }, u"数据不合法！验收状况"_s},
        {"state", [](frmDevices* e) { e->cboState->setCurrentIndex(-1); }, u"数据不合法！设备状况"_s},
        {"depart", [](frmDevices* e) { e->cboDepart->setCurrentIndex(-1); }, u"数据不合法！使用部门"_s},
        {"place", [](frmDevices* e) { e->txtPosition->setText(u" "_s); }, u"数据不合法！安装地点"_s},
        {"person", [](frmDevices* e) { e->cboTrans->setCurrentIndex(-1); }, u"数据不合法！责任人"_s},
        {"in use", [](frmDevices* e) { e->txtStartToUse->setText(u"下月"_s); }, u"数据不合法！启用日期"_s},
        {"name", [](frmDevices* e) { e->txtName->clear(); }, u"数据不合法！设备名称"_s},
        {"taken number", [](frmDevices* e) { e->txtDevNo->setText(u"sb-1"_s); }, u"相同的设备编码已经存在！"_s},
        {"taken serial", [](frmDevices* e) { e->txtManuNo->setText(u" S-1"_s); }, Str(1075)},
    };
    for (const Case& c : cases) {
        fillNewDevice(u"SB-2"_s);
        editor->txtManuNo->clear();
        c.spoil(editor);
        int changes = 0;
        auto connection = QObject::connect(editor.data(), &frmDevices::InfoChg, [&] { ++changes; });
        editor->cmdAdd->click();
        QObject::disconnect(connection);
        EXPECT_EQ(count(u"SELECT * FROM [Dev_Info];"_s), 1) << c.what;
        EXPECT_EQ(editor->currentDevice(), 1) << c.what;
        EXPECT_EQ(changes, 0) << c.what;
        ASSERT_EQ(ui::script::shown().size(), 1) << c.what;
        if (!c.message.isEmpty())
            EXPECT_EQ(ui::script::last().prompt, c.message) << c.what;
        EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbExclamation)) << c.what;
        ui::script::clear();
    }
    // the refused key was not taken: the next add gets 2; a box takes what its column holds
    fillNewDevice(u"SB-2"_s);
    editor->txtName->setText(tooLong);
    EXPECT_EQ(editor->txtName->text(), tooLong.left(255));
    editor->txtManuNo->setText(u"   "_s);  // blanks only: not looked up
    EXPECT_EQ(addFilled(), 2);
}

TEST_F(EditorTest, ShowingFillsEveryControlAndCarriesNothingOver)
{
    addDevice(5, u"HOST"_s);
    openEditor();
    fillNewDevice(u"SB-1"_s);
    chooseText(editor->cboMaster, u"HOST"_s);
    chooseText(editor->cboTrans, u"张三"_s);
    editor->txtManuNo->setText(u"S-9"_s);
    editor->txtValue->setText(u"99"_s);
    ui::script::answerFile(writeFile(u"p.png"_s, pngBytes(20, 10)));
    editor->cmdChg->click();
    const qint32 first = addFilled();
    ASSERT_EQ(first, 6);
    // a row the editor did not write: Null codes, class texts without items, a broken picture
    addDevice(9, u"BARE"_s);
    {
        dao::Recordset rs = devices::OpenDevice(9, true);
        rs.Edit();
        rs(u"设备大类"_s).setValue(u"无此分类"_s);
        rs(u"图片"_s).setValue(QByteArray("not a picture"));
        rs.Update();
        rs.Close();
    }

    openEditor();
    ui::script::clear();
    show(first);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(editor->currentDevice(), first);
    EXPECT_EQ(editor->txtDevNo->text(), u"SB-1"_s);
    EXPECT_EQ(editor->txtCardNo->text(), u"K-SB-1"_s);
    EXPECT_EQ(editor->cboMaster->currentText(), u"HOST"_s);
    EXPECT_EQ(editor->cboDevice[0]->currentText(), u"01  机械设备"_s);
    EXPECT_EQ(editor->cboDevice[1]->currentText(), u"01  金属切削机床"_s);
    EXPECT_EQ(editor->cboDevice[2]->currentText(), u"02  铣床"_s);
    EXPECT_EQ(items(editor->cboDevice[2]), (QStringList{u"01  车床"_s, u"02  铣床"_s, u"03  钻床"_s}));
    EXPECT_EQ(editor->txtPurDate->text(), u"2003-05-06 10:20"_s);
    EXPECT_EQ(editor->cboDepart->currentText(), u"设备科"_s);
    EXPECT_EQ(editor->cboTrans->currentText(), u"张三"_s);
    EXPECT_EQ(editor->txtPosition->text(), u"一号车间"_s);
    EXPECT_EQ(editor->txtManuNo->text(), u"S-9"_s);
    EXPECT_EQ(editor->txtValue->text(), u"99"_s);
    EXPECT_EQ(editor->txtName->text(), u"铣床一号"_s);
    EXPECT_EQ(editor->imgDevice->pixmap().size(), QSize(20, 10));
    EXPECT_EQ(editor->lblOperator->text(), Str(1079) + u"admin"_s);
    EXPECT_EQ(editor->pictureMark(), devices::PictureChange::Keep);

    show(9);
    EXPECT_EQ(prompts(), QStringList{u"列表中无指定跟踪值。"_s});
    EXPECT_EQ(editor->currentDevice(), 9);
    EXPECT_EQ(editor->txtDevNo->text(), u"BARE"_s);
    EXPECT_EQ(editor->cboMaster->currentText(), u"(无)"_s);  // Null host is none
    for (QComboBox* c : {editor->cboGroup, editor->cboDevice[0], editor->cboDevice[1], editor->cboDevice[2],
                         editor->cboCheck, editor->cboState, editor->cboDepart, editor->cboTrans})
        EXPECT_EQ(c->currentIndex(), -1) << c->objectName().toStdString();
    EXPECT_EQ(editor->cboDevice[1]->count(), 0);
    EXPECT_TRUE(editor->txtManuNo->text().isEmpty());
    EXPECT_TRUE(editor->txtValue->text().isEmpty());
    EXPECT_TRUE(editor->txtPurDate->text().isEmpty());
    EXPECT_TRUE(editor->imgDevice->pixmap().isNull());
    EXPECT_EQ(editor->lblOperator->text(), Str(1079));
}

TEST_F(EditorTest, ADeletedRowIsReportedAndEmptiesTheNumberAndCardBoxes)
{
    addDevice(3, u"GONE"_s, QVariant(), 1, u"库房"_s);
    openEditor();
    qint32 zero = 0;
    qint32 mode = 0;
    editor->ShowInfo(mode, zero);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_TRUE(editor->txtDevNo->text().isEmpty());
    show(3);
    EXPECT_EQ(editor->txtPosition->text(), u"库房"_s);
    ostrel::gDatabase.Execute(u"DELETE FROM [Dev_Info] WHERE [Dev_ID]=3;"_s);
    editor->ShowInfo(mode, zero);  // the shown device again
    EXPECT_EQ(prompts(), QStringList{u"指定设备不存在！"_s});
    EXPECT_EQ(editor->currentDevice(), 0);
    EXPECT_TRUE(editor->txtDevNo->text().isEmpty());
    EXPECT_TRUE(editor->txtCardNo->text().isEmpty());
    EXPECT_EQ(editor->txtPosition->text(), u"库房"_s);
    EXPECT_EQ(editor->cboDevice[0]->currentIndex(), 0);
    EXPECT_EQ(editor->cboDevice[1]->count(), 0);
}

TEST_F(EditorTest, SteppingShowsTheOwnersNeighbourAndBeepsPastTheEnd)
{
    addDevice(1, u"A"_s);
    addDevice(2, u"B"_s);
    openEditor();
    show(1);
    qint32 answer = 2;
    QList<qint32> directions;
    QObject::connect(editor.data(), &frmDevices::GetItem, [&](qint32 direction, qint32& devId) {
        directions << direction;
        EXPECT_EQ(devId, 0);
        devId = answer;
    });
    const int beeps = ui::script::beeps();
    editor->cmdNext->click();
    EXPECT_EQ(editor->currentDevice(), 2);
    EXPECT_EQ(editor->txtDevNo->text(), u"B"_s);
    answer = 0;
    editor->cmdNext->click();
    answer = -1;
    editor->cmdPrevious->click();
    EXPECT_EQ(directions, (QList<qint32>{1, 1, -1}));
    EXPECT_EQ(ui::script::beeps(), beeps + 2);
    EXPECT_EQ(editor->currentDevice(), 2);
    EXPECT_EQ(editor->txtDevNo->text(), u"B"_s);
}

TEST_F(EditorTest, ThePictureCacheServesTheSameDeviceForThreeSeconds)
{
    addDevice(1, u"A"_s);
    openEditor();
    show(1);
    EXPECT_TRUE(editor->imgDevice->pixmap().isNull());
    EXPECT_EQ(gPicInfo().ID(), 1);
    QPixmap cached(12, 12);
    cached.fill(Qt::blue);
    gPicInfo().setPicture(cached);
    gPicInfo().setUpdateTime(QDateTime::currentDateTime());
    show(1);
    EXPECT_EQ(editor->imgDevice->pixmap().size(), QSize(12, 12));
    gPicInfo().setUpdateTime(QDateTime::currentDateTime().addSecs(-4));
    show(1);
    EXPECT_TRUE(editor->imgDevice->pixmap().isNull());
}

TEST_F(EditorTest, SavingAsksChecksOwnerAndNumbersAndRewritesTheRow)
{
    const QByteArray first = pngBytes(16, 16);
    openEditor();
    fillNewDevice(u"SB-1"_s);
    editor->txtAppend->setText(u"附件"_s);
    editor->txtFund->setText(u"拨款"_s);
    editor->txtManuNo->setText(u"S-1"_s);
    ui::script::answerFile(writeFile(u"a.png"_s, first));
    editor->cmdChg->click();
    const qint32 one = addFilled();
    fillNewDevice(u"SB-2"_s);
    editor->txtManuNo->setText(u"S-2"_s);
    const qint32 two = addFilled();
    ASSERT_EQ(one, 1);
    ASSERT_EQ(two, 2);
    const QVariantMap stored = rowOf(one);

    show(one);
    ui::script::clear();
    // No: nothing changes
    editor->txtName->setText(u"改名"_s);
    ui::script::answer(ui::vbNo);
    editor->cmdSave->click();
    EXPECT_EQ(rowOf(one), stored);
    EXPECT_EQ(prompts(), QStringList{Str(1085)});
    // another row's number or serial
    ui::script::clear();
    editor->txtDevNo->setText(u"SB-2"_s);
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    editor->txtDevNo->setText(u"SB-1"_s);
    editor->txtManuNo->setText(u"S-2"_s);
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    EXPECT_EQ(prompts(), (QStringList{Str(1085), u"相同的设备编码已经存在！"_s, Str(1085), Str(1075)}));
    EXPECT_EQ(rowOf(one), stored);

    // its own number saves; emptied boxes become Null, the untouched picture stays
    ui::script::clear();
    editor->txtManuNo->clear();
    editor->txtAppend->clear();
    editor->txtFund->clear();
    QList<QPair<qint32, qint32>> changes;
    QObject::connect(editor.data(), &frmDevices::InfoChg, [&](qint32 k, qint32 id) { changes << qMakePair(k, id); });
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    EXPECT_EQ(prompts(), (QStringList{Str(1085), u"修改设备信息成功！"_s}));
    EXPECT_EQ(changes, (QList<QPair<qint32, qint32>>{{1, one}}));
    QVariantMap row = rowOf(one);
    EXPECT_EQ(row[u"设备名称"_s].toString(), u"改名"_s);
    for (const char* column : {"ManuNo", "附件", "资金来源"})
        EXPECT_TRUE(row[QString::fromUtf8(column)].isNull()) << column;
    EXPECT_EQ(row[u"图片"_s].toByteArray(), first);
    EXPECT_EQ(gPicInfo().ID(), one);
    EXPECT_EQ(gPicInfo().Picture().size(), QSize(16, 16));

    // a cleared picture is Null
    editor->cmdClsPic->click();
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    EXPECT_TRUE(rowOf(one)[u"图片"_s].isNull());
    EXPECT_TRUE(gPicInfo().Picture().isNull());
}

// Two copies on one file: copy B changes device 1 and transfers it while A's editor shows it.
TEST_F(EditorTest, SavingKeepsWhatAnotherCopySavedAndAsksBeforeOverwritingIt)
{
    openEditor();
    fillNewDevice(u"T-1"_s);
    ASSERT_EQ(addFilled(), 1);
    show(1);
    const auto copyB = [&](const std::function<void(devices::DeviceRecord&)>& change, bool transfer = false) {
        dao::Database b = dao::DBEngine::OpenDatabase(gDatabase.Name(), false, false, schema::connectString());
        std::swap(gDatabase, b);
        dao::Recordset rs = devices::OpenDevice(1);
        const devices::DeviceRecord stored = devices::RecordOf(rs);
        rs.Close();
        devices::ShownDevice shown{stored, stored};
        devices::DeviceRecord changed = stored;
        change(changed);
        EXPECT_TRUE(devices::SaveDevice(1, changed, shown, 7, 3, {}));
        devices::TransferEntry t;
        t.devId = 1;
        t.handler = t.fromDepart = 0;
        t.toDepart = 2;
        t.date = QDateTime::currentDateTime();
        t.toPlace = u"二号车间"_s;
        if (transfer)
            devices::RegisterHistory(t, {}, t.date);
        std::swap(gDatabase, b);
        b.Close();
    };
    const auto save = [&](std::initializer_list<int> answers) {
        ui::script::clear();
        for (int a : answers)
            ui::script::answer(a);
        editor->cmdSave->click();
        return prompts();
    };
    const QStringList saved{Str(1085), u"修改设备信息成功！"_s};

    // A saves another field: its box then shows B's value, and A's typing replaces it knowingly
    struct Field {
        QLineEdit* box;
        QString devices::DeviceRecord::*member;
        QString column;
    };
    for (const Field& f : {Field{editor->txtName, &devices::DeviceRecord::name, u"设备名称"_s},
                           Field{editor->txtFund, &devices::DeviceRecord::funds, u"资金来源"_s},
                           Field{editor->txtModel, &devices::DeviceRecord::model, u"Model"_s}}) {
        copyB([&](devices::DeviceRecord& r) { r.*f.member = u"B 的"_s + f.column; });
        editor->txtMemo->setPlainText(u"A 的备注，"_s + f.column);
        EXPECT_EQ(save({ui::vbYes}), saved);
        EXPECT_EQ(f.box->text(), u"B 的"_s + f.column);
        f.box->setText(u"A 的"_s + f.column);
        EXPECT_EQ(save({ui::vbYes}), saved);
        EXPECT_EQ(rowOf(1)[f.column].toString(), u"A 的"_s + f.column);
    }
    copyB([](devices::DeviceRecord&) {}, true);
    editor->txtManuNo->setText(u"S-A"_s);
    EXPECT_EQ(save({ui::vbYes}), saved);
    EXPECT_EQ(editor->txtPosition->text(), u"二号车间"_s);
    EXPECT_EQ(editor->cboDepart->currentText(), u"车间"_s);

    // both change the name: A is asked; No stores nothing of A's, keeps A's typing, shows B's
    // other change, and asks again
    copyB([](devices::DeviceRecord& r) { r.name = u"B 再改"_s, r.model = u"B 的新型号"_s; });
    editor->txtName->setText(u"A 的名称"_s);
    editor->txtFund->setText(u"A 的资金"_s);
    const QStringList asked = save({ui::vbYes, ui::vbNo});
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].contains(u"设备名称：您的值“A 的名称”，已保存的值“B 再改”"_s)) << asked[1].toStdString();
    EXPECT_FALSE(asked[1].contains(u"型号规格"_s));
    QVariantMap row = rowOf(1);
    EXPECT_EQ(row[u"设备名称"_s].toString(), u"B 再改"_s);
    EXPECT_EQ(row[u"资金来源"_s].toString(), u"A 的资金来源"_s);
    EXPECT_EQ(editor->txtName->text(), u"A 的名称"_s);
    EXPECT_EQ(editor->txtFund->text(), u"A 的资金"_s);
    EXPECT_EQ(editor->txtModel->text(), u"B 的新型号"_s);
    EXPECT_EQ(save({ui::vbYes, ui::vbYes}), (QStringList{Str(1085), asked[1], saved[1]}));
    row = rowOf(1);
    EXPECT_EQ(row[u"设备名称"_s].toString(), u"A 的名称"_s);
    EXPECT_EQ(row[u"资金来源"_s].toString(), u"A 的资金"_s);
    EXPECT_EQ(row[u"Model"_s].toString(), u"B 的新型号"_s);

    // stored texts with blanks and line breaks that A never touched are neither asked about
    // nor rewritten
    gDatabase.Execute(u"UPDATE [Dev_Info] SET [卡片编号]='K-1 ', [安装地点]='车间 ', [附加信息]='旧备注\r\n';"_s);
    show(1);
    copyB([](devices::DeviceRecord& r) { r.place = u"二号车间"_s, r.memo = u"B 的备注"_s; });
    editor->txtModel->setText(u"A 的型号"_s);
    EXPECT_EQ(save({ui::vbYes}), saved);
    EXPECT_EQ(save({ui::vbYes}), saved);
    row = rowOf(1);
    EXPECT_EQ(row[u"卡片编号"_s].toString(), u"K-1 "_s);
    EXPECT_EQ(row[u"安装地点"_s].toString(), u"二号车间"_s);
    EXPECT_EQ(row[u"附加信息"_s].toString(), u"B 的备注"_s);
    EXPECT_EQ(row[u"Model"_s].toString(), u"A 的型号"_s);
    EXPECT_EQ(editor->txtCardNo->text(), u"K-1 "_s);

    // B deletes device 1 and adds NEW-9: A's save says so and writes nothing, NEW-9 keeps its own
    qint32 added = 0;
    asOtherCopy([&] {
        devices::DeviceRecord r = devices::RecordOf(devices::OpenDevice(1));
        DeleteDeviceRows(1);
        r.number = u"NEW-9"_s;
        added = devices::AddDevice(r, 7);
    });
    row = rowOf(added);
    editor->txtFund->setText(u"A 的资金来源"_s);
    EXPECT_EQ(save({ui::vbYes}), (QStringList{Str(1085), u"指定设备不存在！"_s}));
    EXPECT_EQ(rowOf(added), row);
}

TEST_F(EditorTest, SavingOtherUsersRowsNeedsLevelThreeAndTheSaverBecomesTheOwner)
{
    // rows: 1 admin's, 2 Null owner, 3 bob's
    openEditor();
    fillNewDevice(u"A-1"_s);
    ASSERT_EQ(addFilled(), 1);
    addDevice(2, u"A-2"_s);
    addDevice(3, u"A-3"_s);
    const qint32 bob = gUsrInfos->GetUsrInfo(u"bob"_s, 0).toInt();
    {
        dao::Recordset rs = devices::OpenDevice(3, true);
        rs.Edit();
        rs(u"O_ID"_s).setValue(bob);
        rs.Update();
        rs.Close();
    }
    const qint32 admin = gUsrInfos->UsrID();
    logIn(u"bob"_s, u"pw"_s);
    openEditor();

    struct Case {
        qint32 devId;
        bool saved;
    };
    for (const Case c : {Case{1, false}, Case{2, true}, Case{3, true}}) {
        show(c.devId);
        fillNewDevice(u"A-"_s + QString::number(c.devId), u"bob 改"_s);
        chooseText(editor->cboDepart, u"设备科"_s);
        ui::script::clear();
        ui::script::answer(ui::vbYes);
        editor->cmdSave->click();
        const QVariantMap row = rowOf(c.devId);
        EXPECT_EQ(row[u"设备名称"_s].toString() == u"bob 改"_s, c.saved) << c.devId;
        EXPECT_EQ(row[u"O_ID"_s].toInt(), c.saved ? bob : admin) << c.devId;
        EXPECT_EQ(ui::script::last().prompt, c.saved ? u"修改设备信息成功！"_s : Str(1077)) << c.devId;
    }

    // level 3 saves bob's row and owns it
    logIn(u"admin"_s, u"secret-1"_s);
    openEditor();
    show(3);
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    EXPECT_EQ(rowOf(3)[u"O_ID"_s].toInt(), admin);
}

TEST_F(EditorTest, AfterSteppingToAForbiddenDepartmentSavingIsRefused)
{
    openEditor();
    fillNewDevice(u"MINE"_s);
    ASSERT_EQ(addFilled(), 1);
    fillNewDevice(u"THEIRS"_s);
    chooseText(editor->cboDepart, u"车间"_s);
    ASSERT_EQ(addFilled(), 2);
    {
        dao::Recordset rs = devices::OpenDevice(2, true);
        rs.Edit();
        rs(u"O_ID"_s).setValue(QVariant());  // nobody's: only the department can stop bob
        rs.Update();
        rs.Close();
    }
    logIn(u"bob"_s, u"pw"_s);  // departments 0 and 1
    openEditor();
    show(1);
    QObject::connect(editor.data(), &frmDevices::GetItem, [](qint32, qint32& devId) { devId = 2; });
    editor->cmdNext->click();
    EXPECT_EQ(editor->currentDevice(), 2);
    EXPECT_EQ(editor->txtDevNo->text(), u"THEIRS"_s);
    EXPECT_EQ(editor->cboDepart->currentIndex(), -1);
    const QVariantMap before = rowOf(2);
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    editor->cmdSave->click();
    EXPECT_EQ(prompts(), QStringList{u"数据不合法！使用部门"_s});
    EXPECT_EQ(rowOf(2), before);
}

TEST_F(EditorTest, AChosenFileThatIsNoPictureChangesNothing)
{
    openEditor();
    ui::script::answerFile(writeFile(u"x.jpg"_s, QByteArray("plain text")));
    editor->cmdChg->click();
    EXPECT_EQ(editor->pictureMark(), devices::PictureChange::Keep);
    EXPECT_EQ(ui::script::shown().size(), 1);
    ui::script::answerFileCancel();
    editor->cmdChg->click();
    EXPECT_EQ(editor->pictureMark(), devices::PictureChange::Keep);
    const QList<ui::FileDialogRequest> asked = ui::script::fileDialogs();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].title, u"指定图片文件"_s);
}

TEST_F(EditorTest, AClickOnThePictureEnlargesItAndCloseUnloadsTheEditor)
{
    openEditor();
    ui::script::answerFile(writeFile(u"big.png"_s, pngBytes(64, 48)));
    editor->cmdChg->click();
    QStringList opened;
    QSize shown;
    ui::setModalHook([&](QDialog* d) {
        opened << d->objectName();
        shown = static_cast<frmPictures*>(d)->dc->pixmap().size();
    });
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), editor->imgDevice->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(editor->imgDevice, &click);
    ui::setModalHook(nullptr);
    EXPECT_EQ(opened, QStringList{u"frmPictures"_s});
    EXPECT_EQ(shown, QSize(64, 48));

    editor->show();
    QTest::keyClick(editor->txtDevNo, Qt::Key_Escape); // as its close button
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
}
