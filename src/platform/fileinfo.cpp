#include "platform/fileinfo.h"

#include "platform/versionblock.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// The version block of a file: the version resource of a Windows program, or
// a block embedded in any other file.
std::optional<moxversion::VersionBlock> readVersionBlock(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() == 0)
        return std::nullopt;
    const qint64 size = f.size();
    const uchar *mapped = f.map(0, size);
    QByteArray whole;
    QByteArrayView data;
    if (mapped) {
        data = QByteArrayView(mapped, size);
    } else {
        whole = f.readAll();
        data = whole;
    }
    const QByteArrayView block =
        moxversion::isPeFile(data) ? moxversion::peVersionResource(data) : moxversion::embeddedVersionBlock(data);
    if (block.isEmpty())
        return std::nullopt;
    return moxversion::parseVersionBlock(block); // parsed into owned texts before the file is unmapped
}

// Key of a string table from a translation entry: the hex digits (lower case)
// of language * 65536 + code page, zero-filled to 8 digits (so the neutral
// language 0 gives "000004b0", not a key no table has).
QString blockKey(quint32 translation)
{
    return QStringLiteral("%1").arg(translation, 8, 16, QChar(u'0'));
}

} // namespace

TIFileInfo::TIFileInfo(const QString &AFileName)
    : FsFileName(AFileName)
{
    QString *const texts[] = {&FsCompanyName,     &FsFileDescription,  &FsFileVersion, &FsInternalName,
                              &FsLegalCopyright,  &FsLegalTrademarks,  &FsOriginalFilename,
                              &FsProductName,     &FsProductVersion,   &FsComments};
    const QString names[] = {QStringLiteral("CompanyName"),      QStringLiteral("FileDescription"),
                             QStringLiteral("FileVersion"),      QStringLiteral("InternalName"),
                             QStringLiteral("LegalCopyright"),   QStringLiteral("LegalTrademarks"),
                             QStringLiteral("OriginalFilename"), QStringLiteral("ProductName"),
                             QStringLiteral("ProductVersion"),   QStringLiteral("Comments")};

    const std::optional<moxversion::VersionBlock> block = readVersionBlock(AFileName);
    if (!block) {
        for (QString *t : texts)
            *t = QStringLiteral("No file info.");
        return;
    }
    // The first translation entry names the string table; a block without
    // one falls back to its first table.
    QString key;
    if (!block->translations.isEmpty())
        key = blockKey(block->translations.first());
    else if (!block->tables.isEmpty())
        key = block->tables.first().first;
    for (int i = 0; i < 10; ++i)
        *texts[i] = block->value(key, names[i]);
}

QDateTime TIFileInfo::GetaiFileDate() const
{
    const QFileInfo fi(FsFileName);
    if (!fi.exists())
        return QDateTime();
    return fi.lastModified().toLocalTime();
}
