#include "main/devices/ui/frmdevices.h"
#include "main/core/ui/controls.h"
#include "main/core/ui/cpicinfo.h"
#include "main/core/ui/fileshell.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/globals.h"
#include "main/core/ui/status.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "main/devices/devicerecord.h"
#include "main/devices/ui/frmpictures.h"
#include "main/reports/ui/devicecard.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/ui/beep.h"
#include "platform/ui/command.h"
#include "platform/ui/hwnd.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

using devices::PictureChange;

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm");
const QString kClassFields[3] = {QStringLiteral("设备大类"), QStringLiteral("设备属类"), QStringLiteral("设备组别")};
// The cached picture is reused this many seconds after it was stored.
constexpr qint64 kPictureCacheSeconds = 3;

QString now() { return QDateTime::currentDateTime().toString(kDateFormat); }

// A date as its box shows it; none as an empty box.
QString dateText(const QDateTime& d) { return d.isValid() ? d.toString(kDateFormat) : QString(); }

qint32 level() { return gUsrInfos ? gUsrInfos->PrvStyle() : 0; }

tessaly::ICodeClass& codes()
{
    if (!gCodes)
        throw vb::Error(91, QStringLiteral("对象变量未设置。"));
    return *gCodes;
}

com::ComPtr<tessaly::ICNode> classNode(const QComboBox* combo)
{
    return codes().Relations()->Node(QStringLiteral("N") + combo->currentData().toString());
}

// The node and its following siblings, as "code  value" with the key's number as data.
void FillClassCombo(QComboBox* combo, com::ComPtr<tessaly::ICNode> node)
{
    combo->clear();
    for (; node; node = node->Nexts())
        combo->addItem(node->Text() + QStringLiteral("  ") + node->Tag(), node->Key().mid(1).toInt());
    combo->setCurrentIndex(-1); // a combo selects its first item by itself
}

// The stored value of a class item: its text after the first blank, trimmed.
QString classValue(const QComboBox* combo)
{
    const QString text = combo->currentText();
    const int blank = text.indexOf(QLatin1Char(' '));
    return blank >= 0 ? text.mid(blank + 1).trimmed() : QString();
}

// Selects the item of a code; a Null or unknown code leaves no selection.
void selectCode(QComboBox* combo, const QVariant& code)
{
    combo->setCurrentIndex(-1);
    SelectComboItem(combo, code);
}

QString trimBox(QLineEdit* box)
{
    box->setText(box->text().trimmed());
    return box->text();
}

// Clears the status text showing a device set, whichever way it ends.
struct StatusCleared {
    ~StatusCleared() { PostStatus(QString(), -1, 0); }
};

} // namespace

