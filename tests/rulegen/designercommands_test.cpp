// The designer's new-band, field and advanced commands open their dialogs on the live rule
// (a rule made by class identifier, the windows of the built library).
#include "tests/rulegen/rulegen_testutil.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

using namespace rt;

using DesignerCommands = rt::LibraryRuleTest;

TEST_F(DesignerCommands, NewBandFieldsAndAdvancedOpenTheirDialogsOnTheLiveRule)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    r->UsrFields()->Add(QStringLiteral("Grp"), QStringLiteral("设备组别"));
    QStringList opened;
    QString bandsInDialog;
    int fieldsListed = -1;
    ModalDriver driver([&](QDialog* d) {
        opened << d->objectName();
        if (d->objectName() == QStringLiteral("frmDesigners")) {
            QTest::mouseClick(child<QLabel>(d, "imgButton0"), Qt::LeftButton);
            child<QPushButton>(d, "cmdDrop")->click();
            child<QPushButton>(d, "cmdAdvanced")->click();
        } else if (d->objectName() == QStringLiteral("frmAddBands")) {
            child<QLineEdit>(d, "txtName")->setText(QStringLiteral("Tail"));
            child<QLineEdit>(d, "txtDefault")->setText(QStringLiteral("T"));
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(child<QLineEdit>(d, "txtDefault"), &out);
            child<QPushButton>(d, "cmdOK")->click();
            bandsInDialog = QString::number(r->Count());
        } else if (d->objectName() == QStringLiteral("frmDropFields")) {
            fieldsListed = child<QListWidget>(d, "lstFields")->count();
        }
    });
    ui::script::answer(ui::vbNo); // no save on close
    r->ShowDesigner(QString(), true);
    EXPECT_EQ(opened, (QStringList{"frmDesigners", "frmAddBands", "frmDropFields", "frmAdvanceds"}));
    EXPECT_EQ(bandsInDialog, QStringLiteral("2"));
    EXPECT_EQ(fieldsListed, 1);
}

TEST_F(DesignerCommands, AfterTheAddBandDialogThePropertiesShowTheNewBandAsItIs)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    QString shown;
    ModalDriver driver([&](QDialog* d) {
        if (d->objectName() == QStringLiteral("frmDesigners")) {
            d->findChild<QAction*>(QStringLiteral("mnuSubBandAdd0"))->trigger(); // before the current band
            shown = r->Band(1)->Name() + QString::number(child<QComboBox>(d, "cboIncrMode")->currentIndex()) +
                    child<QComboBox>(d, "cboTrigerBand")->currentText();
            return;
        }
        for (auto [box, index] : {std::pair{"cboStyle", 3}, {"cboIncrMode", 2}, {"cboTrigerBand", 1}})
            child<QComboBox>(d, box)->setCurrentIndex(index);
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("N"));
        child<QPushButton>(d, "cmdOK")->click();
    });
    ui::script::answer(ui::vbNo);
    r->ShowDesigner(QString(), true);
    EXPECT_EQ(shown, QStringLiteral("N2Head"));
}

} // namespace
