#pragma once
// The code-rule designer: the rule's bands as a strip of boxes, the current band's properties,
// and (beside them) its relation tree. Every edit goes into the live rule at once; the rule's
// text reaches the host only through the rule's Save (the save button, or closing).
#include "rulegen/designer/relationpanel.h"
#include "rulegen/designer/rulelistener.h"
#include "rulegen/engine/codeclass.h"
#include "platform/core/vberror.h"
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QVariant>
#include <QVector>
#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QTreeWidget;

namespace tessaly {

class TxtEXPs;
class frmDesigners;

// One box of the band strip (picBand). Boxes are pooled: a rebuild hides and reuses them and
// never deletes one, since it may run inside a box's own mouse handler.
class BandBox : public QWidget {
public:
    BandBox(frmDesigners* owner, int index, QWidget* parent);
    int index() const { return m_index; }
    QString tag() const { return m_tag; }
    void setTag(const QString& t) { m_tag = t; }
    void setBackColor(const QColor& c);
    QColor backColor() const { return m_back; }
    // DrawBandCaption: the caption, centred in the box's own font.
    void drawCaption(const QString& caption);
    QString caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    frmDesigners* m_owner;
    int m_index;
    QString m_tag, m_caption;
    QColor m_back;
};

class frmDesigners : public QDialog {
public:
    explicit frmDesigners(QWidget* parent = nullptr);
    ~frmDesigners() override;

    // The rule being designed (held with events).
    CodeClassImpl* cCode() const { return m_code.get(); }
    void setCode(CodeClassImpl* rule);

    // Rebuilds the strip: a rule that is not null replaces the present one, a valid index
    // (1-based position or name) selects a band, a title that is not empty becomes the caption.
    void LoadBands(CodeClassImpl* rule, const QVariant& index = QVariant(), const QString& title = QString());
    // Fills the property frame from the current band.
    void ShowBandInfo();
    void SetControlStates(int item, bool enabled);
    void RemoveSelectedBand();
    // The steps of unloading: free the pointer, drop the input helpers, offer the rule for
    // saving (No puts the stored rule back), detach from the rule. Runs once.
    void Form_Unload();

    int currentBand() const { return m_current; } // 0-based
    bool dragging() const { return m_dragging; }
    int visibleBoxes() const;
    int boxPoolSize() const { return picBand.size(); }

    // Controls, named as the window's design names them.
    QScrollArea* sclStrip = nullptr;
    QWidget* picBkg = nullptr;
    QVector<BandBox*> picBand;
    QLabel* picMove = nullptr;
    QLabel* imgPos = nullptr;
    QVector<QFrame*> lLine;
    QVector<QLabel*> imgButton;
    QVector<QLabel*> lblInfo;
    QGroupBox* famPropertiy = nullptr;
    QLineEdit* txtName = nullptr;
    QComboBox* cboStyle = nullptr;
    QComboBox* cboSwapMode = nullptr;
    QLineEdit* txtDefault = nullptr;
    QLineEdit* txtFormat = nullptr;
    QLineEdit* txtLength = nullptr;
    QComboBox* cboBound = nullptr;
    QPushButton* cmdAppend = nullptr;
    QPushButton* cmdDrop = nullptr;
    QComboBox* cboIncrMode = nullptr;
    QVector<QLineEdit*> txtRange;
    QVector<QScrollBar*> vscRange;
    QComboBox* cboTrigerBand = nullptr;
    QListWidget* lstTracks = nullptr;
    // The relation panel: the band's relation tree and its commands (its controls below).
    RelationPanel* fraRelations = nullptr;
    QTreeWidget* tvwAvailable = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdModify = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdAdvanced = nullptr;
    QPushButton* cmdClose = nullptr;
    QMenu* mnuBand = nullptr;
    QMenu* mnuBandAdd = nullptr;
    QVector<QAction*> mnuSubBandAdd;
    QAction* mnuBandRemove = nullptr;
    QAction* mnuBandRemoveAll = nullptr;

    // Band-box mouse handlers (BandBox forwards them).
    void picBand_MouseDown(int index, Qt::MouseButton button, const QPoint& pos);
    void picBand_MouseMove(int index, Qt::MouseButtons buttons, const QPoint& pos);
    void picBand_MouseUp(int index, Qt::MouseButton button, const QPoint& pos);
    void picBand_GotFocus(int index);

    // The strip slot (0 … count) that a drag image with this left edge drops into.
    int dropSlot(int moveLeft) const;

protected:
    void done(int r) override;

private:
    void Form_Load();
    void buildStrip();
    void buildProperties();
    void buildRelationPanel();
    void buildButtons();
    void buildMenu();
    void attach(CodeClassImpl* rule);
    void detach();
    BandImpl* band() const; // the current band, or null
    BandBox* box(int i);
    int boxWidth() const;
    int boxLeft(int i) const;
    void resizeStrip();
    void ArrangeBands(int x);
    void paintBoxes();
    void setPointer(QLabel* image, bool allowed);
    void showEmpty(const vb::Error* e);
    void fillProperty(int item, const std::function<void()>& writeBack, const std::function<void()>& show);
    void addBand(int position);
    void removeAll();
    void restoreStored();

    // Write-through handlers of the property editors.
    void cboSwapMode_Click(int index);
    void cboIncrMode_Click(int index);
    void cboBound_Click(int index);
    void cboTrigerBand_Click(int index);
    void textProperty_LostFocus(QLineEdit* box, QString (BandImpl::*get)(), void (BandImpl::*set)(const QString&));
    void txtLength_LostFocus();
    void txtRange_LostFocus(int i);
    void vscRange_Change(int i);
    void lstTracks_ItemCheck(QListWidgetItem* item);
    bool eventFilter(QObject* watched, QEvent* event) override;

    com::ComPtr<CodeClassImpl> m_code;
    RuleListener m_listener; // BandsChanged rebuilds the strip, FieldsChanged refills the frame
    int m_current = 0;
    int m_stripTop = 0;
    int m_grabOffset = 0;
    bool m_dragging = false;
    bool m_filling = false;
    bool m_resettingSpin = false;
    bool m_unloaded = false;
    QString m_baseline; // the rule as opened or last saved here
    QList<TxtEXPs*> m_inputs;
};

} // namespace tessaly
