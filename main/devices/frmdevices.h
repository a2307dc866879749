#pragma once
// Stand-in for the device editor: its public operation and its events only, until the
// editor itself is built.
#include <QWidget>

namespace ostrel {

class frmDevices : public QWidget {
    Q_OBJECT
public:
    explicit frmDevices(QWidget* owner = nullptr);

    // Makes devId (above 0) the current device; mode is not read. A missing row leaves no
    // current device and raises 1000 "指定设备不存在！".
    void ShowInfo(qint32& mode, qint32& devId);
    qint32 currentDevice() const { return m_devId; }

Q_SIGNALS:
    // A Dev_Info row was written: kind 0 added, 1 modified.
    void InfoChg(qint32 Kind, qint32 Dev_ID);
    // The next (1) or previous (-1) device: the owner sets Dev_ID, passed in as 0.
    void GetItem(qint32 Direction, qint32& Dev_ID);

private:
    qint32 m_devId = 0;
};

} // namespace ostrel
