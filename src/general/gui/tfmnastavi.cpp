#include "general/gui/tfmnastavi.h"

#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "run/context.h"
#include "base/paths.h"
#include "base/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString plus = QStringLiteral("+");
const QString prazno = QStringLiteral(" ");

// Columns that only replication carries.
bool jeStolpecReplikacije(const QString &ime)
{
    return QStringLiteral("DATUMIPL,USER_IPL").contains(ime);
}

// The three characters of the table's number: they start at the table name's
// first digit, which must stand before its last character.
QString stevilkaTabele(const QString &tabela)
{
    for (qsizetype i = 0; i + 1 < tabela.size(); ++i)
        if (tabela[i].isDigit())
            return tabela.mid(i, 3);
    return QString();
}

} // namespace

TfmNastavi::TfmNastavi(TMoxContext &ctx, QWidget *parent, QCheckBox *cbDetail)
    : TfmStrukturaBase(ctx,
                       {QStringLiteral("PR"), QStringLiteral("UPD"), QStringLiteral("Kolona"), QStringLiteral("Tip"),
                        QStringLiteral("Dol"), QStringLiteral("Dec"), QStringLiteral("Null"),
                        QStringLiteral("odv-kolona"), QStringLiteral("odv-tabela")},
                       parent),
      m_cbDetail(cbDetail)
{
    setObjectName(QStringLiteral("fmNastavi"));
    setWindowTitle(QStringLiteral("Nastavi strukturo prenosa"));

    auto *polja = new QGridLayout;
    meKljuc = new QPlainTextEdit;
    meKljuc->setObjectName(QStringLiteral("meKljuc"));
    meKljuc->setLineWrapMode(QPlainTextEdit::NoWrap);
    meKljuc->setFixedHeight(70);
    cbAuto = new QComboBox;
    cbAuto->setObjectName(QStringLiteral("cbAuto"));
    cbAuto->setEditable(true);
    cbAuto->setInsertPolicy(QComboBox::NoInsert);
    meAuto = new QPlainTextEdit;
    meAuto->setObjectName(QStringLiteral("meAuto"));
    meAuto->setLineWrapMode(QPlainTextEdit::NoWrap);
    meAuto->setFixedHeight(70);
    lbAuto = new QLabel(QStringLiteral("Sekvenca"));
    lbAuto->setObjectName(QStringLiteral("lbAuto"));
    auto *lbKljuc = new QLabel(QStringLiteral("Ključ:   (polje tip)"));
    lbKljuc->setObjectName(QStringLiteral("lbKljuc"));
    auto *lbPolje = new QLabel(QStringLiteral("Polje:"));
    lbPolje->setObjectName(QStringLiteral("lbPolje"));
    polja->addWidget(lbKljuc, 0, 0);
    polja->addWidget(meKljuc, 1, 0, 3, 1);
    polja->addWidget(lbPolje, 0, 1);
    polja->addWidget(cbAuto, 1, 1);
    polja->addWidget(lbAuto, 2, 1);
    polja->addWidget(meAuto, 3, 1);
    polja->setColumnStretch(0, 1);
    polja->setColumnStretch(1, 1);
    nastavitveLayout()->addLayout(polja);

    cbAuto->installEventFilter(this);
    connect(cbAuto, &QComboBox::editTextChanged, this, [this] { cbAutoChange(); });
    // A name picked from the list is checked at once, as on leaving the field.
    connect(cbAuto, &QComboBox::activated, this, [this] { cbAutoExit(); });

    varno([this] { FormCreate(); });
}

TfmNastavi::~TfmNastavi() = default;

bool TfmNastavi::eventFilter(QObject *o, QEvent *e)
{
    if (o == cbAuto && e->type() == QEvent::FocusOut)
        varno([this] { cbAutoExit(); });
    return TfmStrukturaBase::eventFilter(o, e);
}

void TfmNastavi::FormCreate()
{
    trenUser.clear();
    trenTabeleUser.clear();
    pcStruktura->setCurrentWidget(tsNastavitve);
    pripraviMrezo(0);
    cbAutoChange();
    napolniUporabnike();
    nastaviBesedilo(cbUpor, m_ctx.currOwner);
    if (!m_ctx.currOwner.isEmpty())
        cbUporExit();
}

void TfmNastavi::cbUporExit()
{
    const QString upor = moxtext::upperAZ(cbUpor->currentText());
    nastaviBesedilo(cbUpor, upor);
    trenUser = upor;
}

