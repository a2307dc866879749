// The designer's property frame: filling it from the current band, which editors the band
// accepts, and writing each editor's value through to the band.
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/controls.h"
#include "rulegen/designer/frmdesigners.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/beep.h"
#include "platform/ui/winlock.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <optional>

namespace tessaly {

namespace {

using vb::ignoring;

// Selects an entry from code without the user's click handler (which listens to "activated").
void select(QComboBox* c, int i) { c->setCurrentIndex(i); }

} // namespace

// ---------------------------------------------------------------- enabled states

void frmDesigners::SetControlStates(int item, bool enabled)
{
    try {
        if (m_code && m_current >= 0 && m_current < m_code->Count())
            enabled = enabled && m_code->bands().at(m_current)->AllowModified();
        switch (item) {
        case 0: enableControl(txtName, enabled); break;
        case 1: enableControl(cboStyle, enabled); break;
        case 2: enableControl(cboSwapMode, enabled); break;
        case 3: enableControl(txtDefault, enabled); break;
        case 4: enableControl(txtFormat, enabled); break;
        case 5: enableControl(txtLength, enabled); break;
        case 6: enableControl(cboBound, enabled); break;
        case 7: {
            const bool on = enabled && m_code && m_code->AllowFieldManage();
            enableControl(cmdAppend, on);
            enableControl(cmdDrop, on);
            break;
        }
        case 8: enableControl(cboIncrMode, enabled); break;
        case 9:
        case 10:
            enableControl(txtRange[item - 9], enabled);
            enableControl(vscRange[item - 9], enabled);
            break;
        case 11: enableControl(cboTrigerBand, enabled); break;
        case 12:
            enableControl(txtRange[0], enabled);
            enableControl(txtRange[1], enabled);
            break;
        case 13:
            enableControl(lstTracks, enabled);
            enableControl(lblInfo[10], enabled);
            break;
        case 14: fraRelations->SetControlStates(enabled); break;
        default: break;
        }
    } catch (const vb::Error& e) {
        ui::MsgBox(e.description(), ui::vbExclamation, appTitle(), this);
    }
}

// ---------------------------------------------------------------- filling the frame

// The writability test of one editor: the band's own value written back (which the band
// takes without changing anything) decides whether the editor is enabled.
void frmDesigners::fillProperty(int item, const std::function<void()>& writeBack, const std::function<void()>& show)
{
    SetControlStates(item, ignoring(writeBack));
    ignoring(show);
}

void frmDesigners::ShowBandInfo()
{
    std::optional<ui::WindowUpdateLock> lock(std::in_place, this);
    const bool wasFilling = m_filling;
    m_filling = true;
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{m_filling, wasFilling};

    BandImpl* b = nullptr;
    try {
        if (!m_code)
            throw runtimeError(vb::errObjectNotSet);
        const int n = m_code->Count();
        if (n > 0) {
            m_current = qBound(0, m_current, n - 1);
            paintBoxes();
            b = m_code->bands().at(m_current).get();
        }
    } catch (const vb::Error& e) {
        lock.reset();
        showEmpty(&e);
        return;
    }
    if (!b) {
        lock.reset();
        showEmpty(nullptr);
        return;
    }

    fillProperty(0, [&] { b->setName(b->Name()); }, [&] { txtName->setText(b->Name()); });
    fillProperty(1, [&] { b->setStyle(b->Style()); }, [&] { select(cboStyle, b->Style()); });
    fillProperty(2, [&] { b->setSwapMode(b->SwapMode()); }, [&] { select(cboSwapMode, b->SwapMode()); });
    fillProperty(3, [&] { b->setDefault(b->Default()); }, [&] { txtDefault->setText(b->Default()); });
    fillProperty(4, [&] { b->setFormate(b->Formate()); }, [&] { txtFormat->setText(b->Formate()); });
    fillProperty(5, [&] { b->setLength(b->Length()); }, [&] { txtLength->setText(QString::number(b->Length())); });
    fillProperty(8, [&] { b->setIncrMode(b->IncrMode()); }, [&] { select(cboIncrMode, b->IncrMode()); });
    fillProperty(9, [&] { b->setInitStart(b->InitStart()); }, [&] {
        txtRange[0]->setText(b->InitStart());
        txtRange[0]->setMaxLength(qMax(1, b->Length()));
    });
    fillProperty(10, [&] { b->setInitEnd(b->InitEnd()); }, [&] {
        txtRange[1]->setText(b->InitEnd());
        txtRange[1]->setMaxLength(qMax(1, b->Length()));
    });

    // bound field
    ignoring([&] {
        cboBound->clear();
        com::ComPtr<ILists> fields = b->DataFields();
        if (!fields) {
            SetControlStates(6, false);
            return;
        }
        const QString bound = b->heldDataField() ? b->heldDataField()->ForeignName() : QString();
        int chosen = -1;
        for (qint32 i = 1; i <= fields->Count(); ++i) {
            const QString name = fields->Item(i)->ForeignName();
            cboBound->addItem(name, i);
            if (chosen < 0 && b->heldDataField() && name == bound)
                chosen = int(i - 1);
        }
        select(cboBound, chosen);
        SetControlStates(6, true);
    });
    SetControlStates(7, true);

    // trigger band
    ignoring([&] {
        cboTrigerBand->clear();
        cboTrigerBand->addItem(msg(1701));
        com::ComPtr<IBand> t = b->TrigerBand();
        if (!t) {
            SetControlStates(11, false);
            select(cboTrigerBand, 0);
            return;
        }
        const auto& bands = m_code->bands();
        for (int i = 0; i < bands.size(); ++i)
            cboTrigerBand->addItem(bands[i]->Name(), i + 1);
        int chosen = 0;
        if (!t->Name().isEmpty())
            for (int i = 1; i < cboTrigerBand->count(); ++i)
                if (cboTrigerBand->itemText(i) == t->Name()) {
                    chosen = i;
                    break;
                }
        select(cboTrigerBand, chosen);
        SetControlStates(11, true);
    });

    // tracked bands
    ignoring([&] {
        lstTracks->clear();
        com::ComPtr<INames> tracks = b->isCounter() ? b->TrackBands() : com::ComPtr<INames>();
        if (!tracks) {
            SetControlStates(13, false);
            return;
        }
        for (const auto& other : m_code->bands()) {
            auto* item = new QListWidgetItem(other->Name());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            lstTracks->addItem(item);
        }
        for (const QString& name : tracks->NewEnum())
            for (int i = 0; i < lstTracks->count(); ++i)
                if (lstTracks->item(i)->text() == name) {
                    lstTracks->item(i)->setCheckState(Qt::Checked);
                    break;
                }
        lstTracks->setCurrentRow(-1);
        SetControlStates(13, true);
    });

    // the relation panel listens to this band's table from now on
    fraRelations->ShowBand(m_code.get(), m_current);
    setPointer(imgButton[0], m_code->AllowAddBand());
    setPointer(imgButton[1], b->AllowDroped() && m_code->AllowDropBand());
}

void frmDesigners::showEmpty(const vb::Error* e)
{
    if (e && e->number() != vb::errInvalidCall)
        ui::MsgBox(e->description(), ui::vbExclamation, appTitle(), this);
    const bool wasFilling = m_filling;
    m_filling = true;
    ignoring([&] {
        fraRelations->Detach();
        txtName->clear();
        lstTracks->clear();
        for (int i = 0; i <= 15; ++i)
            SetControlStates(i, false);
        setPointer(imgButton[0], m_code && m_code->AllowAddBand());
        setPointer(imgButton[1], false);
    });
    m_filling = wasFilling;
}

// ---------------------------------------------------------------- writing through

void frmDesigners::cboSwapMode_Click(int index)
{
    BandImpl* b = band();
    if (!b || index < 0 || SwapModes(index) == b->SwapMode())
        return;
    ignoring([&] {
        // what the change clears: the band's own table, or the shared tree when the layer
        // list changes
        const SwapModes old = b->SwapMode();
        qint32 relations = 0;
        if (old == smSimpleSwap && b->heldRelations())
            relations += b->heldRelations()->Count();
        if ((old == smLayersSwap || index == smLayersSwap) && m_code->heldRelations())
            relations += m_code->heldRelations()->Count();
        if (confirmClearRelations(relations, this))
            b->setSwapMode(SwapModes(index));
    });
    ShowBandInfo();
}

void frmDesigners::cboIncrMode_Click(int index)
{
    BandImpl* b = band();
    if (!b || index < 0 || IncrModes(index) == b->IncrMode())
        return;
    ignoring([&] { b->setIncrMode(IncrModes(index)); });
    ShowBandInfo();
}

void frmDesigners::cboBound_Click(int index)
{
    BandImpl* b = band();
    if (!b)
        return;
    ignoring([&] {
        const qint32 k = index < 0 ? -1 : cboBound->itemData(index).toInt();
        com::ComPtr<ILists> fields = b->DataFields();
        if (!fields)
            return;
        com::ComPtr<IList> chosen = fields->Item(k);
        const QString held = b->heldDataField() ? b->heldDataField()->Name() : QString();
        if (held == chosen->Name())
            return;
        b->setDataField(chosen.get());
        ShowBandInfo();
    });
}

void frmDesigners::cboTrigerBand_Click(int i)
{
    BandImpl* b = band();
    if (!b)
        return;
    ignoring([&] {
        com::ComPtr<IBand> t = b->TrigerBand();
        const QString held = t ? t->Name() : QString();
        if ((i == 0 && held.isEmpty()) || (i > 0 && cboTrigerBand->itemText(i) == held))
            return;
        if (i < 1)
            b->setTrigerBand(nullptr);
        else
            b->setTrigerBand(m_code->Band(cboTrigerBand->itemText(i)).get());
    });
    ShowBandInfo();
}

// A text property: a text that differs from the band's is written, and the frame refilled.
void frmDesigners::textProperty_LostFocus(QLineEdit* box, QString (BandImpl::*get)(),
                                          void (BandImpl::*set)(const QString&))
{
    BandImpl* b = band();
    if (!b || box->text() == (b->*get)())
        return;
    ignoring([&] { (b->*set)(box->text()); });
    ShowBandInfo();
}

void frmDesigners::txtLength_LostFocus()
{
    BandImpl* b = band();
    if (!b)
        return;
    const QString t = txtLength->text();
    // text that is no number leaves the length as it is
    if (text::isNumeric(t)) {
        const double v = text::trim(t).toDouble();
        if (v != b->Length()) {
            // rounded as the runtime rounds: halves to even
            const double whole = std::nearbyint(v);
            if (std::fabs(whole) < 2147483647.0)
                ignoring([&] { b->setLength(qint32(whole)); });
        }
    }
    ShowBandInfo();
}

void frmDesigners::txtRange_LostFocus(int i)
{
    BandImpl* b = band();
    if (!b)
        return;
    const QString t = txtRange[i]->text();
    ignoring([&] {
        if (i == 0 && t != b->InitStart())
            b->setInitStart(t);
        else if (i == 1 && t != b->InitEnd())
            b->setInitEnd(t);
    });
    txtRange[i]->setText(i == 0 ? b->InitStart() : b->InitEnd());
}

void frmDesigners::vscRange_Change(int i)
{
    if (m_resettingSpin)
        return;
    QScrollBar* spin = vscRange[i];
    BandImpl* b = band();
    if (b) {
        txtRange[i]->setFocus(Qt::OtherFocusReason);
        ui::DoEvents();
        const bool up = spin->value() < 50;
        auto write = [&](const QString& v) {
            if (i == 0)
                b->setInitStart(v);
            else
                b->setInitEnd(v);
        };
        auto stored = [&] { return i == 0 ? b->InitStart() : b->InitEnd(); };
        const bool ok = ignoring([&] {
            if (!b->isCounter())
                return;
            write(text::trim(txtRange[i]->text()));
            QString s = stored();
            if (b->Style() == bsIncreaseNumber)
                s = s.isEmpty() ? QStringLiteral("1")
                                : text::numberText(QString::number(text::trim(s).toDouble() + (up ? 1 : -1), 'g', 15));
            else
                s = s.isEmpty() ? QStringLiteral("A") : QString(QChar(s.at(0).unicode() + (up ? 1 : -1)));
            write(s);
        });
        txtRange[i]->setText(stored());
        if (!ok)
            ui::Beep();
    }
    m_resettingSpin = true;
    spin->setValue(50);
    m_resettingSpin = false;
}

void frmDesigners::lstTracks_ItemCheck(QListWidgetItem* item)
{
    BandImpl* b = band();
    if (m_filling || !b || !item)
        return;
    com::ComPtr<INames> tracks = b->TrackBands();
    if (!tracks)
        return;
    try {
        if (item->checkState() == Qt::Checked)
            tracks->Add(item->text());
        else
            tracks->Remove(item->text());
    } catch (const vb::Error& e) {
        if (e.number() == vb::componentError(2022)) {
            const bool wasFilling = m_filling;
            m_filling = true;
            item->setCheckState(Qt::Unchecked);
            m_filling = wasFilling;
        } else if (e.number() != vb::errInvalidCall && e.number() != vb::errKeyExists) {
            ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
        }
    }
}

} // namespace tessaly
