#include "main/mainwin/ui/frmmain.h"
#include "main/mainwin/lastcode.h"
#include "shared/com/create.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;

using LastCodeTest = testutil::DeviceDatabaseTest;

TEST_F(LastCodeTest, TheMainWindowAnswersTheRuleWhileItIsLoaded)
{
    folder->registerComponents();
    gCodes = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
    gCodes->Load(QVariant(SysInfoText(u"CodeRule"_s, QString(), nullptr, u"Memo"_s)));
    const QString fields[] = {u"设备大类"_s, u"设备属类"_s, u"设备组别"_s, u"购置年代"_s};
    const QString values[] = {u"机械设备"_s, u"金属切削机床"_s, u"铣床"_s, u"2003-05-06 10:20"_s};
    for (int i = 0; i < 4; ++i)
        gCodes->UsrFields()->Item(fields[i])->setValue(values[i]);
    addDevice(1, u"01010220030007"_s);
    {
        frmMain w;
        w.Form_Load();
        EXPECT_EQ(gCodes->GetCode(tessaly::gsNewCode), u"01010220030008"_s);
    }
    // once the window is gone nobody answers
    EXPECT_EQ(gCodes->GetCode(tessaly::gsNewCode), u"01010220030001"_s);
    gCodes = nullptr;
}
