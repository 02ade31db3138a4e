#include "platform/fileinfo.h"
#include "platform/versionblock.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

using moxversion::VersionBlockContent;

namespace {

const QString kNoInfo = QStringLiteral("No file info.");

VersionBlockContent slovenianSpec()
{
    VersionBlockContent content; // language 0x0424, code page 1250: table "042404e2"
    content.numericVersion = QStringLiteral("2.5.1.7");
    content.strings = {
        {QStringLiteral("CompanyName"), QStringLiteral("Bolnišnica d.o.o.")},
        {QStringLiteral("FileDescription"), QStringLiteral("Osveževanje tabel")},
        {QStringLiteral("FileVersion"), QStringLiteral("2.5.1.7")},
        {QStringLiteral("InternalName"), QStringLiteral("mox")},
        {QStringLiteral("LegalCopyright"), QStringLiteral("© Čebelica")},
        {QStringLiteral("OriginalFilename"), QStringLiteral("mox.exe")},
        {QStringLiteral("ProductName"), QStringLiteral("MOX")},
        {QStringLiteral("ProductVersion"), QStringLiteral("2.5")},
        {QStringLiteral("Comments"), QStringLiteral("Šifranti in ŽŠČ")},
    };
    return content;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QStringList texts(const TIFileInfo &i)
{
    return {i.FsCompanyName,      i.FsFileDescription, i.FsFileVersion,    i.FsInternalName,
            i.FsLegalCopyright,   i.FsLegalTrademarks, i.FsOriginalFilename, i.FsProductName,
            i.FsProductVersion,   i.FsComments};
}

void le16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void le32(QByteArray &b, qsizetype at, quint32 v)
{
    le16(b, at, quint16(v & 0xFFFF));
    le16(b, at + 2, quint16(v >> 16));
}

// A minimal PE32 file: one ".rsrc" section holding, when block is not empty,
// a version resource (type 16, id 1, language 0x0424) with that block.
QByteArray minimalPe(const QByteArray &block)
{
    QByteArray f(0x200, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    le32(f, 0x3C, 0x40);
    f.replace(0x40, 4, QByteArray("PE\0\0", 4));
    const int coff = 0x44;
    le16(f, coff, 0x14C);      // i386
    le16(f, coff + 2, 1);      // one section
    le16(f, coff + 16, 224);   // optional header size
    const int opt = coff + 20; // 0x58
    le16(f, opt, 0x10B);       // PE32
    le32(f, opt + 92, 16);     // data directories
    const int sec = opt + 224; // 0x138
    f.replace(sec, 5, ".rsrc");

    QByteArray rsrc(0x58, '\0');
    if (!block.isEmpty()) {
        // root directory: one id entry, type 16 -> subdirectory at 0x18
        le16(rsrc, 14, 1);
        le32(rsrc, 16, 16);
        le32(rsrc, 20, 0x80000000u | 0x18);
        // names: id 1 -> subdirectory at 0x30
        le16(rsrc, 0x18 + 14, 1);
        le32(rsrc, 0x18 + 16, 1);
        le32(rsrc, 0x18 + 20, 0x80000000u | 0x30);
        // languages: 0x0424 -> data entry at 0x48
        le16(rsrc, 0x30 + 14, 1);
        le32(rsrc, 0x30 + 16, 0x0424);
        le32(rsrc, 0x30 + 20, 0x48);
        // data entry: the block right after it
        le32(rsrc, 0x48, 0x1000 + 0x58);
        le32(rsrc, 0x48 + 4, quint32(block.size()));
        rsrc += block;
        le32(f, opt + 96 + 2 * 8, 0x1000);
        le32(f, opt + 96 + 2 * 8 + 4, quint32(rsrc.size()));
    }
    le32(f, sec + 8, quint32(rsrc.size()));  // virtual size
    le32(f, sec + 12, 0x1000);               // virtual address
    le32(f, sec + 16, quint32(rsrc.size())); // raw size
    le32(f, sec + 20, 0x200);                // raw offset
    return f + rsrc;
}

} // namespace

TEST(FileInfo, ReadsSlovenianTextsOfAnEmbeddedBlock)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("prog.bin"));
    // The block sits at an odd offset among other bytes.
    writeFile(file, QByteArray("\x7F" "ELF junk", 9) + moxversion::buildVersionBlock(slovenianSpec()) +
                        QByteArray(37, '\xAA'));
    const TIFileInfo info(file);
    EXPECT_EQ(info.FsFileName, file);
    EXPECT_EQ(texts(info), (QStringList{QStringLiteral("Bolnišnica d.o.o."), QStringLiteral("Osveževanje tabel"),
                                        QStringLiteral("2.5.1.7"), QStringLiteral("mox"),
                                        QStringLiteral("© Čebelica"), QString(), QStringLiteral("mox.exe"),
                                        QStringLiteral("MOX"), QStringLiteral("2.5"),
                                        QStringLiteral("Šifranti in ŽŠČ")}));
}

