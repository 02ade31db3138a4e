#include "ui/dbfmodel.h"

#include "dbf/apollo.h"

#include <QFont>

TDbfModel::TDbfModel(QObject *parent) : QAbstractTableModel(parent) {}

void TDbfModel::setTable(TApolloDataSet *table)
{
    beginResetModel();
    m_table = table;
    m_records = (table && table->Active()) ? table->RecordCount() : 0;
    m_cacheRow = -1;
    pocistiUrejanje();
    endResetModel();
    emit stanjeUrejanja();
}

int TDbfModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table)
        return 0;
    return m_records + (m_newRecord ? 1 : 0);
}

int TDbfModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table || !m_table->Active())
        return 0;
    return m_table->FieldCount();
}

const QStringList &TDbfModel::vrstica(int row) const
{
    if (row != m_cacheRow) {
        m_cache.clear();
        m_cacheDeleted = false;
        if (row < m_records) {
            m_table->Go(row + 1);
            const int n = m_table->FieldCount();
            m_cache.reserve(n);
            for (int i = 0; i < n; ++i)
                m_cache << TApolloField(m_table, i).AsString();
            m_cacheDeleted = m_table->Deleted();
        }
        m_cacheRow = row;
    }
    return m_cache;
}

QVariant TDbfModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_table || !m_table->Active())
        return {};
    const int row = index.row(), col = index.column();
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (row == m_editRow && m_pending.contains(col))
            return m_pending.value(col);
        if (m_newRecord && row == m_records)
            return QString();
        const QStringList &v = vrstica(row);
        return col < v.size() ? v.at(col) : QString();
    }
    if (role == Qt::FontRole && row < m_records) {
        vrstica(row);
        if (m_cacheDeleted) {
            QFont f;
            f.setStrikeOut(true);
            return f;
        }
    }
    if (role == Qt::TextAlignmentRole) {
        const QChar type = m_table->FieldInfo(col).type;
        if (type == u'N' || type == u'F' || type == u'I')
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TDbfModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_table || !m_table->Active())
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_table->FieldCount() ? m_table->FieldInfo(section).name : QString();
    if (m_newRecord && section == m_records)
        return QStringLiteral("*");
    return QString::number(section + 1);
}

Qt::ItemFlags TDbfModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

int TDbfModel::sirinaPolja(int column) const
{
    if (!m_table || !m_table->Active() || column < 0 || column >= m_table->FieldCount())
        return 0;
    const TApolloFieldInfo &f = m_table->FieldInfo(column);
    return f.type == u'C' ? f.width : 0;
}

bool TDbfModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_table)
        return false;
    const int row = index.row();
    if (m_editRow >= 0 && m_editRow != row)
        objavi();
    const QString text = value.toString();
    if (m_editRow < 0 && data(index, Qt::EditRole).toString() == text)
        return false; // nothing changed: no edit started
    m_editRow = row;
    m_pending.insert(index.column(), text);
    emit dataChanged(index, index);
    emit stanjeUrejanja();
    return true;
}

int TDbfModel::vstavi()
{
    if (!m_table || !m_table->Active())
        return -1;
    if (m_editRow >= 0)
        objavi();
    beginInsertRows(QModelIndex(), m_records, m_records);
    m_newRecord = true;
    m_editRow = m_records;
    endInsertRows();
    emit stanjeUrejanja();
    return m_editRow;
}

void TDbfModel::uredi(int row)
{
    if (row < 0 || row >= rowCount() || row == m_editRow)
        return;
    if (m_editRow >= 0)
        objavi();
    m_editRow = row;
    emit stanjeUrejanja();
}

void TDbfModel::objavi()
{
    if (m_editRow < 0 || !m_table)
        return;
    if (m_newRecord) {
        m_table->Append();
        try {
            for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
                TApolloField(m_table, it.key()).setAsString(it.value());
            m_table->Post();
        } catch (...) {
            m_table->Cancel();
            throw;
        }
        m_table->Commit();
        m_records = m_table->RecordCount();
    } else if (!m_pending.isEmpty()) {
        m_table->Go(m_editRow + 1);
        m_table->Edit();
        try {
            for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
                TApolloField(m_table, it.key()).setAsString(it.value());
            m_table->Post();
        } catch (...) {
            m_table->Cancel();
            throw;
        }
        m_table->Commit();
    }
    const int row = m_editRow;
    m_cacheRow = -1;
    pocistiUrejanje();
    emit headerDataChanged(Qt::Vertical, row, row);
    emit dataChanged(index(row, 0), index(row, qMax(0, columnCount() - 1)));
    emit stanjeUrejanja();
}

void TDbfModel::preklici()
{
    if (m_editRow < 0)
        return;
    if (m_newRecord) {
        beginRemoveRows(QModelIndex(), m_records, m_records);
        pocistiUrejanje();
        endRemoveRows();
    } else {
        const int row = m_editRow;
        pocistiUrejanje();
        emit dataChanged(index(row, 0), index(row, qMax(0, columnCount() - 1)));
    }
    emit stanjeUrejanja();
}

void TDbfModel::izbrisi(int row)
{
    if (!m_table || row < 0 || row >= rowCount())
        return;
    if (row == m_editRow)
        preklici();
    if (row >= m_records)
        return;
    m_table->Go(row + 1);
    m_table->Delete();
    m_table->Commit();
    m_cacheRow = -1;
    emit dataChanged(index(row, 0), index(row, qMax(0, columnCount() - 1)));
}

void TDbfModel::osvezi()
{
    beginResetModel();
    m_records = (m_table && m_table->Active()) ? m_table->RecordCount() : 0;
    m_cacheRow = -1;
    pocistiUrejanje();
    endResetModel();
    emit stanjeUrejanja();
}

void TDbfModel::pocistiUrejanje()
{
    m_editRow = -1;
    m_newRecord = false;
    m_pending.clear();
}
