// The preparation screens: filters and options, counts of the written
// records, and the buttons that run the preparations; the group, pallet and
// groups-023 screens hold their settings texts.
#include "window/screen_pages.h"
#include "window/screen_widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace moxscreens {

namespace {

// One caption followed by several counter fields in a row.
void dodajStevce(QVBoxLayout *v, const QString &napis, const QStringList &imena)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(napis);
    label->setMinimumWidth(kSirinaNapisa);
    row->addWidget(label);
    for (const QString &ime : imena)
        row->addWidget(novStevec(ime));
    row->addStretch(1);
    v->addLayout(row);
}

QWidget *zaslonNastavitevTeksta(const QString &ime, const QString &naslov, const QString &napis,
                                const QString &memo, const QString &pripravi, const QString &shrani)
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(ime, naslov, &v);
    auto *label = new QLabel(napis);
    v->addWidget(label);
    v->addWidget(novMemo(memo), 1);
    v->addWidget(novNapredek(imeNapredka(ime)));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Pripravi"), pripravi),
                                nalGumb(QStringLiteral("Shrani inicializacijo"), shrani)}));
    return page;
}

} // namespace

QWidget *zaslonPrSplosno()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabPrSplosno"), QStringLiteral("Priprava splošnih tabel:"), &v);

    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Strukturna datoteka:"));
    label->setMinimumWidth(kSirinaNapisa);
    auto *file = new QLineEdit;
    file->setObjectName(QStringLiteral("edSplFile"));
    samoZaBranje(file);
    auto *b = new QToolButton;
    b->setObjectName(QStringLiteral("spGetStr"));
    b->setText(QStringLiteral("..."));
    b->setToolTip(QStringLiteral("Izberi strukturno datoteko"));
    row->addWidget(label);
    row->addWidget(file, 1);
    row->addWidget(b);
    v->addLayout(row);

    dodajPolje(v, QStringLiteral("Filter:"), QStringLiteral("edSplosnoFilter"), false, QString(),
               QStringLiteral("WHERE ....    ORDER BY  ...."));
    v->addWidget(novaPotrditev(QStringLiteral("Detail tabela"), QStringLiteral("cbDetail")));

    auto *g = new QGroupBox(QStringLiteral(" "));
    g->setObjectName(QStringLiteral("gbPrTabela"));
    auto *gv = new QVBoxLayout(g);
    dodajPolje(gv, QStringLiteral("Ključ:"), QStringLiteral("edKljuc"), true);
    dodajPolje(gv, QStringLiteral("Auto polje"), QStringLiteral("edAutoPolje"), true);
    dodajStevce(gv, QStringLiteral("Zapisov:"), {QStringLiteral("edPrStevec")});
    v->addWidget(g);

    auto *pregled = nalGumb(QStringLiteral("Pregled DBF"), QStringLiteral("btDBFPregled"));
    pregled->setVisible(false); // shown after the first preparation of the run
    v->addWidget(novNapredek(QStringLiteral("pbPrSplosno")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Priprava"), QStringLiteral("btPrSplosno")),
                                nalGumb(QStringLiteral("Prekini"), QStringLiteral("btPrPrekini")), pregled}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPrSKS()
{
    QVBoxLayout *v;
    QWidget *page =
        novZaslon(QStringLiteral("tabPrSKS"), QStringLiteral("Priprava sistemskih skupnih šifrantov "), &v);
    dodajPolje(v, QStringLiteral("Filter:"), QStringLiteral("edFilterSKS"), false, QStringLiteral("%"),
               QStringLiteral("primer:    Z%,P1%,G34"));
    dodajStevce(v, QStringLiteral("Glav šifrantov: "), {QStringLiteral("edGlav")});
    dodajStevce(v, QStringLiteral("Vrednosti:"), {QStringLiteral("edVred")});
    v->addWidget(novNapredek(QStringLiteral("pbPrSKS")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("PripravaSKS"), QStringLiteral("btPripravaSKS"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPrObrazci()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabPrObrazci"), QStringLiteral("Priprava izpisnih obrazcev"), &v);
    dodajPolje(v, QStringLiteral("Filter:"), QStringLiteral("edFilterObr"), false, QStringLiteral("%"),
               QStringLiteral("40,41,42,43,44    ali % za VSE"));
    v->addWidget(novaPotrditev(QStringLiteral("tudi update"), QStringLiteral("cbUpdate")));
    dodajStevce(v, QStringLiteral("Obrazcev:"),
                {QStringLiteral("ed900PrObr"), QStringLiteral("ed901PrObr"), QStringLiteral("ed902PrObr")});
    v->addWidget(novNapredek(QStringLiteral("pbPrObrazci")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Priprava"), QStringLiteral("btPripraviObr"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPrParametri()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabPrParametri"), QStringLiteral("Priprava parametrov"), &v);
    dodajPolje(v, QStringLiteral("Filter (007):"), QStringLiteral("edFilterPar"), false, QStringLiteral("%"),
               QStringLiteral("% za VSE, ali  pa cel WHERE pogoj "));
    dodajPolje(v, QStringLiteral("Filter(107):"), QStringLiteral("edFIlter107"), false, QStringLiteral("%"));
    v->addWidget(novaPotrditev(QStringLiteral("Samo default podatki iz PR107PAR"), QStringLiteral("cbSamoDef")));
    dodajStevce(v, QStringLiteral("Obrazcev:"),
                {QStringLiteral("ed007PrPar"), QStringLiteral("ed107PrPar"), QStringLiteral("ed207PrPar")});
    v->addWidget(novNapredek(QStringLiteral("pbPrParametri")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Priprava"), QStringLiteral("btPripravaPar"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPrAnalize()
{
    QVBoxLayout *v;
    QWidget *page =
        novZaslon(QStringLiteral("tabPrAnalize"), QStringLiteral("Priprava analiz medicinskih podatkov"), &v);
    dodajPolje(v, QStringLiteral("Filter:"), QStringLiteral("edAHCFilter"), false, QStringLiteral("%"),
               QStringLiteral("'POR','AND','BOD'    ali % za VSE"));
    v->addWidget(novaPotrditev(QStringLiteral("tudi update"), QStringLiteral("cbAHCUpdate"), true));
    dodajStevce(v, QStringLiteral("PR908CXR : "), {QStringLiteral("edAHC908")});
    dodajStevce(v, QStringLiteral("I_XML_X03 :"), {QStringLiteral("edAHCXML")});
    v->addWidget(novNapredek(QStringLiteral("pbPrAnalize")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Priprava"), QStringLiteral("btAHCPriprava"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonPrGrupe()
{
    return zaslonNastavitevTeksta(QStringLiteral("tabPrGrupe"), QStringLiteral("Priprava grup in aktivnosti"),
                                  QStringLiteral("NASTAVITVE so v datoteki : XG_GRUPE.STR"),
                                  QStringLiteral("meGrupInit"), QStringLiteral("btPripraviGrupe"),
                                  QStringLiteral("btShraniGrupe"));
}

QWidget *zaslonPrPalete()
{
    return zaslonNastavitevTeksta(QStringLiteral("tabPrPalete"), QStringLiteral("Priprava palet"),
                                  QStringLiteral("NASTAVITVE so v datoteki : XP_.PALET.STR"),
                                  QStringLiteral("mePalInit"), QStringLiteral("btPripraviPalete"),
                                  QStringLiteral("btShraniPalete"));
}

QWidget *zaslonPrGrupe023()
{
    return zaslonNastavitevTeksta(QStringLiteral("tabPrGrupe023"), QStringLiteral("Priprava grup 023"),
                                  QStringLiteral("NASTAVITVE so v datoteki : XG_023.STR"),
                                  QStringLiteral("meGrupInit023"), QStringLiteral("btPripraviGrupe023"),
                                  QStringLiteral("btShraniGrupe023"));
}

} // namespace moxscreens