TEST(FileInfo, TranslationEntryChoosesTheStringTable)
{
    struct Case {
        quint16 language, codePage;
        const char *expected;
    } cases[] = {
        {0x0424, 0x04E2, "042404e2"},
        {0x0409, 0x04B0, "040904b0"},
        {0x0000, 0x04B0, "000004b0"}, // neutral language: all eight digits
    };
    for (const Case &c : cases) {
        VersionBlockContent content;
        content.language = c.language;
        content.codePage = c.codePage;
        content.strings = {{QStringLiteral("ProductName"), QString::fromLatin1(c.expected)}};
        const auto block = moxversion::parseVersionBlock(moxversion::buildVersionBlock(content));
        ASSERT_TRUE(block);
        ASSERT_EQ(block->tables.size(), 1);
        EXPECT_EQ(block->tables.first().first, QString::fromLatin1(c.expected));

        TestEnv env;
        const QString file = env.path(QStringLiteral("f"));
        writeFile(file, moxversion::buildVersionBlock(content));
        EXPECT_EQ(TIFileInfo(file).FsProductName, QString::fromLatin1(c.expected));
    }
}

TEST(FileInfo, FilesWithoutInformationSayNoFileInfo)
{
    TestEnv env;
    QByteArray key;
    for (char c : QByteArray("VS_VERSION_INFO"))
        key += QByteArray(1, c) + QByteArray(1, '\0');
    QByteArray truncated = moxversion::buildVersionBlock(slovenianSpec());
    truncated.chop(40);
    const std::pair<const char *, QByteArray> files[] = {
        {"plain.txt", QByteArray("no version here\r\n")},
        {"empty.bin", QByteArray()},
        {"bare-key.bin", QByteArray(6, '\x01') + key + QByteArray(20, '\0')},
        {"truncated.bin", truncated},
        {"pe-without-resource.exe", minimalPe({}) + moxversion::buildVersionBlock(slovenianSpec())},
    };
    for (const auto &[name, data] : files) {
        const QString file = env.path(QString::fromLatin1(name));
        writeFile(file, data);
        const QStringList t = texts(TIFileInfo(file));
        EXPECT_EQ(t, QStringList(10, kNoInfo)) << name;
    }
    EXPECT_EQ(texts(TIFileInfo(env.path(QStringLiteral("missing.exe")))), QStringList(10, kNoInfo));
}

TEST(FileInfo, ReadsTheVersionResourceOfAPeFile)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("prog.exe"));
    writeFile(file, minimalPe(moxversion::buildVersionBlock(slovenianSpec())));
    const TIFileInfo info(file);
    EXPECT_EQ(info.FsFileDescription, QStringLiteral("Osveževanje tabel"));
    EXPECT_EQ(info.FsComments, QStringLiteral("Šifranti in ŽŠČ"));
}

TEST(FileInfo, ThisProgramCarriesTheBuildsBlock)
{
    const TIFileInfo info(QCoreApplication::applicationFilePath());
    EXPECT_EQ(info.FsCompanyName, QStringLiteral("MOX"));
    EXPECT_EQ(info.FsProductName, QStringLiteral("MOX"));
    EXPECT_EQ(info.FsFileDescription, QStringLiteral("Osveževanje tabel"));
    EXPECT_EQ(info.FsFileVersion, QStringLiteral(MOX_TEST_PROJECT_VERSION));
    EXPECT_EQ(info.FsProductVersion, QStringLiteral(MOX_TEST_PROJECT_VERSION));
}

TEST(FileInfo, FileDateIsTheModificationTimeInLocalTime)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("dated.bin"));
    writeFile(file, "x");
    const QDateTime when(QDate(2021, 3, 14), QTime(15, 9, 26), Qt::LocalTime);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    const QDateTime got = TIFileInfo(file).GetaiFileDate();
    EXPECT_EQ(got, when);
    EXPECT_EQ(got.timeSpec(), Qt::LocalTime);
    EXPECT_FALSE(TIFileInfo(env.path(QStringLiteral("missing"))).GetaiFileDate().isValid());
}
