// The refresh screens: inputs, check-only boxes, transfer counters and the
// "Osveži" / "Prekini" buttons of every refresh.
#include "window/screen_pages.h"
#include "window/screen_widgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace moxscreens {

namespace {

// A read-only file field with the file button on its right.
void dodajDatoteko(QVBoxLayout *v, const QString &ime, const QString &gumb)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Strukturna datoteka:"));
    label->setMinimumWidth(kSirinaNapisa);
    auto *edit = new QLineEdit;
    edit->setObjectName(ime);
    samoZaBranje(edit);
    auto *b = new QToolButton;
    b->setObjectName(gumb);
    b->setText(QStringLiteral("..."));
    b->setToolTip(QStringLiteral("Izberi strukturno datoteko"));
    row->addWidget(label);
    row->addWidget(edit, 1);
    row->addWidget(b);
    v->addLayout(row);
}

const QStringList kStolpci = {QStringLiteral("vseh"), QStringLiteral("novih"), QStringLiteral("popravljenih"),
                              QStringLiteral("napak")};

TVrsticaStevcev vrstica(const QString &napis, const QString &predpona, const QString &novih = QStringLiteral("Novih"))
{
    return {napis, {predpona + QStringLiteral("Vseh"), predpona + novih, predpona + QStringLiteral("Popr"),
                    predpona + QStringLiteral("Nap")}};
}

} // namespace

