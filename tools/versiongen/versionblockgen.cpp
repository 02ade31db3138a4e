// Build-time tool: writes a C++ source file holding the program's version
// information block as a byte array that the linker keeps.
//   mox_versiongen <output.cpp> <version> <original file name>
#include "platform/versionblock.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <output.cpp> <version> <file name>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString version = QString::fromUtf8(argv[2]);
    const QString fileName = QString::fromUtf8(argv[3]);
    QString internalName = fileName;
    if (const qsizetype dot = internalName.lastIndexOf(u'.'); dot > 0)
        internalName.truncate(dot);

    moxversion::VersionBlockContent content;
    content.numericVersion = version;
    content.strings = {
        {QStringLiteral("CompanyName"), QStringLiteral("MOX")},
        {QStringLiteral("FileDescription"), QStringLiteral("Osveževanje tabel")},
        {QStringLiteral("FileVersion"), version},
        {QStringLiteral("InternalName"), internalName},
        {QStringLiteral("OriginalFilename"), fileName},
        {QStringLiteral("ProductName"), QStringLiteral("MOX")},
        {QStringLiteral("ProductVersion"), version},
    };
    const QByteArray block = moxversion::buildVersionBlock(content);

    QByteArray text;
    text += "// Generated at build time by mox_versiongen: the version information block.\n"
            "#if defined(__GNUC__)\n"
            "#define MOX_VERSION_KEEP __attribute__((used))\n"
            "#else\n"
            "#define MOX_VERSION_KEEP\n"
            "#endif\n"
            "extern \"C\" const unsigned char mox_version_block[];\n"
            "alignas(4) const unsigned char mox_version_block[";
    text += QByteArray::number(block.size());
    text += "] MOX_VERSION_KEEP = {";
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (i % 16 == 0)
            text += "\n   ";
        text += " 0x" + QByteArray::number(quint8(block[i]), 16).rightJustified(2, '0') + ',';
    }
    text += "\n};\n";

    QSaveFile f(out);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        std::fprintf(stderr, "mox_versiongen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
