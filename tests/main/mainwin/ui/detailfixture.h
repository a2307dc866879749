#pragma once
// The main window over a database with devices, base data and history rows.
#include "main/devices/ui/frmdynamics.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/core/msgbox.h"
#include "tests/main/mainwin/listfixture.h"
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QTreeWidget>
#include <memory>

namespace testutil {

class DetailDatabaseTest : public ListDatabaseTest {
protected:
    void SetUp() override
    {
        ListDatabaseTest::SetUp();
        ui::script::clear();
    }

    // Adds a row; fields are column name and value pairs (a QByteArray for binary columns).
    static void addRow(const QString& table, const QList<QPair<QString, QVariant>>& fields)
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(table, dao::dbOpenDynaset);
        rs.AddNew();
        for (const auto& f : fields)
            rs(f.first).setValue(f.second);
        rs.Update();
        rs.Close();
    }
    static QDateTime at(const QString& text) { return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm")); }

    // A window loaded for the operator, its list read and tracking on.
    std::unique_ptr<ostrel::frmMain> openWindow()
    {
        auto w = std::make_unique<ostrel::frmMain>();
        w->Form_Load();
        w->chkTrack->setChecked(true);
        while (w->listLoading())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return w;
    }
    // Selects the list row of devId (none for 0) and the tab of key, as the user would.
    static void show(ostrel::frmMain& w, qint32 devId, const QString& key)
    {
        if (devId > 0)
            w.selectRow(w.deviceList->findDevice(devId));
        else
            w.lvwDevices->clearSelection();
        for (int i = 0; i < w.tbsDevice->count(); ++i)
            if (w.tbsDevice->tabData(i).toString() == key)
                w.tbsDevice->setCurrentIndex(i);
        w.tbsDevice_Click();
    }
    static QStringList rowTexts(QTreeWidgetItem* item)
    {
        QStringList out;
        for (int i = 0; i < item->columnCount(); ++i)
            out << item->text(i);
        return out;
    }
    static QList<QStringList> shownRows(const ostrel::frmMain& w)
    {
        QList<QStringList> rows;
        for (int i = 0; i < w.lstDetail->topLevelItemCount(); ++i)
            rows << rowTexts(w.lstDetail->topLevelItem(i));
        return rows;
    }
    static QStringList headers(const ostrel::frmMain& w) { return rowTexts(w.lstDetail->headerItem()); }
};

} // namespace testutil