QWidget *zaslonOsvSplosno()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvSplosno"), QStringLiteral("Osveževanje splošnih tabel:"), &v);
    dodajDatoteko(v, QStringLiteral("edOsvFile"), QStringLiteral("sbOsvGetStr"));
    v->addWidget(novaPotrditev(QStringLiteral("Samo preverjanje"), QStringLiteral("cbSamoPregled")));

    auto *g = new QGroupBox(QStringLiteral(" "));
    g->setObjectName(QStringLiteral("gbOsvTabela"));
    auto *gv = new QVBoxLayout(g);
    dodajPolje(gv, QStringLiteral("Ključ:"), QStringLiteral("edOsvKljuc"), true);
    dodajPolje(gv, QStringLiteral("Auto polje"), QStringLiteral("edOsvAuto"), true);
    auto *grid = new QGridLayout;
    const QVector<TStevec> stevci = {
        {QStringLiteral("Zapisov:"), QStringLiteral("edOsSplStevec")},
        {QStringLiteral("Novih:"), QStringLiteral("edOsSplNovih")},
        {QStringLiteral("Dodanih:"), QStringLiteral("edOsSplInsert")},
        {QStringLiteral("Različnih:"), QStringLiteral("edOsSplPopr")},
        {QStringLiteral("Popravljenih :"), QStringLiteral("edOsSplUpdate")},
        {QStringLiteral("Napak:"), QStringLiteral("edOsSplError")},
    };
    // Zapisov / Novih / Različnih on the left, Dodanih / Popravljenih / Napak on the right.
    const int mesto[6][2] = {{0, 0}, {1, 0}, {1, 2}, {2, 0}, {2, 2}, {3, 2}};
    for (int i = 0; i < stevci.size(); ++i) {
        auto *label = new QLabel(stevci[i].napis);
        grid->addWidget(label, mesto[i][0], mesto[i][1], Qt::AlignRight);
        grid->addWidget(novStevec(stevci[i].ime), mesto[i][0], mesto[i][1] + 1);
    }
    grid->setColumnStretch(4, 1);
    gv->addLayout(grid);
    v->addWidget(g);

    auto *prekini = nalGumb(QStringLiteral("Prekini"), QStringLiteral("btOsvPrekini"));
    prekini->setEnabled(false); // enabled while the refresh runs
    v->addWidget(novNapredek(QStringLiteral("pbOsvSplosno")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsSplosno")), prekini}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvSKS()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvSKS"), QStringLiteral("Osveževanje skupnih šifrantov :"), &v);
    dodajPolje(v, QStringLiteral("Pot:"), QStringLiteral("edPotSKS"), true);
    v->addWidget(novaPotrditev(QStringLiteral("samo pregled"), QStringLiteral("cbSKSsamoPreverjanje")));
    v->addWidget(novaPotrditev(QStringLiteral("brez sporočil"), QStringLiteral("cbBrez")));
    v->addWidget(skupinaStevcev(QStringLiteral("Glave šifrantov"), QStringLiteral("gbGlaveSKS"),
                                {{QStringLiteral("Števec: "), QStringLiteral("edStGlSKS")},
                                 {QStringLiteral("Novih:"), QStringLiteral("edInsGlSKS")},
                                 {QStringLiteral("Popravkov"), QStringLiteral("edUpdGlSKS")},
                                 {QStringLiteral("Napak:"), QStringLiteral("edErrGlSKS")}}));
    v->addWidget(skupinaStevcev(QStringLiteral("Vrednosti"), QStringLiteral("gbVrednostiSKS"),
                                {{QStringLiteral("Števec: "), QStringLiteral("edStVrSKS")},
                                 {QStringLiteral("Novih:"), QStringLiteral("edInsVrSKS")},
                                 {QStringLiteral("Popravkov"), QStringLiteral("edUpdVrSKS")},
                                 {QStringLiteral("Napak:"), QStringLiteral("edErrVrSKS")}}));
    v->addWidget(novNapredek(QStringLiteral("pbOsvSKS")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziSKS")),
                                nalGumb(QStringLiteral("Prekini"), QStringLiteral("btSKSPrekini"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvObrazci()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvObrazci"), QStringLiteral("Osveževanje obrazcev"), &v);
    dodajPolje(v, QStringLiteral("Pot:"), QStringLiteral("edPotOBR"), true);
    v->addWidget(novaPotrditev(QStringLiteral("samo preveri"), QStringLiteral("cbOBRsamoPreverjanje")));
    for (const QString &st : {QStringLiteral("900"), QStringLiteral("901"), QStringLiteral("902")}) {
        v->addWidget(skupinaStevcev(QStringLiteral("tabela ") + st, QStringLiteral("gbObr") + st,
                                    {{QStringLiteral("Števec:"), QStringLiteral("edSt") + st},
                                     {QStringLiteral("Novih:"), QStringLiteral("edIns") + st},
                                     {QStringLiteral("Popravljenih:"), QStringLiteral("edUp") + st},
                                     {QStringLiteral("Napak:"), QStringLiteral("edErr") + st}}));
    }
    v->addWidget(novNapredek(QStringLiteral("pbOsvObrazci")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziOBR")),
                                nalGumb(QStringLiteral("Prekini"), QStringLiteral("btPrekiniObr"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvParametri()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvParametri"), QStringLiteral("Osveževanje parametrov"), &v);
    v->addWidget(novaPotrditev(QStringLiteral("samo preveri"), QStringLiteral("cbOsveziParametri")));
    const QVector<QPair<QString, QString>> tabele = {{QStringLiteral("KA007PAR"), QStringLiteral("007")},
                                                     {QStringLiteral("PR107PAR"), QStringLiteral("107")},
                                                     {QStringLiteral("PR207EXT"), QStringLiteral("207")}};
    for (const auto &t : tabele) {
        v->addWidget(skupinaStevcev(t.first, QStringLiteral("gbPar") + t.second,
                                    {{QStringLiteral("Števec:"), QStringLiteral("edSt") + t.second},
                                     {QStringLiteral("Novih:"), QStringLiteral("edIns") + t.second},
                                     {QStringLiteral("Napak:"), QStringLiteral("edErr") + t.second}}));
    }
    v->addWidget(novNapredek(QStringLiteral("pbOsvParametri")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziParam")),
                                nalGumb(QStringLiteral("Prekini"), QStringLiteral("btParPrekini"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvGrupe()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvGrupe"), QStringLiteral("Osveževanje grup in aktivnosti"), &v);
    v->addWidget(tabelaStevcev(QStringLiteral("grStevciGrupe"), kStolpci,
                               {vrstica(QStringLiteral("GRUPE"), QStringLiteral("edGrupe")),
                                vrstica(QStringLiteral("PO061GRP"), QStringLiteral("ed061")),
                                vrstica(QStringLiteral("PO061SPG"), QStringLiteral("ed061S")),
                                vrstica(QStringLiteral("PO065HC0"), QStringLiteral("ed065")),
                                vrstica(QStringLiteral("AKTIVNOSTI"), QStringLiteral("edAkt")),
                                vrstica(QStringLiteral("HC-ji"), QStringLiteral("ed055K")),
                                vrstica(QStringLiteral("PO055SHC"), QStringLiteral("ed055S")),
                                vrstica(QStringLiteral("KA062NHC"), QStringLiteral("ed062")),
                                vrstica(QStringLiteral("KA055LAB"), QStringLiteral("edLab")),
                                vrstica(QStringLiteral("KA062NHH"), QStringLiteral("edNhh"))}));
    v->addWidget(novNapredek(QStringLiteral("pbOsvGrupe")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziGrupe"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvPalete()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvPalete"), QStringLiteral("Osveževanje palet"), &v);
    v->addWidget(tabelaStevcev(QStringLiteral("grStevciPalete"), kStolpci,
                               {vrstica(QStringLiteral("PALETE"), QStringLiteral("edPal"), QStringLiteral("N")),
                                vrstica(QStringLiteral("PO116NHC"), QStringLiteral("ed116"), QStringLiteral("N")),
                                vrstica(QStringLiteral("STORITVE"), QStringLiteral("ed011"), QStringLiteral("N"))}));
    v->addWidget(novNapredek(QStringLiteral("pbOsvPalete")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziPalete"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvAnalize()
{
    QVBoxLayout *v;
    QWidget *page =
        novZaslon(QStringLiteral("tabOsvAnalize"), QStringLiteral("Osveževanje analiz medicinskih podatkov"), &v);
    v->addWidget(novaPotrditev(QStringLiteral("samo preveri"), QStringLiteral("cbAHCTest")));
    v->addWidget(skupinaStevcev(QStringLiteral("PR908CXR"), QStringLiteral("gbAHC908"),
                                {{QStringLiteral("Števec:"), QStringLiteral("ed908Vseh")},
                                 {QStringLiteral("Novih:"), QStringLiteral("ed908Novih")},
                                 {QStringLiteral("Popr : "), QStringLiteral("ed908Popr")},
                                 {QStringLiteral("Napak:"), QStringLiteral("ed908Nap")}}));
    v->addWidget(skupinaStevcev(QStringLiteral("I_XML_X03"), QStringLiteral("gbAHCXML"),
                                {{QStringLiteral("Števec:"), QStringLiteral("edXMLVseh")},
                                 {QStringLiteral("Novih:"), QStringLiteral("edXMLNovih")},
                                 {QStringLiteral("Popr : "), QStringLiteral("edXMLPopr")},
                                 {QStringLiteral("Napak:"), QStringLiteral("edXMLNap")}}));
    v->addWidget(novNapredek(QStringLiteral("pbOsvAnalize")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btAHCOsvezi")),
                                nalGumb(QStringLiteral("Prekini"), QStringLiteral("btAHCPrekini"))}));
    v->addStretch(1);
    return page;
}

QWidget *zaslonOsvGrupe023()
{
    QVBoxLayout *v;
    QWidget *page = novZaslon(QStringLiteral("tabOsvGrupe023"), QStringLiteral("Osveževanje grup 023"), &v);
    v->addWidget(tabelaStevcev(QStringLiteral("grStevciGrupe023"), kStolpci,
                               {vrstica(QStringLiteral("KA023GRO"), QStringLiteral("ed023")),
                                vrstica(QStringLiteral("PO023GRP"), QStringLiteral("edPo023")),
                                vrstica(QStringLiteral("PO011HC0"), QStringLiteral("edPo011"))}));
    v->addWidget(novNapredek(QStringLiteral("pbOsvGrupe023")));
    v->addWidget(vrsticaGumbov({nalGumb(QStringLiteral("Osveži"), QStringLiteral("btOsveziGrupe023"))}));
    v->addStretch(1);
    return page;
}

} // namespace moxscreens
