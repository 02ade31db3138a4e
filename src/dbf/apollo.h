#pragma once
// The table abstraction over one FoxPro DBF file (with its FPT memo and CDX
// index files). Every failure raises EMoxError naming the file and what is wrong.
#include "base/moxerror.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class DbfTable; // the file engine behind a table object (dbf/dbftable.h)
namespace dbfio {
class FileSystem; // the disk seam (dbf/dbfio.h)
}

// One field of a table to be created.
struct tipDBFStruktura {
    QString polje;    // field name
    QString tip;      // type letter
    qint32 dolzina = 0;
    qint32 decimalk = 0;
};

// A field description of an open table.
struct TApolloFieldInfo {
    QString name;   // upper case, as stored
    QChar type;     // 'C', 'M', 'D', 'N', 'F', 'L', 'I'
    int width = 0;
    int decimals = 0;
};

class TApolloDataSet;

// A field of the current record, as FieldByName returns it.
class TApolloField {
public:
    TApolloField(TApolloDataSet *table, int index) : m_table(table), m_index(index) {}
    // Character data without trailing blanks (leading blanks stay); memo text;
    // a date as "DD.MM.YYYY" (empty when blank).
    QString AsString() const;
    void setAsString(const QString &text);
    qint64 AsInteger() const;
    QDateTime AsDateTime() const;
    void setAsDateTime(const QDateTime &value);
    // Raw bytes (memo with BlobType raw, or the field's stored bytes).
    QByteArray AsBytes() const;
    // Stores raw bytes (a memo without code-page conversion; other fields are
    // cut or blank-padded to their width).
    void setAsBytes(const QByteArray &bytes);
    void setAsInteger(qint64 value);
    bool IsNull() const; // blank field / empty memo
    const TApolloFieldInfo &info() const;
    int index() const { return m_index; }

private:
    TApolloDataSet *m_table;
    int m_index;
};

class TApolloDataSet {
public:
    TApolloDataSet();
    ~TApolloDataSet();
    TApolloDataSet(const TApolloDataSet &) = delete;
    TApolloDataSet &operator=(const TApolloDataSet &) = delete;

    // Path of the table file; ".DBF" is appended when it carries no extension.
    QString TableName;
    bool Exclusive = true;      // an operating-system lock keeps other openers away
    bool OEMTranslate = false;  // text is Windows-1250, never OEM-converted
    bool ReadOnly = false;      // open without writing (a shared lock when not Exclusive)
    bool ShowDeleted = false;   // First/Next/Seek also stop on records marked deleted

    bool Active() const;
    void setActive(bool on);    // opening failure raises EMoxError
    void Open() { setActive(true); }
    void Close() { setActive(false); }

    // Removes every record of the open table (and empties its index).
    void Zap();
    // Start a new record at the end; fields are then assigned and Post adds it.
    void Insert();
    void Append();
    // Start changing the current record; Post writes it back.
    void Edit();
    void Post();
    void Cancel();
    // Marks the current record deleted (it stays in the file).
    void Delete();
    // Forces written records to disk.
    void Commit();

    TApolloField FieldByName(const QString &name); // case-insensitive; missing raises
    int FieldCount() const;
    const TApolloFieldInfo &FieldInfo(int index) const;
    int FieldIndex(const QString &name) const;      // -1 when missing

    // Records in physical order, or index order while an index is active.
    void First();
    void Next();
    bool Eof() const;
    int RecordCount() const;    // records in the file, deleted ones included
    int RecNo() const;          // 1-based physical number of the current record
    void Go(int recNo);         // position on a physical record
    bool Deleted() const;       // current record carries the deletion flag

    // Builds a tag over the expression in the given CDX file (".CDX" added when
    // it has no extension) and makes it the active order.
    void Index(const QString &indexFile, const QString &expression, const QString &condition = QString(),
               bool unique = false, int options = 0);
    // Positions on the first record whose key begins with text (a prefix
    // seek: "A1" finds a key "A10").
    bool Seek(const QString &text);
    // Seeks that decide whether a record is present, comparing whole fields:
    // SeekFields positions on the first record (in index order) whose key's
    // leading fields hold exactly these values, each blank-padded to the
    // width of its field in the key expression. With a value for every field
    // of the key it finds that key only ("A1" never finds "A10"); with fewer
    // it finds any key that begins with those whole fields (a group code alone
    // finds every link of that group in an index over "code_061,code_060").
    // A value that does not fit its field, or more values than fields, finds
    // nothing.
    bool SeekFields(const QStringList &values);
    // The whole key: text blank-padded to the key's length.
    bool SeekExact(const QString &text);
    // Back to physical order (the index file stays as it is).
    void CloseIndex();
    bool HasIndex() const;
    QString IndexExpression() const;   // the active order's expression, empty without one

    // Creating a table: CreateNew, CreateField per field, CreateExec.
    bool CreateNew(const QString &path, int tableType, int fieldCount);
    void CreateField(const QString &name, const QString &type, int width, int decimals);
    bool CreateExec();
    // Why the last CreateNew/CreateExec reported failure.
    QString LastError() const;

    // Memo read as raw bytes, without code-page conversion.
    void setBlobTypeRaw(const QString &fieldName, bool raw = true);

    // Engine side, for the field proxy.
    DbfTable *engine() const;
    // The table path TableName stands for (".DBF" appended when it has no extension).
    QString resolvedPath() const;
    // Where files are read and written (tests hand in files held in memory).
    void setFileSystem(std::shared_ptr<dbfio::FileSystem> fs);

private:
    // Positions on the first record (index order) whose key begins with the
    // bytes; records marked deleted are passed over unless ShowDeleted.
    bool seekBytes(const QByteArray &prefix);
    friend class TApolloField;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Shared operations, implemented in dbf/dbfops.h on top of TApolloDataSet.
