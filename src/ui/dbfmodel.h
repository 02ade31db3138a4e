#pragma once
// A table model over an open DBF table object: one row per record in
// physical order, one column per field, values as text. Edits are held for
// one record at a time and written to the file when posted (objavi), as a
// data-aware grid does: moving to another record posts the pending one.
#include <QAbstractTableModel>
#include <QMap>
#include <QStringList>

class TApolloDataSet;

class TDbfModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDbfModel(QObject *parent = nullptr);

    // Binds the model to an open table (nullptr unbinds). Pending edits of
    // the previous table are dropped.
    void setTable(TApolloDataSet *table);
    TApolloDataSet *table() const { return m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Holds the value as an edit of the record; a pending edit of another
    // record is posted first (errors raise EMoxError).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Width of a character field (0 for other types), for the editor.
    int sirinaPolja(int column) const;

    // State of the record being edited.
    bool urejanje() const { return m_editRow >= 0; }  // an edit or a new record is pending
    int vrsticaUrejanja() const { return m_editRow; }
    bool novZapis() const { return m_newRecord; }

    // Starts a new record after the last one (a row shown at the end until
    // it is posted or cancelled). Returns its row.
    int vstavi();
    // Starts editing a record without changing a value yet.
    void uredi(int row);
    // Writes the pending record to the file. Raises EMoxError on failure and
    // keeps the pending values.
    void objavi();
    // Drops the pending values (and a new record).
    void preklici();
    // Marks the record deleted in the file (it stays there and is shown
    // struck out); a new record not yet posted is just dropped.
    void izbrisi(int row);
    // Reads the table again.
    void osvezi();

signals:
    // The pending state changed (for the navigator's post/cancel buttons).
    void stanjeUrejanja();

private:
    const QStringList &vrstica(int row) const;
    void pocistiUrejanje();

    TApolloDataSet *m_table = nullptr;
    int m_records = 0;
    int m_editRow = -1;
    bool m_newRecord = false;
    QMap<int, QString> m_pending;     // column → new text
    mutable int m_cacheRow = -1;      // one record's values, read once
    mutable QStringList m_cache;
    mutable bool m_cacheDeleted = false;
};
