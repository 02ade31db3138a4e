// Fuzz target for the table and memo readers (and the writer on top of what
// they read). The input is split into a table file and a memo file: the first
// two bytes (little-endian) give the length of the table part, the rest after
// it is the memo file. Every failure must be an EMoxError; anything else (a
// crash, a sanitizer report, a hang) is a bug.
#include "dbf/apollo.h"
#include "dbf/dbfio.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t dbfLen = qMin<size_t>(size - 2, size_t(data[0] | (data[1] << 8)));
    const char *p = reinterpret_cast<const char *>(data + 2);
    auto fs = std::make_shared<dbfio::MemoryFileSystem>();
    fs->setFile(QStringLiteral("/f/T.DBF"), QByteArray(p, qsizetype(dbfLen)));
    fs->setFile(QStringLiteral("/f/T.FPT"), QByteArray(p + dbfLen, qsizetype(size - 2 - dbfLen)));

    TApolloDataSet t;
    t.setFileSystem(fs);
    t.TableName = QStringLiteral("/f/T.DBF");
    try {
        t.Open();
        t.ShowDeleted = (size & 1) != 0;
        int n = 0;
        for (t.First(); !t.Eof() && n < 10000; t.Next(), ++n) {
            for (int i = 0; i < t.FieldCount(); ++i) {
                auto f = t.FieldByName(t.FieldInfo(i).name);
                try {
                    f.AsString();
                    f.IsNull();
                    f.AsBytes();
                } catch (const EMoxError &) {
                }
                try {
                    f.AsInteger();
                } catch (const EMoxError &) {
                }
                try {
                    f.AsDateTime();
                } catch (const EMoxError &) {
                }
            }
        }
        // Writing on top of what was read: a new record with every field set,
        // and a change of the first record.
        t.Append();
        for (int i = 0; i < t.FieldCount(); ++i) {
            try {
                t.FieldByName(t.FieldInfo(i).name).setAsString(QStringLiteral("12"));
            } catch (const EMoxError &) {
            }
        }
        t.Post();
        t.First();
        if (!t.Eof()) {
            t.Edit();
            for (int i = 0; i < t.FieldCount(); ++i) {
                try {
                    t.FieldByName(t.FieldInfo(i).name).setAsString(QStringLiteral("x"));
                } catch (const EMoxError &) {
                }
            }
            t.Post();
        }
        t.Close();
        // What was written must open again.
        t.Open();
        for (t.First(); !t.Eof(); t.Next()) {
        }
        t.Close();
    } catch (const EMoxError &) {
    }
    return 0;
}
