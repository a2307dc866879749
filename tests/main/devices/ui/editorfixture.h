#pragma once
// A new database with its default code rule as gCodes, answered by the main window's
// last-code query, base data to choose from, and users of each level.
#include "main/core/ui/cpicinfo.h"
#include "main/core/password.h"
#include "main/devices/ui/frmdevices.h"
#include "main/mainwin/lastcode.h"
#include "platform/core/msgbox.h"
#include "shared/com/create.h"
#include "tests/main/devices/devicefixture.h"
#include "tests/main/pngbytes.h"
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>

namespace testutil {

class EditorTest : public DeviceDatabaseTest {
protected:
    void SetUp() override
    {
        DeviceDatabaseTest::SetUp();
        folder->registerComponents();
        ostrel::gCodes = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
        ostrel::gCodes->Load(QVariant(ostrel::SysInfoText(QStringLiteral("CodeRule"), QString(), nullptr,
                                                          QStringLiteral("Memo"))));
        ostrel::gCodes->advise(&host);
        // base data beside the code-0 entries of a new database
        addSysInfo(100, QStringLiteral("Departs"), 1, QStringLiteral("设备科"));
        addSysInfo(101, QStringLiteral("Departs"), 2, QStringLiteral("车间"));
        addSysInfo(102, QStringLiteral("Dev_Grp"), 1, QStringLiteral("生产设备"));
        addSysInfo(103, QStringLiteral("Trans"), 1, QStringLiteral("张三"));
        addSysInfo(104, QStringLiteral("Check"), 1, QStringLiteral("合格"));
        addSysInfo(105, QStringLiteral("State"), 1, QStringLiteral("在用"));
        // users: bob (level 2, department 1 and 0, may add), carl (level 2, may not add), vic (level 1)
        addSysInfo(200, QStringLiteral("Users"), 2, QStringLiteral("bob"),
                   ostrel::HashPassword(QStringLiteral("pw")) + QStringLiteral("\r0;1\r-1;-1;-1;-1;-1;-1;-1;-1;-1"));
        addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("carl"),
                   ostrel::HashPassword(QStringLiteral("pw")) + QStringLiteral("\r0;1;2\r0;-1;-1;-1;-1;-1;-1;-1;-1"));
        addSysInfo(202, QStringLiteral("Users"), 1, QStringLiteral("vic"),
                   ostrel::HashPassword(QStringLiteral("pw")) + QStringLiteral("\r0;1;2\r-1;-1;-1;-1;-1;-1;-1;-1;-1"));
        allowAdminDepartments(QStringLiteral("0;1;2"));
        logIn(QStringLiteral("admin"), QStringLiteral("secret-1"));
        ui::script::clear();
    }
    void TearDown() override
    {
        delete editor.data();
        ostrel::gPicInfo() = ostrel::cPicInfo();
        ostrel::gCodes->unadvise(&host);
        ostrel::gCodes = nullptr;
        ui::script::clear();
        DeviceDatabaseTest::TearDown();
    }

    static void allowAdminDepartments(const QString& codes)
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(
            QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='Users' AND [Value]='admin';"), dao::dbOpenDynaset);
        QStringList lines = rs(QStringLiteral("Memo")).Value().toString().split(QLatin1Char('\r'));
        lines[1] = codes;
        rs.Edit();
        rs(QStringLiteral("Memo")).setValue(lines.join(QLatin1Char('\r')));
        rs.Update();
        rs.Close();
    }

    // A new editor (the previous one goes), loaded for the logged-in user.
    ostrel::frmDevices* openEditor()
    {
        delete editor.data();
        editor = new ostrel::frmDevices;
        return editor;
    }

    void show(qint32 devId)
    {
        qint32 mode = 1;
        editor->ShowInfo(mode, devId);
    }

    // Chooses an item of a pick list as the user does; -1 leaves none.
    static void choose(QComboBox* combo, int index)
    {
        combo->setCurrentIndex(index);
        if (index >= 0)
            emit combo->activated(index);
    }
    static void chooseText(QComboBox* combo, const QString& text)
    {
        const int i = combo->findText(text, Qt::MatchContains);
        ASSERT_GE(i, 0) << text.toStdString();
        choose(combo, i);
    }

    // Fills the editor with a valid new device: 机械设备/金属切削机床/铣床, bought 2003.
    void fillNewDevice(const QString& number, const QString& name = QStringLiteral("铣床一号"))
    {
        for (QComboBox* c : {editor->cboGroup, editor->cboMaster, editor->cboCheck, editor->cboState, editor->cboTrans})
            choose(c, 0);
        chooseText(editor->cboDevice[0], QStringLiteral("机械设备"));
        chooseText(editor->cboDevice[1], QStringLiteral("金属切削机床"));
        chooseText(editor->cboDevice[2], QStringLiteral("铣床"));
        editor->txtDevNo->setText(number);
        editor->txtCardNo->setText(QStringLiteral("K-") + number);
        editor->txtPurDate->setText(QStringLiteral("2003-05-06 10:20"));
        editor->txtStartToUse->setText(QStringLiteral("2003-06-01"));
        chooseText(editor->cboDepart, QStringLiteral("设备科"));
        editor->txtPosition->setText(QStringLiteral("一号车间"));
        editor->txtName->setText(name);
    }

    // Adds the device filled in, answering no question; returns the new key (0 when refused).
    qint32 addFilled()
    {
        const qint32 before = editor->currentDevice();
        editor->cmdAdd->click();
        return editor->currentDevice() != before ? editor->currentDevice() : 0;
    }

    // The bytes of a PNG picture of that size.
    static QByteArray pngBytes(int width, int height, QRgb colour = qRgb(200, 40, 40))
    {
        return testutil::pngBytes(width, height, colour);
    }

    QStringList prompts() const
    {
        QStringList p;
        for (const ui::ShownBox& b : ui::script::shown())
            p << b.prompt;
        return p;
    }

    ostrel::CodeRuleHost host;
    QPointer<ostrel::frmDevices> editor;
};

} // namespace testutil
