#include "main/mainwin/devicelist.h"
#include "main/core/mdlmisc.h"
#include "main/core/devicefilter.h"
#include "platform/core/format.h"
#include <cmath>

namespace ostrel {

namespace {

constexpr int kRowsPerStep = 200;   // rows between two looks at the clock
constexpr int kSliceMs = 30;        // reading time before the event loop runs again
constexpr qint64 kShowEveryMs = 1000;  // longest wait before rows read are shown
constexpr qsizetype kTextBlock = 1 << 16;   // characters of row texts per block

const char* const kCodeTypes[3] = {"Check", "State", "Departs"};

qint32 codeOf(const QVariant& v)
{
    return v.isNull() ? -1 : v.toInt();
}

} // namespace

QString FormatCurrency(qint64 tenThousandths)
{
    return vb::Format(double(tenThousandths) / 10000.0, QStringLiteral("Currency"));
}

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &DeviceListModel::readChunk);
}

DeviceListModel::~DeviceListModel()
{
    stopReading();
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown)
        return QVariant();
    const Row& r = m_rows[index.row()];
    if (role == DevIdRole)
        return r.devId;
    if (role == Qt::TextAlignmentRole && index.column() == ColValue)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case ColNo:
        return number(r);
    case ColName:
        return name(r);
    case ColValue:
        return (r.valueNull ? QString() : vb::CStr(r.value)) + QLatin1Char(' ');
    case ColCheck:
    case ColState:
    case ColDepart: {
        const int k = index.column() - ColCheck;
        return m_codeTexts[k].value(r.codes[k]);
    }
    default:
        return QVariant();
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const headings[ColumnCount] = {"设备编号", "设备名称", "价值", "验收状况", "设备状况", "使用部门"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(headings[section]);
}

QString DeviceListModel::number(const Row& r) const
{
    return QString(m_texts[r.block].constData() + r.at, r.noLength);
}

QString DeviceListModel::name(const Row& r) const
{
    return QString(m_texts[r.block].constData() + r.at + r.noLength, r.nameLength);
}

void DeviceListModel::keepTexts(Row& r, const QString& number, const QString& name)
{
    const qsizetype length = number.size() + name.size();
    if (m_texts.isEmpty() || m_texts.last().size() + length > m_texts.last().capacity()) {
        m_texts.append(QString());
        m_texts.last().reserve(std::max<qsizetype>(kTextBlock, length));
    }
    QString& block = m_texts.last();
    r.block = quint32(m_texts.size() - 1);
    r.at = quint32(block.size());
    r.noLength = quint32(number.size());
    r.nameLength = quint32(name.size());
    block.append(number);
    block.append(name);
}

qint32 DeviceListModel::devId(int row) const
{
    return row >= 0 && row < m_shown ? m_rows[row].devId : 0;
}

bool DeviceListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_shown)
        return false;
    // The totals above the list count what it holds.
    for (int i = row; i < row + count; ++i)
        if (!m_rows[i].valueNull)
            m_total -= std::llround(m_rows[i].value * 10000.0);
    if (!m_loading)
        m_expected = int(m_rows.size()) - count;
    beginRemoveRows(parent, row, row + count - 1);
    m_rows.remove(row, count);
    m_shown -= count;
    endRemoveRows();
    return true;
}

int DeviceListModel::findDevice(qint32 devId) const
{
    for (int i = 0; i < m_shown; ++i)
        if (m_rows[i].devId == devId)
            return i;
    return -1;
}

void DeviceListModel::start(dao::Database db, const QString& where, bool count)
{
    cancel();
    QHash<qint32, QString> texts[3];
    for (int k = 0; k < 3; ++k) {
        const CodeTable t = CodeList(QString::fromLatin1(kCodeTypes[k]), false);
        if (t.size() == 2)
            for (int i = 0; i < t[0].size(); ++i)
                texts[k].insert(t[0][i].toInt(), t[1].value(i));
    }
    dao::Recordset rs = db.OpenRecordset(ListQuery(where), dao::dbOpenSnapshot);
    beginResetModel();
    m_rows = QVector<Row>();
    m_texts = QVector<QString>();
    m_shown = 0;
    m_total = 0;
    for (int k = 0; k < 3; ++k)
        m_codeTexts[k] = std::move(texts[k]);
    endResetModel();
    m_rs = rs;
    m_db = db;
    m_where = where;
    m_loading = true;
    m_counted = !count;
    m_expected = 0;
    bool done = false;
    try {
        done = readRows(kFirstRows);
    } catch (...) {
        cancel();
        throw;
    }
    show();
    if (done)
        end();
    else
        m_timer.start();
}

