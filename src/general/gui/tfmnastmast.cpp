#include "general/gui/tfmnastmast.h"

#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "general/tabledesc.h"
#include "run/context.h"
#include "base/paths.h"
#include "base/text.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>

namespace {

const QString plus = QStringLiteral("+");
const QString prazno = QStringLiteral(" ");

} // namespace

TfmNastMast::TfmNastMast(TMoxContext &ctx, QWidget *parent)
    : TfmStrukturaBase(ctx,
                       {QStringLiteral("PR"), QStringLiteral("UPD"), QStringLiteral("Kolona"), QStringLiteral("Tip"),
                        QStringLiteral("Dol"), QStringLiteral("Dec")},
                       parent)
{
    setObjectName(QStringLiteral("fmNastMast"));
    setWindowTitle(QStringLiteral("Nastavi strukturo prenosa za Master/Detail"));
    connect(cbUpor, &QComboBox::editTextChanged, this, [this] { cbUporChange(); });
    varno([this] { FormCreate(); });
}

TfmNastMast::~TfmNastMast() = default;

void TfmNastMast::FormCreate()
{
    trenUser.clear();
    trenTabeleUser.clear();
    pcStruktura->setCurrentWidget(tsNastavitve);
    pripraviMrezo(0);
    napolniUporabnike();
}

void TfmNastMast::cbUporChange() { trenUser = cbUpor->currentText(); }

void TfmNastMast::cbUporExit()
{
    const QString besedilo = cbUpor->currentText();
    const QString velike = moxtext::upperAZ(besedilo);
    if (velike != besedilo)
        cbUpor->setEditText(velike); // cbUporChange stores it
}

void TfmNastMast::napolniKolone()
{
    const QString tabela = cbTabele->currentText();
    const QString kandidat = QStringLiteral("SIFRA") + tabela.mid(2, 3);

    struct Vrstica {
        QString pr, upd, kolona, tip, dol, dec;
    };
    QVector<Vrstica> vrstice;
    for (const TStolpecSlovarja &s : stolpciTabele(m_ctx.osOracle, trenUser, tabela)) {
        Vrstica v;
        v.kolona = s.ime;
        v.tip = s.tip;
        // A master/detail table never carries the replication columns. Its
        // numbered key is what the lookups find a code by: it is exported,
        // never updated.
        const bool izpusti = QStringLiteral("DATUMIPL,USER_IPL").contains(v.kolona);
        const bool kljuc = v.kolona == kandidat && v.tip == QLatin1String("NUMBER");
        v.pr = izpusti ? prazno : plus;
        v.upd = izpusti || kljuc ? prazno : plus;
        v.dol = dolzinaVMrezi(s, QStringLiteral("10"));
        v.dec = s.decimalkBesedilo;
        vrstice << v;
    }

    // Every change of the table starts from a grid of its own columns only
    // (none for a name the dictionary does not know).
    pripraviMrezo(int(vrstice.size()));
    for (int i = 0; i < vrstice.size(); ++i) {
        const Vrstica &v = vrstice[i];
        const int r = i + 1;
        nastaviCelico(r, colPR, v.pr);
        nastaviCelico(r, colUPD, v.upd);
        nastaviCelico(r, colKolona, v.kolona);
        nastaviCelico(r, colTip, v.tip);
        nastaviCelico(r, colDol, v.dol);
        nastaviCelico(r, colDec, v.dec);
    }
}

void TfmNastMast::btPripraviClick()
{
    QStringList str;
    str << vrsticaTabela() << QStringLiteral("STRUKTURA");
    QVector<tipDBFStruktura> polja;
    for (int r = 1; r < sgCol->rowCount(); ++r) {
        if (celica(r, colPR) != plus)
            continue;
        const QString ime = celica(r, colKolona);
        const QString zastavica = celica(r, colUPD) == plus ? QStringLiteral("U") : QString();
        QString tip = celica(r, colTip);
        const QString dol = celica(r, colDol);
        const QString dec = celica(r, colDec);
        // As in the general editor: only a scale known to be 0 makes INTEGER.
        if (tip == QLatin1String("NUMBER") && dec == QLatin1String("0"))
            tip = QStringLiteral("INTEGER");
        str << ime + u',' + zastavica + u',' + tip + u',' + dol + QStringLiteral(",,,,");

        polja.append({ime, tip, dol.toInt(), dec.toInt()});
    }
    // A text the preparation could not use is not offered for saving (nor
    // are widths a column cannot have mapped to DBF fields).
    preveriStrukturo(str, TVrstaStrukture::masterDetail);
    for (tipDBFStruktura &p : polja)
        prirediTipMasterDetail(p.tip, p.dolzina, p.decimalk);
    prAStr = polja;
    prPoz = int(prAStr.size()) - 1;

    meStr->setPlainText(str.join(u'\n'));
    pcStruktura->setCurrentWidget(tsPregled);
    if (m_ctx.currReplikacija)
        btShraniClick();
}

void TfmNastMast::btShraniClick()
{
    // The review page may have been edited: what is saved is checked again.
    preveriStrukturo(vrsticeStr(), TVrstaStrukture::masterDetail);

    const bool shranjeno = shraniStrukturo(QStringLiteral("Strukture Master/Detail|*.mst"), QStringLiteral("mst"));
    // The DBF is made whether or not the text was saved.
    kreirajDBF(m_ctx, moxpath::join(m_ctx.currSaveDir, imeDBF(cbTabele->currentText(), true)), prAStr, prPoz + 1);
    if (shranjeno)
        close();
}

void TfmNastMast::spOpenFileClick()
{
    TTableDescription opis;
    const QString pot =
        odpriStrukturo(QStringLiteral("Strukture Master/Detail|*.mst"), QStringLiteral("MST"), opis);
    if (pot.isEmpty())
        return;
    pripraviMrezo(int(opis.aKolone.size()));
    for (int i = 0; i < opis.aKolone.size(); ++i) {
        const tipKolone &k = opis.aKolone[i];
        const int r = i + 1;
        nastaviCelico(r, colPR, plus);
        nastaviCelico(r, colUPD, k.update ? plus : prazno);
        nastaviCelico(r, colKolona, k.imePolja);
        nastaviCelico(r, colTip, k.tipPolja);
        nastaviCelico(r, colDol, k.tipPolja == QLatin1String("DATE") ? QStringLiteral("10")
                                                                      : QString::number(k.dolzina));
        // The file holds no decimals: the scale of a NUMBER stays unknown, so
        // that writing it back keeps it NUMBER.
        nastaviCelico(r, colDec, k.tipPolja == QLatin1String("NUMBER") && k.decMest != 0 ? QString::number(k.decMest)
                                                                                          : QString());
    }
}
