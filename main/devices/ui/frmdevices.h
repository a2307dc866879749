#pragma once
// The device editor: shows one Dev_Info row, numbers a new device by the code rule, adds
// and saves rows with their picture. It stays open beside the main window, which hands it
// a device through ShowInfo and answers its GetItem; InfoChg tells the owner a row was
// written.
#include "main/devices/devicerecord.h"
#include <QByteArray>
#include <QPixmap>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ostrel {


class frmDevices : public QWidget {
    Q_OBJECT
public:
    // Loads the window: pick lists, class level 1, dates, buttons by the user's rights.
    explicit frmDevices(QWidget* owner = nullptr);

    // devId above 0 becomes the current device; the current device, if any, is shown.
    // mode is not read. A failure is shown and the window stays.
    void ShowInfo(qint32& mode, qint32& devId);
    qint32 currentDevice() const { return m_devId; }

    // What happens to the stored picture on adding or saving, and the chosen file's bytes.
    devices::PictureChange pictureMark() const { return m_picMark; }
    QString picturePath() const { return m_picPath; }

    QLineEdit* txtDevNo = nullptr;
    QLineEdit* txtCardNo = nullptr;
    QComboBox* cboGroup = nullptr;
    QComboBox* cboMaster = nullptr;
    QComboBox* cboDevice[3] = {};
    QLineEdit* txtPurDate = nullptr;
    QComboBox* cboCheck = nullptr;
    QComboBox* cboState = nullptr;
    QComboBox* cboDepart = nullptr;
    QLineEdit* txtPosition = nullptr;
    QComboBox* cboTrans = nullptr;
    QLineEdit* txtValue = nullptr;
    QLineEdit* txtManufacturer = nullptr;
    QLineEdit* txtModel = nullptr;
    QLineEdit* txtManuDate = nullptr;
    QLineEdit* txtManuNo = nullptr;
    QLineEdit* txtStartToUse = nullptr;
    QLineEdit* txtFund = nullptr;
    QLineEdit* txtAppend = nullptr;
    QLineEdit* txtDocument = nullptr;
    QLineEdit* txtName = nullptr;
    QGroupBox* famMemo = nullptr;
    QPlainTextEdit* txtMemo = nullptr;
    QLabel* imgDevice = nullptr;
    QLabel* lblOperator = nullptr;

    QPushButton* cmdAuto = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdPrnCard = nullptr;
    QPushButton* cmdChg = nullptr;
    QPushButton* cmdClsPic = nullptr;

Q_SIGNALS:
    // A Dev_Info row was written: kind 0 added, 1 saved. Raised before the success message.
    void InfoChg(qint32 Kind, qint32 Dev_ID);
    // The next (1) or previous (-1) device: the owner sets Dev_ID, passed in as 0, and
    // leaves it below 1 when there is none. Connect directly.
    void GetItem(qint32 Direction, qint32& Dev_ID);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void showDevice();
    // Fills the controls from a row; keepPicture leaves the picture and its mark as they are.
    void showRecord(const devices::DeviceRecord& r, bool keepPicture);
    // After a save read the row: shows it as read. When the user declined to overwrite
    // (`declined` is what was shown before), what they typed stays and still counts as typed.
    void showAfterSave(const devices::DeviceRecord& read, const devices::ShownDevice* declined,
                       const devices::DeviceRecord& edited);
    void showPicture(const QByteArray& stored);
    void cboDevice_Click(int index);
    void step(qint32 direction);
    void cmdAuto_Click();
    void cmdAdd_Click();
    void cmdSave_Click();
    void cmdChg_Click();
    void cmdClsPic_Click();
    void cmdPrnCard_Click();
    void imgDevice_Click();

    // Raises 1000 for the first field that is missing or wrong; trims the text boxes.
    void ValidateInput();
    devices::DeviceRecord collectRecord() const;
    // The picture shown, in the cache under key.
    void cachePicture(qint32 key);
    void setPicture(const QPixmap& picture);

    qint32 m_devId = 0;
    // What the boxes showed of the current device and the row as stored then.
    devices::ShownDevice m_shown;
    devices::PictureChange m_picMark = devices::PictureChange::Keep;
    QString m_picPath;
    QByteArray m_picBytes;
    QPixmap m_picture;
};

} // namespace ostrel