void DeviceListModel::finish()
{
    if (m_loading && readOrStop(-1))
        end();
}

void DeviceListModel::cancel()
{
    stopReading();
    show();
}

void DeviceListModel::show()
{
    if (m_shown == m_rows.size())
        return;
    beginInsertRows(QModelIndex(), m_shown, int(m_rows.size()) - 1);
    m_shown = int(m_rows.size());
    endInsertRows();
    m_shownClock.start();
}

void DeviceListModel::stopReading()
{
    m_timer.stop();
    if (m_loading) {
        m_loading = false;
        CloseRecordset(m_rs);
    }
    m_rs = dao::Recordset();
    m_db = dao::Database();
}

void DeviceListModel::readChunk()
{
    if (!m_loading) {
        m_timer.stop();
        return;
    }
    if (!m_counted)
        countRows(m_db, m_where);
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    do {
        done = readOrStop(kRowsPerStep);
    } while (m_loading && !done && clock.elapsed() < kSliceMs);
    if (!m_loading)
        return;
    if (done) {
        end();
        return;
    }
    // The view lays every row out again when rows come: it is told of them when they
    // have doubled, or after a second.
    if (m_rows.size() >= 2 * m_shown || m_shownClock.elapsed() >= kShowEveryMs)
        show();
    emit progress(int(m_rows.size()), m_expected);
}

bool DeviceListModel::readOrStop(int maxRows)
{
    try {
        return readRows(maxRows);
    } catch (const vb::Error& e) {
        cancel();
        emit failed(e);
        return false;
    }
}

bool DeviceListModel::readRows(int maxRows)
{
    const dao::Field& no = m_rs.Fields(0);
    const dao::Field& id = m_rs.Fields(1);
    const dao::Field& name = m_rs.Fields(2);
    const dao::Field& value = m_rs.Fields(3);
    const dao::Field* codes[3] = {&m_rs.Fields(4), &m_rs.Fields(5), &m_rs.Fields(6)};
    // Rows read are kept at once and shown by show().
    for (int read = 0; maxRows < 0 || read < maxRows; ++read) {
        if (m_rs.Eof())
            return true;
        Row r;
        keepTexts(r, no.Value().toString(), name.Value().toString());
        r.devId = id.Value().toInt();
        const QVariant v = value.Value();
        r.valueNull = v.isNull();
        if (!r.valueNull) {
            r.value = v.toDouble();
            m_total += std::llround(r.value * 10000.0);
        }
        for (int k = 0; k < 3; ++k)
            r.codes[k] = codeOf(codes[k]->Value());
        m_rows.append(r);
        m_rs.MoveNext();
    }
    return m_rs.Eof();
}

void DeviceListModel::countRows(dao::Database db, const QString& where)
{
    m_counted = true;
    try {
        dao::Recordset rows = db.OpenRecordset(ListCountQuery(where), dao::dbOpenSnapshot);
        if (!rows.Eof()) {
            rows.MoveLast();
            m_expected = rows.RecordCount();
        }
        rows.Close();
        // Room for every row at once: no copies of a growing list.
        if (m_expected > m_rows.size())
            m_rows.reserve(m_expected);
    } catch (const vb::Error&) {
        m_expected = 0;   // progress without a known end
    }
}

void DeviceListModel::end()
{
    show();
    m_timer.stop();
    m_loading = false;
    CloseRecordset(m_rs);
    m_rs = dao::Recordset();
    m_db = dao::Database();
    m_expected = int(m_rows.size());
    emit progress(m_expected, m_expected);
    emit finished();
}

} // namespace ostrel