void TfmNastavi::napolniKolone()
{
    const QString tabela = cbTabele->currentText();
    const QString stevilka = stevilkaTabele(tabela);
    const QString kandidat = stevilka.isEmpty() ? QStringLiteral("XXXXXXXX") : QStringLiteral("SIFRA") + stevilka;
    const QString status = stevilka.isEmpty() ? QStringLiteral("XXXXXXXX") : QStringLiteral("STAT_") + stevilka;
    const bool replikacija = m_ctx.currReplikacija;

    QString izbranAuto;
    QStringList imena;
    {
        const QSignalBlocker zaklep(cbAuto);
        cbAuto->clear();
    }

    struct Vrstica {
        QString pr, upd, kolona, tip, dol, dec, null;
    };
    QVector<Vrstica> vrstice;
    QString kljuc;
    for (const TStolpecSlovarja &s : stolpciTabele(m_ctx.osOracle, trenUser, tabela)) {
        Vrstica v;
        v.kolona = s.ime;
        v.tip = s.tip;
        if (vrstice.isEmpty() || v.kolona.startsWith(QLatin1String("CODE_")))
            kljuc = v.kolona + u' ' + v.tip;
        v.pr = v.upd = (jeStolpecReplikacije(v.kolona) && !replikacija) ? prazno : plus;
        v.dol = dolzinaVMrezi(s, QStringLiteral("19"));
        v.dec = s.decimalkBesedilo;
        v.null = s.nullable;
        imena << v.kolona;
        if (v.kolona == kandidat) {
            if (v.tip == QLatin1String("NUMBER"))
                izbranAuto = v.kolona;
            v.pr = v.upd = prazno; // numbered by the receiving database
        }
        if (v.kolona == status) {
            v.pr = plus;
            v.upd = replikacija ? plus : prazno;
        }
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
        nastaviCelico(r, colNull, v.null);
    }

    meKljuc->setPlainText(kljuc);
    {
        const QSignalBlocker zaklep(cbAuto);
        cbAuto->addItems(imena);
        cbAuto->setCurrentIndex(-1);
        cbAuto->setEditText(izbranAuto);
    }
    if (kljuc.contains(kandidat)) {
        nastaviBesedilo(cbAuto, QString());
    } else {
        meAuto->setPlainText(QStringList{QStringLiteral("begin"), QStringLiteral(":naslednji:="),
                                         QStringLiteral("   tavo.getSequence('") + moxtext::upperAZ(tabela) +
                                             QStringLiteral("');"),
                                         QStringLiteral("end;")}
                                 .join(u'\n'));
    }
    cbAutoChange();
}

void TfmNastavi::cbAutoChange()
{
    const bool vidno = !cbAuto->currentText().trimmed().isEmpty();
    meAuto->setVisible(vidno);
    lbAuto->setVisible(vidno);
}

void TfmNastavi::cbAutoExit()
{
    const QString ime = cbAuto->currentText();
    if (!ime.isEmpty() && meKljuc->toPlainText().contains(ime)) {
        sporoci(QStringLiteral("Polje za automatsko številčenje ne sme biti v ključu !"));
        nastaviBesedilo(cbAuto, QString());
        cbAutoChange();
    }
}

QStringList TfmNastavi::vrsticeKljuca() const
{
    QStringList vrstice;
    for (const QString &v : meKljuc->toPlainText().split(u'\n'))
        if (!v.trimmed().isEmpty())
            vrstice << v;
    return vrstice;
}

void TfmNastavi::btPripraviClick()
{
    const int vrstic = sgCol->rowCount();

    // Key columns are transferred and never updated.
    const QStringList kljuc = vrsticeKljuca();
    for (const QString &k : kljuc) {
        const QString ime = k.trimmed().section(u' ', 0, 0);
        for (int r = 1; r < vrstic; ++r)
            if (celica(r, colKolona) == ime) {
                nastaviCelico(r, colPR, plus);
                nastaviCelico(r, colUPD, prazno);
            }
    }

    QStringList str;
    str << vrsticaTabela();
    if (!kljuc.isEmpty())
        str << QStringLiteral("KLJUC=") + kljuc.join(u',');
    const QString autoPolje = cbAuto->currentText();
    if (!autoPolje.trimmed().isEmpty())
        str << QStringLiteral("AUTO=") + autoPolje + u' ' + meAuto->toPlainText().split(u'\n').join(QString());
    str << QStringLiteral("STRUKTURA");

    QVector<tipDBFStruktura> polja;
    polja.append({QStringLiteral("POPRAVI"), QStringLiteral("C"), 1, 0});
    struct Referenca {
        QString ime, kolona, tabela;
    };
    QVector<Referenca> reference;
    for (int r = 1; r < vrstic; ++r) {
        if (celica(r, colPR) != plus)
            continue;
        const QString ime = celica(r, colKolona);
        const QString zastavica = celica(r, colUPD) == plus ? QStringLiteral("U") : QString();
        QString tip = celica(r, colTip);
        const QString dol = celica(r, colDol);
        const QString dec = celica(r, colDec);
        // Only a NUMBER whose scale is known to be 0 holds whole numbers; an
        // unconstrained NUMBER (no scale) may hold any value and stays NUMBER,
        // so that its decimals travel too.
        if (tip == QLatin1String("NUMBER") && dec == QLatin1String("0"))
            tip = QStringLiteral("INTEGER");
        const QString odvKolona = celica(r, colOdvKolona);
        const QString odvTabela = celica(r, colOdvTabela);
        str << ime + u',' + zastavica + u',' + tip + u',' + dol + u',' + dec + QStringLiteral(",,") + odvKolona + u',' +
                   odvTabela;

        polja.append({ime, tip, dol.toInt(), dec.toInt()});
        if (!odvTabela.isEmpty())
            reference.append({ime, odvKolona, odvTabela});
    }
    // A text the refresh could not use is not offered for saving (nor are
    // widths a column cannot have mapped to DBF fields).
    preveriStrukturo(str, TVrstaStrukture::splosna);
    for (qsizetype i = 1; i < polja.size(); ++i)
        prirediTip(polja[i].tip, polja[i].dolzina, polja[i].decimalk);
    prAStr = polja;
    prPoz = int(prAStr.size()) - 1;

    prMastStr.clear();
    for (const Referenca &ref : reference) {
        prMastStr << ref.tabela;
        if (odpriDBF(tmpDataSet, m_ctx.currSaveDir, ref.tabela, QString(), interakcija())) {
            for (const QString &polje : {ref.ime, ref.kolona})
                if (tmpDataSet.FieldIndex(polje) < 0)
                    sporoci(QStringLiteral("MASTER/DETAIL    polje ") + polje + QStringLiteral(" NE OBSTAJA!"));
        } else {
            sporoci(QStringLiteral("Pripravi tabelo ") + ref.tabela + QStringLiteral(" s poljem ") + ref.kolona);
        }
        // Opened exclusively: let it go at once.
        tmpDataSet.Close();
    }
    if (reference.size() > kMaxReferenc)
        sporoci(QStringLiteral("PREVEČ MASTER/DETAIL polj (>20)"));

    meStr->setPlainText(str.join(u'\n'));
    pcStruktura->setCurrentWidget(tsPregled);
    if (m_ctx.currReplikacija)
        btShraniClick();
}

