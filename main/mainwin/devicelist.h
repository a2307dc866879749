#pragma once
// The device list as a model over one record set of the list query. The first rows are
// read at once; the rest are read in chunks while the event loop runs. Rows keep only
// the query's seven columns as plain values, their texts in shared blocks; base-data
// texts are looked up when a cell is shown.
#include "platform/dao/dao.h"
#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <QVector>

namespace ostrel {

class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Columns: 设备编号, 设备名称, 价值, 验收状况, 设备状况, 使用部门.
    enum Column { ColNo, ColName, ColValue, ColCheck, ColState, ColDepart, ColumnCount };
    // The row's [Dev_ID] (its Tag).
    static constexpr int DevIdRole = Qt::UserRole;
    // Rows read before start returns: a screenful of the list on a large screen.
    static constexpr int kFirstRows = 64;

    explicit DeviceListModel(QObject* parent = nullptr);
    ~DeviceListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Opens the list query (raising its error with the rows kept), reads the code lists
    // "Check", "State" and "Departs", empties the list and reads the first rows. A
    // running read is stopped first. With count the rows are counted before the rest is
    // read, for the progress; without it (a count that would read as much as the list)
    // their number is known once they are read.
    void start(dao::Database db, const QString& where, bool count = true);
    // Reads every row still unread now.
    void finish();
    // Stops a running read; the rows read so far stay.
    void cancel();
    bool loading() const { return m_loading; }

    // The rows of the whole list (known once counted), and the sum of [价值] in
    // ten-thousandths of the rows read.
    int expectedRows() const { return m_expected; }
    qint64 totalTenThousandths() const { return m_total; }
    qint32 devId(int row) const;
    // Takes rows out of the list (a deleted device); the totals stay until the next load.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // The first row holding devId, or -1.
    int findDevice(qint32 devId) const;

Q_SIGNALS:
    // Every few rows while reading: rows read and rows in all.
    void progress(int read, int expected);
    // The last row has been read.
    void finished();
    // Reading stopped on an error; the rows read so far stay.
    void failed(const vb::Error& error);

private:
    // The query's columns as plain values; texts of codes are looked up when shown. The
    // number and the name lie one after the other in the text block `block` from `at`.
    struct Row {
        double value = 0;
        qint32 devId = 0;
        qint32 codes[3] = {-1, -1, -1};   // check, state, department; -1 for Null
        quint32 block = 0;
        quint32 at = 0;
        quint32 noLength = 0;
        quint32 nameLength = 0;
        bool valueNull = true;
    };
    QString number(const Row& r) const;
    QString name(const Row& r) const;
    // Puts the row's number and name into the text blocks.
    void keepTexts(Row& r, const QString& number, const QString& name);
    void readChunk();
    // Reads up to maxRows rows (all when < 0); true at the end of the rows.
    bool readRows(int maxRows);
    // readRows; an error stops the read and is signalled (false).
    bool readOrStop(int maxRows);
    void countRows(dao::Database db, const QString& where);
    // Tells the view of the rows read since it was last told.
    void show();
    void stopReading();
    void end();

    QVector<Row> m_rows;
    int m_shown = 0;   // the rows the view knows of: the first of m_rows
    QElapsedTimer m_shownClock;
    QVector<QString> m_texts;   // blocks of row texts, each filled up to its first size
    QHash<qint32, QString> m_codeTexts[3];
    dao::Recordset m_rs;
    dao::Database m_db;
    QString m_where;
    QTimer m_timer;
    bool m_loading = false;
    bool m_counted = false;
    int m_expected = 0;
    qint64 m_total = 0;
};

// A currency amount in ten-thousandths as the named format "Currency" shows it.
QString FormatCurrency(qint64 tenThousandths);

} // namespace ostrel
