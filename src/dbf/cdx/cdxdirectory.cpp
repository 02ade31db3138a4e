#include "dbf/cdx/cdx_p.h"

#include "base/text.h"

#include <algorithm>

namespace cdxdetail {

QByteArray directoryKey(const QString &upperName)
{
    QByteArray key = upperName.toLatin1();
    key.append(DirectoryKeyLength - key.size(), ' ');
    return key;
}

std::vector<DirEntry> readDirectory(const CdxFile &f)
{
    TagHeader dir;
    decodeTagHeader(f.at(0), dir);
    std::vector<DirEntry> entries;
    f.walk(dir.root, dir.keyLength, ' ', [&](const Node &leaf) {
        for (int i = 0; i < leaf.count(); ++i)
            entries.push_back({QByteArray(leaf.key(i), dir.keyLength), leaf.recnos[size_t(i)]});
    }, nullptr);
    return entries;
}

void writeDirectory(CdxFile &f, std::vector<DirEntry> entries)
{
    std::sort(entries.begin(), entries.end(), [](const DirEntry &a, const DirEntry &b) { return a.key < b.key; });
    std::string keys;
    std::vector<quint32> recnos;
    for (const DirEntry &e : entries) {
        keys.append(e.key.constData(), DirectoryKeyLength);
        recnos.push_back(e.header);
    }
    const quint32 root = f.buildTree(keys.data(), recnos.data(), recnos.size(), DirectoryKeyLength, ' ');
    TagHeader dir;
    dir.root = root;
    dir.freeList = f.freeHead;
    dir.keyLength = DirectoryKeyLength;
    dir.options = OptDirectory;
    encodeTagHeader(dir, f.change(0, 2));
}

QString checkedTagName(const QString &path, const QString &tagName)
{
    const QString name = moxtext::upperAZ(tagName.trimmed());
    bool ok = !name.isEmpty() && name.size() <= DirectoryKeyLength && name.at(0) >= QLatin1Char('A')
        && name.at(0) <= QLatin1Char('Z');
    for (QChar c : name)
        ok = ok && ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                    || c == QLatin1Char('_'));
    if (!ok)
        throw EMoxError(QStringLiteral("Index file %1: tag name \"%2\" is not valid (a letter, then letters, digits or "
                                       "underscores, at most 10)")
                            .arg(QDir::toNativeSeparators(path), tagName));
    return name;
}

} // namespace cdxdetail