frmDevices::frmDevices(QWidget* owner) : QWidget(owner, kOwnedWindow)
{
    setObjectName(QStringLiteral("frmDevices"));
    setWindowTitle(QStringLiteral("设备信息"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto box = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    auto list = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    txtDevNo = box("txtDevNo");
    txtCardNo = box("txtCardNo");
    cboGroup = list("cboGroup");
    cboMaster = list("cboMaster");
    for (int i = 0; i < 3; ++i) {
        cboDevice[i] = list("cboDevice");
        cboDevice[i]->setProperty("index", i);
    }
    txtPurDate = box("txtPurDate");
    cboCheck = list("cboCheck");
    cboState = list("cboState");
    cboDepart = list("cboDepart");
    txtPosition = box("txtPosition");
    cboTrans = list("cboTrans");
    txtValue = box("txtValue");
    txtManufacturer = box("txtManufacturer");
    txtModel = box("txtModel");
    txtManuDate = box("txtManuDate");
    txtManuNo = box("txtManuNo");
    txtStartToUse = box("txtStartToUse");
    txtFund = box("txtFund");
    txtAppend = box("txtAppend");
    txtDocument = box("txtDocument");
    txtName = box("txtName");

    famMemo = new QGroupBox(QStringLiteral("备注"), this);
    famMemo->setObjectName(QStringLiteral("famMemo"));
    txtMemo = new QPlainTextEdit(famMemo);
    txtMemo->setObjectName(QStringLiteral("txtMemo"));
    (new QVBoxLayout(famMemo))->addWidget(txtMemo);

    imgDevice = new QLabel(this);
    imgDevice->setObjectName(QStringLiteral("imgDevice"));
    imgDevice->setFrameShape(QFrame::Box);
    imgDevice->setAlignment(Qt::AlignCenter);
    imgDevice->setFixedSize(200, 160);
    imgDevice->setScaledContents(true);
    imgDevice->installEventFilter(this);
    lblOperator = new QLabel(this);
    lblOperator->setObjectName(QStringLiteral("lblOperator"));

    cmdAuto = MakeButton(this, "cmdAuto", QStringLiteral("自动编码"));
    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("添加(&A)"));
    cmdSave = MakeButton(this, "cmdSave", QStringLiteral("保存(&S)"));
    cmdCancel = MakeButton(this, "cmdCancel", QStringLiteral("关闭(&X)"));
    cmdPrevious = MakeButton(this, "cmdPrevious", QStringLiteral("前一项(&N)"));
    cmdNext = MakeButton(this, "cmdNext", QStringLiteral("后一项(&N)"));
    cmdPrnCard = MakeButton(this, "cmdPrnCard", QStringLiteral("打印卡片(&C)"));
    cmdChg = MakeButton(this, "cmdChg", QStringLiteral("浏览图片(&B).."));
    cmdClsPic = MakeButton(this, "cmdClsPic", QStringLiteral("清除图片(&C).."));

    // Two columns of labelled fields, the picture beside them.
    auto* fields = new QGridLayout;
    const struct {
        const char16_t* label;
        QWidget* field;
    } rows[] = {
        {u"设备编号:", txtDevNo},       {u"卡片编号:", txtCardNo},       {u"所属组别:", cboGroup},
        {u"主机编号:", cboMaster},      {u"设备大类:", cboDevice[0]},    {u"设备属类:", cboDevice[1]},
        {u"设备组别:", cboDevice[2]},   {u"购置日期:", txtPurDate},      {u"验收状况:", cboCheck},
        {u"设备状况:", cboState},       {u"使用部门:", cboDepart},       {u"安装地点:", txtPosition},
        {u"责任人:", cboTrans},         {u"设备原值:", txtValue},        {u"制造厂家:", txtManufacturer},
        {u"型号规格:", txtModel},       {u"出厂日期:", txtManuDate},     {u"出厂编号:", txtManuNo},
        {u"启用日期:", txtStartToUse},  {u"资金来源:", txtFund},         {u"附件:", txtAppend},
        {u"资料:", txtDocument},        {u"设备名称:", txtName},
    };
    const int half = (int(std::size(rows)) + 1) / 2;
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const int row = i % half;
        const int col = (i / half) * 2;
        fields->addWidget(new QLabel(QString::fromUtf16(rows[i].label), this), row, col);
        fields->addWidget(rows[i].field, row, col + 1);
    }
    auto* picture = new QVBoxLayout;
    picture->addWidget(imgDevice);
    auto* picButtons = new QHBoxLayout;
    picButtons->addWidget(cmdChg);
    picButtons->addWidget(cmdClsPic);
    picture->addLayout(picButtons);
    picture->addWidget(famMemo, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(fields, 1);
    body->addLayout(picture);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblOperator, 1);
    for (QPushButton* b : {cmdAuto, cmdPrevious, cmdNext, cmdPrnCard, cmdAdd, cmdSave, cmdCancel})
        buttons->addWidget(b);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body, 1);
    top->addLayout(buttons);

    for (int i = 0; i < 2; ++i)
        connect(cboDevice[i], &QComboBox::activated, this, [this, i] {
            ui::runCommand([&] { cboDevice_Click(i); }, this);
        });
    connect(cmdAuto, &QPushButton::clicked, this, [this] { cmdAuto_Click(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        close();
        ui::DoEvents();
    });
    connect(cmdPrevious, &QPushButton::clicked, this, [this] { step(-1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { step(1); });
    connect(cmdPrnCard, &QPushButton::clicked, this, [this] { cmdPrnCard_Click(); });
    connect(cmdChg, &QPushButton::clicked, this, [this] { cmdChg_Click(); });
    connect(cmdClsPic, &QPushButton::clicked, this, [this] { cmdClsPic_Click(); });

    Form_Load();
}

void frmDevices::Form_Load()
{
    forms::LoadResStrings(this, strings());
    const bool mayWrite = level() == 2 || level() == 3;
    cmdAdd->setEnabled(mayWrite && gUsrInfos->PrvAddDev());
    cmdSave->setEnabled(mayWrite);
    ui::runCommand([&] {
        ui::BusyCursor busy;
        struct ClearStatus {
            ~ClearStatus() { PostStatus(QString(), -1, 0); }
        } clearStatus;
        PostStatus(QStringLiteral("下载设备分组信息.."));
        LoadComboList(cboGroup, QStringLiteral("Dev_Grp"), QString(), false, true);
        PostStatus(QStringLiteral("下载主机编号列表.."));
        LoadComboList(cboMaster, QString(), QStringLiteral("SELECT 设备编号,Dev_ID FROM [Dev_Info] ORDER BY [设备编号];"),
                      true, true);
        PostStatus(QStringLiteral("下载设备分类信息.."));
        // A rule without classes leaves level 1 empty.
        if (gCodes && gCodes->Relations()->Count() >= 1) {
            FillClassCombo(cboDevice[0], gCodes->Relations()->Node(1)->Root());
            cboDevice[0]->setCurrentIndex(0);
            cboDevice_Click(0);
        }
        txtPurDate->setText(now());
        PostStatus(QStringLiteral("下载验收状况信息.."));
        LoadComboList(cboCheck, QStringLiteral("Check"), QString(), false, true);
        PostStatus(QStringLiteral("下载设备状况信息.."));
        LoadComboList(cboState, QStringLiteral("State"), QString(), false, true);
        PostStatus(QStringLiteral("下载部门信息.."));
        LoadComboList(cboDepart, QStringLiteral("Departs"), QString(), false, true,
                      gUsrInfos ? gUsrInfos->DepartIDs() : QString());
        PostStatus(QStringLiteral("下载经办人信息.."));
        LoadComboList(cboTrans, QStringLiteral("Trans"), QString(), false, true);
        txtManuDate->setText(now());
        txtStartToUse->setText(now());
        lblOperator->setText(gUsrInfos ? gUsrInfos->UsrName() : QString());
        // A box takes no more than its column holds.
        const std::pair<QLineEdit*, const char*> sized[] = {
            {txtDevNo, "设备编号"},  {txtCardNo, "卡片编号"}, {txtPosition, "安装地点"}, {txtManufacturer, "Manufacturer"},
            {txtModel, "Model"},    {txtManuDate, "ManuDate"}, {txtManuNo, "ManuNo"},   {txtFund, "资金来源"},
            {txtName, "设备名称"}};
        for (const auto& [box, column] : sized)
            if (const int size = TextColumnSize(QStringLiteral("Dev_Info"), QString::fromUtf8(column)))
                box->setMaxLength(size);
    }, this);
}

void frmDevices::ShowInfo(qint32&, qint32& devId)
{
    ui::runCommand([&] {
        if (devId > 0)
            m_devId = devId;
        if (m_devId > 0)
            showDevice();
    }, this);
}

void frmDevices::showDevice()
{
    ui::WindowUpdateLock lock(this);
    dao::Recordset rs;
    StatusCleared cleared;
    RecordsetCloser closer(rs);
    PostStatus(QStringLiteral("正在下载设备数据,请稍候.."), 0, 0);
    ui::DoEvents();
    try {
        rs = devices::OpenDevice(m_devId);
        if (rs.Eof()) {
            txtDevNo->clear();
            txtCardNo->clear();
            cboGroup->setCurrentIndex(cboGroup->count() > 0 ? 0 : -1);
            cboMaster->setCurrentIndex(-1);
            cboDevice[0]->setCurrentIndex(cboDevice[0]->count() > 0 ? 0 : -1);
            cboDevice[1]->clear();
            cboDevice[2]->clear();
            txtPurDate->setText(now());
            m_picMark = PictureChange::Keep;
            m_picPath.clear();
            m_picBytes.clear();
            lblOperator->clear();
            throw vb::Error(1000, QStringLiteral("指定设备不存在！"));
        }
        // The boxes show the row as the record of it that saving compares against.
        const devices::DeviceRecord r = devices::RecordOf(rs);
        showRecord(r, false);
        m_shown = devices::ShownDevice{collectRecord(), r};
    } catch (...) {
        m_devId = 0;
        throw;
    }
}

void frmDevices::showRecord(const devices::DeviceRecord& r, bool keepPicture)
{
    txtDevNo->setText(r.number);
    txtCardNo->setText(r.card);
    selectCode(cboGroup, r.group);
    selectCode(cboMaster, r.host);
    for (int i = 0; i < 3; ++i) {
        QComboBox* combo = cboDevice[i];
        combo->setCurrentIndex(-1);
        // Below an unselected level the list is empty: nothing to look for.
        if (i == 0 || cboDevice[i - 1]->currentIndex() >= 0)
            SelectComboItem(combo, QVariant(), r.classes[i], true);
        if (i < 2)
            cboDevice_Click(i);
    }
    txtPurDate->setText(dateText(r.purchased));
    selectCode(cboCheck, r.check);
    selectCode(cboState, r.state);
    selectCode(cboDepart, r.depart);
    txtPosition->setText(r.place);
    txtMemo->setPlainText(r.memo);
    selectCode(cboTrans, r.person);
    txtValue->setText(r.value);
    txtManufacturer->setText(r.maker);
    txtModel->setText(r.model);
    txtManuDate->setText(r.madeOn);
    txtManuNo->setText(r.serial);
    txtStartToUse->setText(dateText(r.inUseSince));
    txtFund->setText(r.funds);
    txtAppend->setText(r.accessories);
    txtDocument->setText(r.documents);
    txtName->setText(r.name);
    if (!keepPicture) {
        showPicture(r.pictureBytes);
        m_picMark = PictureChange::Keep;
        m_picPath.clear();
        m_picBytes.clear();
    }
    const QString writer = gUsrInfos ? gUsrInfos->GetUsrInfo(r.owner, 1) : QString();
    lblOperator->setText(Str(1079) + writer);
}

void frmDevices::showPicture(const QByteArray& stored)
{
    cPicInfo& cache = gPicInfo();
    if (cache.ID() == m_devId && cache.UpdateTime().isValid() &&
        cache.UpdateTime().secsTo(QDateTime::currentDateTime()) <= kPictureCacheSeconds) {
        setPicture(cache.Picture());
        return;
    }
    // A picture that does not decode shows as none.
    QPixmap picture;
    if (!stored.isNull())
        picture.loadFromData(stored);
    setPicture(picture);
    cachePicture(m_devId);
}

void frmDevices::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    if (picture.isNull())
        imgDevice->clear();
    else
        imgDevice->setPixmap(picture);
}

void frmDevices::cachePicture(qint32 key)
{
    cPicInfo& cache = gPicInfo();
    cache.setPicture(m_picture);
    cache.setUpdateTime(QDateTime::currentDateTime());
    cache.setID(key);
}

void frmDevices::cboDevice_Click(int index)
{
    if (index > 1)
        return;
    QComboBox* next = cboDevice[index + 1];
    if (cboDevice[index]->currentIndex() < 0) {
        next->clear();
        return;
    }
    FillClassCombo(next, classNode(cboDevice[index])->Child());
}

void frmDevices::step(qint32 direction)
{
    qint32 devId = 0;
    emit GetItem(direction, devId);
    if (devId >= 1) {
        qint32 mode = 0;
        ShowInfo(mode, devId);
    } else {
        ui::Beep();
    }
    ui::DoEvents();
}

void frmDevices::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the window as its close button does
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        cmdCancel->click();
    else
        QWidget::keyPressEvent(event);
}

