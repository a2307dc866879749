#include "main/core/ui/frmsplash.h"
#include "main/core/globals.h"
#include "main/core/strings.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "shared/forms/forms.h"
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ostrel {

QPixmap ProgramLogo(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(0x2f, 0x6f, 0xb5));
    g.setColorAt(1, QColor(0x1b, 0x3f, 0x73));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.16, s * 0.16);
    // A register card with three lines and a tag.
    p.setBrush(QColor(0xf4, 0xf6, 0xfa));
    p.drawRoundedRect(QRectF(s * 0.22, s * 0.18, s * 0.56, s * 0.64), s * 0.05, s * 0.05);
    p.setBrush(QColor(0x2f, 0x6f, 0xb5));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(s * 0.30, s * (0.30 + 0.13 * i), s * 0.40, s * 0.05));
    p.setBrush(QColor(0xf0, 0xa0, 0x30));
    p.drawEllipse(QPointF(s * 0.70, s * 0.72), s * 0.12, s * 0.12);
    return pm;
}

// ---------------------------------------------------------------- frmSplash

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(500, 300);

    auto outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setFrameShape(QFrame::Box);
    fraMainFrame->setFrameShadow(QFrame::Raised);
    outer->addWidget(fraMainFrame);

    auto label = [this](const char* name, const QString& text) {
        auto l = new QLabel(text, fraMainFrame);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    picLogo = label("picLogo", QString());
    picLogo->setPixmap(ProgramLogo(96));
    picLogo->setFixedSize(104, 104);
    picLogo->setAlignment(Qt::AlignCenter);
    lblCompanyProduct = label("lblCompanyProduct", QStringLiteral("企事业单位管理软件系列"));
    lblProductName = label("lblProductName", QString());
    QFont big = lblProductName->font();
    big.setFamilies({QStringLiteral("LiSu"), QStringLiteral("隶书"), QStringLiteral("STLiti"),
                     QStringLiteral("WenQuanYi Micro Hei")});
    big.setPointSize(30);
    big.setBold(true);
    lblProductName->setFont(big);
    lblPlatform = label("lblPlatform", QStringLiteral("设备信息管理系统 · Linux 桌面版"));
    lblVersion = label("lblVersion", QString());
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblWarning = label("lblWarning", QStringLiteral("警告：本程序受著作权法保护。"));
    lblCopyright = label("lblCopyright", QStringLiteral("正在启动，请稍候..."));

    auto grid = new QGridLayout(fraMainFrame);
    grid->setContentsMargins(18, 18, 18, 14);
    grid->addWidget(picLogo, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblCompanyProduct, 0, 1);
    grid->addWidget(lblProductName, 1, 1);
    grid->addWidget(lblPlatform, 2, 1);
    grid->addWidget(lblVersion, 3, 1);
    grid->setRowStretch(4, 1);
    grid->addWidget(lblWarning, 5, 0, 1, 2);
    grid->addWidget(lblCopyright, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    Form_Load();

    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void frmSplash::Form_Load()
{
    lblVersion->setText(QStringLiteral("Version ") + VersionText());
    lblProductName->setText(plat::appTitle());
}

// ---------------------------------------------------------------- frmAbout

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto label = [this](const char* name, const QString& text = QString()) {
        auto l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto line = [this]() {
        auto f = new QFrame(this);
        f->setObjectName(QStringLiteral("Line1"));
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        return f;
    };
    picIcon = label("picIcon");
    picIcon->setPixmap(ProgramLogo(48));
    picIcon->setFixedSize(52, 52);
    lblTitle = label("lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = label("lblVersion");
    lblType = label("lblType");
    lblDescription = label("lblDescription", QStringLiteral("本软件适用于企事业单位设备信息管理。敬请广大用户提出宝贵意见！"));
    lblDescription->setWordWrap(true);
    lblCredit = label("lblCredit");
    lblDisclaimer = label("lblDisclaimer", QStringLiteral("警告：本程序受著作权法及国际公约保护。未经授权擅自复制或传播本程序的全部或部分，"
                                                          "将受到严厉的民事及刑事制裁。"));
    lblDisclaimer->setWordWrap(true);
    Line1 = {line(), line()};
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    auto versionRow = new QHBoxLayout;
    versionRow->addWidget(lblVersion);
    versionRow->addStretch(1);
    versionRow->addWidget(lblType);
    grid->addLayout(versionRow, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(lblCredit, 3, 1);
    grid->addWidget(Line1[0], 4, 0, 1, 3);
    grid->addWidget(lblDisclaimer, 5, 0, 2, 2);
    grid->addWidget(cmdOK, 5, 2);
    grid->addWidget(cmdSysInfo, 6, 2, Qt::AlignTop);
    grid->addWidget(Line1[1], 7, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    lblDescription->setMinimumWidth(300);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowIcon(QIcon(ProgramLogo(32)));
    forms::LoadResStrings(this, strings());
    lblVersion->setText(QStringLiteral("版本 ") + VersionText());
    lblTitle->setText(plat::appTitle());
    setWindowTitle(QStringLiteral("关于") + plat::appTitle());
    lblType->setText(Str(1083));
    lblCredit->setText(QStringLiteral("程序设计:") + QStringLiteral("设备管理软件开发组"));
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo()
{
    const QString machine = QStringLiteral("HKEY_LOCAL_MACHINE");
    try {
        QString path;
        if (GetKeyValue(machine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"),
                        path) &&
            QProcess::startDetached(path, {}))
            return;
        if (GetKeyValue(machine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                        QStringLiteral("MSINFO"), path)) {
            const QString program = path + QStringLiteral("/MSINFO32.EXE");
            if (QFileInfo::exists(program) && QProcess::startDetached(program, {}))
                return;
        }
    } catch (...) {
    }
    ui::MsgBox(QStringLiteral("此时系统信息不可用"), ui::vbOKOnly);
}

bool frmAbout::GetKeyValue(const QString&, const QString&, const QString&, QString& value)
{
    // This platform keeps no such store: nothing can be read.
    value.clear();
    return false;
}

} // namespace ostrel
