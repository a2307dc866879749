#pragma once
// A device with base data for the history registration and editor tests.
#include "tests/main/devices/devicefixture.h"

namespace testutil {

class HistoryDatabaseTest : public DeviceDatabaseTest {
protected:
    static constexpr qint32 kDevice = 5;

    void SetUp() override
    {
        DeviceDatabaseTest::SetUp();
        int id = 100;
        for (int no = 1; no <= 3; ++no) {
            addSysInfo(++id, QStringLiteral("Departs"), no, QStringLiteral("部门%1").arg(no));
            addSysInfo(++id, QStringLiteral("Trans"), no, QStringLiteral("经办%1").arg(no));
            addSysInfo(++id, QStringLiteral("Check"), no, QStringLiteral("状态%1").arg(no));
            addSysInfo(++id, QStringLiteral("DType"), no, QStringLiteral("类型%1").arg(no));
        }
        restoreDevice();
    }

    void deleteDevice() { ostrel::gDatabase.Execute(QStringLiteral("DELETE * FROM [Dev_Info] WHERE [Dev_ID]=5;")); }
    void restoreDevice()
    {
        addDevice(kDevice, QStringLiteral("D5"), QVariant(), 2, QStringLiteral("一楼"));
        ostrel::gDatabase.Execute(QStringLiteral("UPDATE [Dev_Info] SET [验收状况]=1, [设备状况]=2 WHERE [Dev_ID]=5;"));
    }
};

} // namespace testutil