namespace {

bool isUsedUpCounter(tessaly::ICodeClass& rule, const QString& band)
{
    for (int i = 1; i <= rule.Count(); ++i) {
        com::ComPtr<tessaly::IBand> b = rule.Band(i);
        if (b->Name() == band)
            return b->Style() == tessaly::bsIncreaseNumber || b->Style() == tessaly::bsIncreaseAlpha;
    }
    return false;
}

} // namespace

void frmDevices::cmdAuto_Click()
{
    ui::runCommand([&] {
        for (QComboBox* c : cboDevice)
            if (c->currentIndex() < 0)
                InvalidInput(QStringLiteral("设备分类"));
        bool ok = false;
        const QDateTime purchased = vb::toDate(txtPurDate->text(), &ok);
        if (!ok)
            InvalidInput(QStringLiteral("购置年代"));
        ui::BusyCursor busy;
        tessaly::ICodeClass& rule = codes();
        for (int i = 0; i < 3; ++i)
            rule.UsrFields()->Item(kClassFields[i])->setValue(classNode(cboDevice[i])->Tag());
        rule.UsrFields()->Item(QStringLiteral("购置年代"))->setValue(purchased.toString(kDateFormat));
        try {
            txtDevNo->setText(rule.GetCode(tessaly::gsNewCode));
        } catch (const vb::Error& e) {
            // the rule names the band whose value does not fit; a counter that no longer fits is used up
            const QString band = e.description().section(QStringLiteral("\r\n"), -1);
            if (e.number() != vb::componentError(2036) || !isUsedUpCounter(rule, band))
                throw;
            throw vb::Error(e.number(), QStringLiteral("本分类的编号已用完：区段“%1”已没有可用的值，无法自动编码。\r\n"
                                                       "请在“设备编码规则..”中加长区段“%1”，或直接输入设备编号。")
                                            .arg(band));
        }
    }, this);
    ui::DoEvents();
}

