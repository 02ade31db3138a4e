#include "dbf/cdx/cdx.h"

// Placeholder bodies until the index engine lands.
struct CdxIndex::Impl {};

CdxIndex::CdxIndex() = default;
CdxIndex::~CdxIndex() = default;
CdxIndex::CdxIndex(CdxIndex &&other) noexcept = default;
CdxIndex &CdxIndex::operator=(CdxIndex &&other) noexcept = default;
CdxIndex::CdxIndex(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

static void notYet() { throw EMoxError(QStringLiteral("compact index not available yet")); }

CdxIndex CdxIndex::build(const QString &, const QString &, const QString &, int,
                         std::vector<std::pair<QByteArray, quint32>>, CdxKeyKind) { notYet(); return {}; }
CdxIndex CdxIndex::open(const QString &, const QString &, CdxKeyKind) { notYet(); return {}; }
QStringList CdxIndex::tagNames(const QString &) { notYet(); return {}; }
bool CdxIndex::isOpen() const { return d != nullptr; }
void CdxIndex::close() { d.reset(); }
void CdxIndex::insert(const QByteArray &, quint32) { notYet(); }
void CdxIndex::flush() {}
quint32 CdxIndex::seekPrefix(const QByteArray &) { notYet(); return 0; }
quint32 CdxIndex::first() { notYet(); return 0; }
quint32 CdxIndex::next() { notYet(); return 0; }
quint32 CdxIndex::current() const { return 0; }
QByteArray CdxIndex::currentKey() const { return {}; }
void CdxIndex::clear() { notYet(); }
int CdxIndex::keyLength() const { return 0; }
QString CdxIndex::expression() const { return {}; }
QString CdxIndex::tagName() const { return {}; }
QString CdxIndex::path() const { return {}; }
CdxKeyKind CdxIndex::keyKind() const { return CdxKeyKind::Character; }
