#pragma once
// The start-up window shown while the program starts, and the about box.
#include <QDialog>
#include <QVector>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace ostrel {

// The program's picture (its icon), drawn at the given size in pixels.
QPixmap ProgramLogo(int size);

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* fraMainFrame = nullptr;
    QLabel* picLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblWarning = nullptr;
    QLabel* lblCopyright = nullptr;

private:
    void Form_Load();
};

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblType = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblCredit = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QVector<QFrame*> Line1;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    // Reads a text value of the system's configuration store; false when it cannot.
    static bool GetKeyValue(const QString& rootKey, const QString& keyName, const QString& valueName,
                            QString& value);
};

} // namespace ostrel