void frmDevices::ValidateInput()
{
    auto chosen = [](QComboBox* combo, const QString& caption) {
        if (combo->currentIndex() < 0)
            InvalidInput(caption);
    };
    auto isDate = [](const QString& text) {
        bool ok = false;
        vb::toDate(text, &ok);
        return ok;
    };
    if (trimBox(txtDevNo).isEmpty())
        InvalidInput(QStringLiteral("设备编号"));
    if (trimBox(txtCardNo).isEmpty())
        InvalidInput(QStringLiteral("卡片编号"));
    chosen(cboGroup, QStringLiteral("所属组别"));
    chosen(cboMaster, QStringLiteral("主机编号"));
    for (QComboBox* c : cboDevice)
        chosen(c, QStringLiteral("设备分类"));
    if (!isDate(txtPurDate->text()))
        InvalidInput(QStringLiteral("购置年代"));
    chosen(cboCheck, QStringLiteral("验收状况"));
    chosen(cboState, QStringLiteral("设备状况"));
    chosen(cboDepart, QStringLiteral("使用部门"));
    if (trimBox(txtPosition).isEmpty())
        InvalidInput(QStringLiteral("安装地点"));
    chosen(cboTrans, QStringLiteral("责任人"));
    txtMemo->setPlainText(txtMemo->toPlainText().trimmed());
    if (!txtStartToUse->text().isEmpty() && !isDate(txtStartToUse->text()))
        InvalidInput(QStringLiteral("启用日期"));
    if (trimBox(txtName).isEmpty())
        InvalidInput(QStringLiteral("设备名称"));
}

