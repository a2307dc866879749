#pragma once
// frmAddNodes: adds relations (a code and the value it stands for) to a band's conversion
// table relative to a reference relation, or changes the code and value of that relation.
// In add mode it stays open after each OK; in modify mode OK closes it. It writes only into
// the table; the designer's tree follows the table's NodesChanged.
#include "rulegen/engine/codeclass.h"
#include <QDialog>
#include <QList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaly {

class TxtEXPs;

class frmAddNodes final : public QDialog {
public:
    explicit frmAddNodes(QWidget* parent = nullptr);
    ~frmAddNodes() override;

    // Position: 1 before, 2 after, 3 append, 4 child, 0 none chosen.
    void ShowAddNode(BandImpl* band, const QVariant& RelativeKey, bool Modify, qint32& Position);

    QLineEdit* txtCode = nullptr;
    QLineEdit* txtValue = nullptr;
    QLabel* lblLayer = nullptr; // lblInfo(4): the name of the new relation's layer
    QGroupBox* famPosition = nullptr;
    QRadioButton* optStyle[4] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void optStyle_Click(int index);
    void cmdOK_Click();
    int chosenOption() const; // -1 for none

    com::ComPtr<BandImpl> m_band;
    com::ComPtr<ICNode> m_node; // the reference relation, or null
    bool m_modify = false;
    bool m_upperCase = false;
    QList<TxtEXPs*> m_inputs;
};

} // namespace tessaly
