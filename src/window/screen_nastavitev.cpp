// The start screen (a picture drawn at run time), the settings screen and
// the help screen.
#include "window/help.h"
#include "window/screen_pages.h"
#include "window/screen_widgets.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace moxscreens {

namespace {

// A database drum: an upright cylinder.
void narisiBazo(QPainter &p, const QRectF &r, const QColor &barva, const QString &napis)
{
    const qreal eh = r.height() * 0.22;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + eh / 2);
    body.lineTo(r.left(), r.bottom() - eh / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - eh, r.width(), eh), 180, 180);
    body.lineTo(r.right(), r.top() + eh / 2);
    body.arcTo(QRectF(r.left(), r.top(), r.width(), eh), 0, -180);
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, barva.darker(130));
    g.setColorAt(0.5, barva.lighter(130));
    g.setColorAt(1, barva.darker(150));
    p.setPen(QPen(barva.darker(200), 2));
    p.setBrush(g);
    p.drawPath(body);
    p.setBrush(barva.lighter(150));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), eh));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(r.width() / 5));
    p.setFont(f);
    p.drawText(r.adjusted(0, eh, 0, 0), Qt::AlignCenter, napis);
}

// A file sheet with a folded corner, labelled DBF.
void narisiDatoteko(QPainter &p, const QRectF &r)
{
    const qreal k = r.width() * 0.28;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - k, r.top());
    sheet.lineTo(r.right(), r.top() + k);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(QColor(250, 248, 235));
    p.drawPath(sheet);
    p.drawLine(QPointF(r.right() - k, r.top()), QPointF(r.right() - k, r.top() + k));
    p.drawLine(QPointF(r.right() - k, r.top() + k), QPointF(r.right(), r.top() + k));
    p.setPen(QPen(QColor(170, 170, 170), 1));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + k + 12 + i * 9;
        p.drawLine(QPointF(r.left() + 8, y), QPointF(r.right() - 8, y));
    }
    p.setPen(QColor(40, 70, 120));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(r.width() / 3.6));
    p.setFont(f);
    p.drawText(QRectF(r.left(), r.bottom() - r.height() * 0.38, r.width(), r.height() * 0.3), Qt::AlignCenter,
               QStringLiteral("DBF"));
}

void narisiPuscico(QPainter &p, QPointF a, QPointF b)
{
    p.setPen(QPen(QColor(200, 120, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << b + d * 6 << b - d * 12 + n * 9 << b - d * 12 - n * 9;
    p.setBrush(QColor(200, 120, 30));
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
}

} // namespace

QPixmap zacetnaSlika()
{
    const QSize size(560, 340);
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, size.height());
    bg.setColorAt(0, QColor(228, 238, 250));
    bg.setColorAt(1, QColor(180, 200, 228));
    p.setPen(QPen(QColor(120, 140, 170), 2));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(pm.rect()).adjusted(4, 4, -4, -4), 14, 14);

    narisiBazo(p, QRectF(50, 110, 110, 150), QColor(40, 110, 170), QStringLiteral("A"));
    narisiDatoteko(p, QRectF(232, 120, 96, 124));
    narisiBazo(p, QRectF(400, 110, 110, 150), QColor(50, 140, 90), QStringLiteral("B"));
    narisiPuscico(p, QPointF(172, 185), QPointF(220, 185));
    narisiPuscico(p, QPointF(340, 185), QPointF(388, 185));

    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(40);
    p.setFont(f);
    p.setPen(QColor(30, 50, 90));
    p.drawText(QRectF(0, 18, size.width(), 50), Qt::AlignCenter, QStringLiteral("MOX"));
    f.setPixelSize(18);
    p.setFont(f);
    p.drawText(QRectF(0, 64, size.width(), 28), Qt::AlignCenter, QStringLiteral("OSVEŽEVANJE TABEL"));
    f.setBold(false);
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(QColor(60, 70, 90));
    p.drawText(QRectF(50, 270, 110, 24), Qt::AlignCenter, QStringLiteral("Priprava"));
    p.drawText(QRectF(400, 270, 110, 24), Qt::AlignCenter, QStringLiteral("Osveževanje"));
    p.end();
    return pm;
}

QWidget *zaslonStart()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabStart"), QString(), &v);
    auto *slika = new QLabel;
    slika->setObjectName(QStringLiteral("lbSlika"));
    slika->setPixmap(zacetnaSlika());
    slika->setAlignment(Qt::AlignCenter);
    v->addWidget(slika, 1);
    return page;
}

QWidget *zaslonNastavitev()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabNastavitev"), QStringLiteral("Nastavitev"), &v);
    dodajPolje(v, QStringLiteral("Pot za datoteke:"), QStringLiteral("edNastPotDat"));
    dodajPolje(v, QStringLiteral("Pot za Log datoteko"), QStringLiteral("edNastPotLog"));
    // The box with its caption on the left, in line with the fields' captions.
    auto *samoVrstica = new QHBoxLayout;
    auto *samoNapis = new QLabel(QStringLiteral("Samo preverjanje:"));
    samoNapis->setMinimumWidth(kSirinaNapisa);
    auto *samo = novaPotrditev(QString(), QStringLiteral("cbNastSamoPreverjanje"));
    samo->setAccessibleName(samoNapis->text());
    samoNapis->setBuddy(samo);
    samoVrstica->addWidget(samoNapis);
    samoVrstica->addWidget(samo);
    samoVrstica->addStretch(1);
    v->addLayout(samoVrstica);

    auto *g = new QGroupBox(QStringLiteral("Replikacija"));
    g->setObjectName(QStringLiteral("gbNastReplikacija"));
    auto *gv = new QVBoxLayout(g);
    dodajPolje(gv, QStringLiteral("Pot za datoteke:"), QStringLiteral("edNastReplPotDat"));
    dodajPolje(gv, QStringLiteral("Pot za Log datoteko:"), QStringLiteral("edNastReplPotLog"));
    gv->addWidget(novaPotrditev(QStringLiteral("Replikacija"), QStringLiteral("cbNastReplikacija")));
    v->addWidget(g);

    dodajPolje(v, QStringLiteral("Lastnik tabel:"), QStringLiteral("edNastLastnik"));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Shrani"), QStringLiteral("btNShrani"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPomoc()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabPomoc"), QStringLiteral("Pomoč"), &v);
    auto *tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("pcPomoc"));
    const struct {
        const char *ime;
        QString naslov;
        QString besedilo;
    } strani[] = {
        {"meKlicniParametri", QStringLiteral("Klicni parametri"), moxhelp::klicniParametri()},
        {"mePripravaPodatkov", QStringLiteral("Priprava podatkov"), moxhelp::pripravaPodatkov()},
        {"meOsvezevanje", QStringLiteral("Osveževanje"), moxhelp::osvezevanje()},
    };
    for (const auto &s : strani) {
        auto *memo = new QPlainTextEdit;
        memo->setObjectName(QLatin1String(s.ime));
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)); // the texts are laid out in columns
        memo->setPlainText(s.besedilo);
        tabs->addTab(memo, s.naslov);
    }
    v->addWidget(tabs, 1);
    return page;
}

} // namespace moxscreens