devices::DeviceRecord frmDevices::collectRecord() const
{
    devices::DeviceRecord r;
    r.number = txtDevNo->text();
    r.card = txtCardNo->text();
    r.group = cboGroup->currentData();
    r.host = cboMaster->currentData();
    for (int i = 0; i < 3; ++i)
        r.classes[i] = classValue(cboDevice[i]);
    r.purchased = vb::toDate(txtPurDate->text());
    r.check = cboCheck->currentData();
    r.state = cboState->currentData();
    r.depart = cboDepart->currentData();
    r.place = txtPosition->text();
    r.person = cboTrans->currentData();
    r.value = txtValue->text();
    r.memo = txtMemo->toPlainText();
    r.maker = txtManufacturer->text();
    r.model = txtModel->text();
    r.madeOn = txtManuDate->text();
    r.serial = txtManuNo->text();
    if (!txtStartToUse->text().isEmpty())
        r.inUseSince = vb::toDate(txtStartToUse->text());
    r.funds = txtFund->text();
    r.accessories = txtAppend->text();
    r.documents = txtDocument->text();
    r.name = txtName->text();
    r.picture = m_picMark;
    r.pictureBytes = m_picBytes;
    return devices::TrimmedAsSaved(r);
}

void frmDevices::cmdAdd_Click()
{
    const bool added = ui::runCommand([&] {
        ui::BusyCursor busy;
        ValidateInput();
        const qint32 key = devices::AddDevice(collectRecord(), gUsrInfos ? gUsrInfos->UsrID() : 0, &m_shown);
        m_devId = key;
        // Only a chosen picture was written: the new row has no other.
        if (m_picMark != PictureChange::Replace)
            setPicture(QPixmap());
        cachePicture(key);
        emit InfoChg(0, key);
    }, this);
    if (added)
        ui::MsgBox(QStringLiteral("添加设备信息成功！"), ui::vbInformation, QString(), this);
    ui::DoEvents();
}