void TfmNastavi::btShraniClick()
{
    // The review page may have been edited: what is saved is checked again.
    preveriStrukturo(vrsticeStr(), TVrstaStrukture::splosna);

    // Reference tables whose DBF is not there yet.
    QStringList manjkajo;
    for (const QString &ime : prMastStr) {
        TApolloDataSet preveri;
        preveri.TableName = moxpath::join(m_ctx.currSaveDir, imeDBF(ime, true) + QStringLiteral(".dbf"));
        if (!QFileInfo::exists(preveri.resolvedPath()))
            manjkajo << ime + moxtext::crlf + moxtext::crlf;
    }
    if (!manjkajo.isEmpty())
        sporoci(QStringLiteral("OPOZORILO :") + moxtext::crlf + moxtext::crlf +
                QStringLiteral("Potrebno je kreirati Master/Detail tabele :") + moxtext::crlf + moxtext::crlf +
                manjkajo.join(QString()));

    const bool shranjeno = shraniStrukturo(QStringLiteral("Strukture|*.str"), QStringLiteral("str"));
    // The DBF is made whether or not the text was saved.
    kreirajDBF(m_ctx, moxpath::join(m_ctx.currSaveDir, cbTabele->currentText()), prAStr, prPoz + 1);
    if (shranjeno)
        close();
}

void TfmNastavi::spOpenFileClick()
{
    TTableDescription opis;
    const QString pot = odpriStrukturo(QStringLiteral("Strukture|*.str"), QStringLiteral("STR"), opis);
    if (pot.isEmpty())
        return;

    QStringList kljuc;
    for (const tipKljuc &k : opis.aKljuc)
        kljuc << k.imePolja + u' ' + k.tipPolja;
    meKljuc->setPlainText(kljuc.join(u'\n'));
    nastaviBesedilo(cbAuto, opis.poljeAuto);
    meAuto->setPlainText(opis.sekAuto);

    pripraviMrezo(int(opis.aKolone.size()));
    for (int i = 0; i < opis.aKolone.size(); ++i) {
        const tipKolone &k = opis.aKolone[i];
        const int r = i + 1;
        nastaviCelico(r, colPR, plus);
        nastaviCelico(r, colUPD, k.update ? plus : prazno);
        nastaviCelico(r, colKolona, k.imePolja);
        nastaviCelico(r, colTip, k.tipPolja);
        nastaviCelico(r, colDol, k.tipPolja == QLatin1String("DATE") ? QStringLiteral("19")
                                                                      : QString::number(k.dolzina));
        // A NUMBER with no decimals was written for an unconstrained column
        // (a NUMBER with scale 0 is written INTEGER): its scale stays unknown.
        const bool decimalke = k.tipPolja == QLatin1String("NUMBER") && k.decMest != 0;
        nastaviCelico(r, colDec, decimalke ? QString::number(k.decMest) : QString());
        nastaviCelico(r, colOdvKolona, k.mKolona);
        nastaviCelico(r, colOdvTabela, k.mTabela);
    }
    if (m_cbDetail)
        m_cbDetail->setChecked(moxtext::upperAZ(pot).contains(QLatin1String(".MST")));
    cbAutoChange();
}