void frmDevices::cmdSave_Click()
{
    bool saved = false;
    ui::runCommand([&] {
        ValidateInput();
        if (ui::MsgBox(Str(1085), ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo)
            return;
        ui::BusyCursor busy;
        // A field another copy saved meanwhile is overwritten only when the user says so.
        const auto overwrite = [this](const FieldConflicts& conflicts) {
            ui::endBusy();   // the question is asked with the normal pointer
            const bool yes =
                ui::MsgBox(ConflictQuestion(conflicts), ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbYes;
            ui::beginBusy();
            return yes;
        };
        const devices::DeviceRecord edited = collectRecord();
        const devices::ShownDevice before = m_shown;
        devices::DeviceRecord read;
        const bool written = devices::SaveDevice(m_devId, edited, m_shown, gUsrInfos ? gUsrInfos->UsrID() : 0, level(),
                                                 overwrite, &read);
        if (written)
            cachePicture(m_devId);
        showAfterSave(read, written ? nullptr : &before, edited);
        if (!written)
            return;
        emit InfoChg(1, m_devId);
        saved = true;
    }, this);
    if (saved)
        ui::MsgBox(QStringLiteral("修改设备信息成功！"), ui::vbInformation, QString(), this);
    ui::DoEvents();
}

void frmDevices::showAfterSave(const devices::DeviceRecord& read, const devices::ShownDevice* declined,
                               const devices::DeviceRecord& edited)
{
    ui::WindowUpdateLock lock(this);
    if (!declined) {
        showRecord(read, false);
        m_shown = devices::ShownDevice{collectRecord(), read};
        return;
    }
    // What the user typed stays, to be saved still; the rest shows the row as the question did.
    showRecord(devices::KeepTyped(read, edited, *declined, edited), m_picMark != PictureChange::Keep);
    m_shown = devices::ShownDevice{devices::KeepTyped(collectRecord(), declined->boxes, *declined, edited),
                                   devices::KeepTyped(read, declined->stored, *declined, edited)};
}

void frmDevices::cmdChg_Click()
{
    ui::runCommand([&] {
        QString ext = QStringLiteral(".jpg");
        const QString path = GetOpenFile(ui::windowHandle(this), QStringLiteral("指定图片文件"), false, QString(), ext,
                                         QStringLiteral("图片文件(*.bmp,*.jpg);*.bmp,*.jpg;Windows位图文件(*.bmp);*.bmp;"
                                                        "jpg图片格式文件(*.jpg);*.jpg;所有文件(*.*);*.*"),
                                         QString(), false);
        if (path.isEmpty())
            return;
        // Read once: what is shown is what will be stored.
        const QByteArray bytes = devices::ReadFileBytes(path);
        QPixmap picture;
        if (!picture.loadFromData(bytes))
            throw vb::Error(481, QStringLiteral("无效的图片：") + path);
        setPicture(picture);
        m_picMark = PictureChange::Replace;
        m_picPath = path;
        m_picBytes = bytes;
    }, this);
}

void frmDevices::cmdClsPic_Click()
{
    setPicture(QPixmap());
    m_picMark = PictureChange::Clear;
    m_picPath.clear();
    m_picBytes.clear();
}

void frmDevices::cmdPrnCard_Click()
{
    try {
        qint32 devId = m_devId;
        PrintDeviceCard(devId);
    } catch (...) {
        // the card printer reports its own failures
    }
}

void frmDevices::imgDevice_Click()
{
    try {
        ShowPictureWindow(imgDevice);
    } catch (...) {
        // nothing to enlarge: the editor stays as it is
    }
}

bool frmDevices::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == imgDevice && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        imgDevice_Click();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace ostrel
