#include "general/gui/generalscreens.h"

#include "general/dbfsupport.h"
#include "general/general.h"
#include "log/messages.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/scopeexit.h"
#include "base/paths.h"
#include "window/screen_widgets.h"
#include "window/screens.h"
#include "base/text.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace {

// The descriptions the two screens show between choosing a file and running.
// A run always reads its structure file anew: the session may serve another
// installation (other schema names) since the file was chosen.
struct TStanje {
    TTableDescription priprava;
    TTableDescription osvezevanje;
    TPreklopTriggerjev preklopi;
};

template <class T> T &polje(TScreens &s, const char *ime) { return s.polje<T>(QString::fromLatin1(ime)); }

QString autoBesedilo(const TTableDescription &opis)
{
    return u' ' + opis.poljeAuto + QStringLiteral(",  ") + opis.sekAuto;
}

// The preparation screen after a structure file was read.
void pokaziPripravo(TScreens &s, const TTableDescription &opis)
{
    polje<QGroupBox>(s, "gbPrTabela").setTitle(opis.tabela);
    polje<QPushButton>(s, "btPrSplosno").setEnabled(true);
    QString kljuc;
    for (const tipKljuc &k : opis.aKljuc)
        kljuc += u' ' + k.imePolja;
    polje<QLineEdit>(s, "edKljuc").setText(kljuc);
    const QString a = autoBesedilo(opis);
    polje<QLineEdit>(s, "edAutoPolje").setText(a == QStringLiteral(" ,  ") ? QString() : a);
}

// The refresh screen after a structure file was read.
void pokaziOsvezevanje(TScreens &s, const TTableDescription &opis)
{
    polje<QGroupBox>(s, "gbOsvTabela").setTitle(opis.tabela);
    polje<QPushButton>(s, "btOsSplosno").setEnabled(true);
    polje<QLineEdit>(s, "edOsvKljuc").setText(opis.kljucImena(QStringLiteral(", ")));
    polje<QLineEdit>(s, "edOsvAuto").setText(opis.poljeAuto.isEmpty() ? QString() : autoBesedilo(opis));
}

void spGetStr(TMoxContext &ctx, TScreens &s, TStanje &st)
{
    st.priprava.clear();
    const QString datoteka = s.izbranaStruktura();
    if (datoteka.isEmpty())
        return;
    ctx.meDyn = moxtext::readTextLines(moxpath::native(datoteka));
    ctx.currSaveDir = moxpath::folderOf(datoteka);
    polje<QLineEdit>(s, "edSplFile").setText(datoteka);
    razcleniStrukturo(ctx, st.priprava, vrstaStrukture(datoteka));
    pokaziPripravo(s, st.priprava);
}

void preberi(TMoxContext &ctx, TScreens &s, TStanje &st)
{
    const QString datoteka = polje<QLineEdit>(s, "edOsvFile").text();
    preberiStrukturo(ctx, datoteka, st.osvezevanje);
    pokaziOsvezevanje(s, st.osvezevanje);
}

void priprava(TMoxContext &ctx, TScreens &s, TStanje &st)
{
    const QString datoteka = polje<QLineEdit>(s, "edSplFile").text();
    if (datoteka.isEmpty())
        return;
    const bool detail = polje<QCheckBox>(s, "cbDetail").isChecked();
    QLineEdit &stevec = polje<QLineEdit>(s, "edPrStevec");
    QLineEdit &filterPolje = polje<QLineEdit>(s, "edSplosnoFilter");
    // The rows to write are not known ahead: the bar is busy while it runs.
    QProgressBar &bar = polje<QProgressBar>(s, "pbPrSplosno");
    moxscreens::pokaziNapredek(bar, 0, 0);
    TNaKoncu konec([&bar] { moxscreens::koncajNapredek(bar); });
    TPripravaNapredek napredek;
    napredek.prikazi = [&stevec](qint64 n) { stevec.setText(QString::number(n)); };
    napredek.prebrano = [&s, &st](const TTableDescription &opis) {
        st.priprava = opis;
        pokaziPripravo(s, st.priprava);
    };
    QString filter;
    prepareGeneralFromFile(ctx, datoteka, filterPolje.text(), detail, &napredek, &filter);
    filterPolje.setText(filter);
}

void osvezevanje(TMoxContext &ctx, TScreens &s, TStanje &st)
{
    const QString datoteka = polje<QLineEdit>(s, "edOsvFile").text();
    if (datoteka.isEmpty()) {
        if (ctx.ui)
            ctx.ui->showMessage(QStringLiteral("Izberi strukturno datoteko"));
        return;
    }
    preberi(ctx, s, st);

    QCheckBox &samo = polje<QCheckBox>(s, "cbSamoPregled");
    QPushButton &osvezi = polje<QPushButton>(s, "btOsSplosno");
    QPushButton &prekini = polje<QPushButton>(s, "btOsvPrekini");
    struct Stevci {
        QLineEdit *zapisov, *novih, *razlicnih, *dodanih, *popravljenih, *napak;
    } f{&polje<QLineEdit>(s, "edOsSplStevec"), &polje<QLineEdit>(s, "edOsSplNovih"),
        &polje<QLineEdit>(s, "edOsSplPopr"),   &polje<QLineEdit>(s, "edOsSplInsert"),
        &polje<QLineEdit>(s, "edOsSplUpdate"), &polje<QLineEdit>(s, "edOsSplError")};

    QProgressBar *bar = &polje<QProgressBar>(s, "pbOsvSplosno");
    TOsvezevanjeNapredek napredek;
    napredek.prikazi = [f, bar](const TOsvezevanjeStevci &c) {
        moxscreens::pokaziNapredek(*bar, c.prikazanoZapisov, c.vDatoteki);
        f.zapisov->setText(stevecBesedilo(c.prikazanoZapisov));
        f.novih->setText(stevecBesedilo(c.novih));
        f.razlicnih->setText(stevecBesedilo(c.razlicnih));
        f.dodanih->setText(stevecBesedilo(c.dodanih));
        f.popravljenih->setText(stevecBesedilo(c.popravljenih));
        f.napak->setText(stevecBesedilo(c.napak));
    };
    napredek.samoPreverjanje = [&samo] { return samo.isChecked(); };
    napredek.tece = [&osvezi, &prekini, bar](bool tece) {
        osvezi.setEnabled(!tece);
        prekini.setEnabled(tece);
        if (tece) {
            bar->setRange(0, 1);
            bar->setValue(0);
        }
    };
    TInteraction *ui = ctx.ui;
    napredek.prikaziRezultat = [ui](const QString &zakljucek, const QString &pot) {
        if (ui)
            prikaziRezultat(zakljucek, pot, *ui);
    };
    osveziSplosno(ctx, st.osvezevanje, datoteka, samo.isChecked(), &napredek, st.preklopi);
}

} // namespace

void registerGeneralTransfers(TDispatch &dispatch, std::function<TScreens *()> screens, TPreklopTriggerjev preklopi)
{
    auto stanje = std::make_shared<TStanje>();
    stanje->preklopi = std::move(preklopi);
    auto zZasloni = [screens, stanje](void (*op)(TMoxContext &, TScreens &, TStanje &)) {
        return [screens, stanje, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni splošnih tabel niso na voljo"));
            op(ctx, *s, *stanje);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::spGetStr), zZasloni(&spGetStr));
    dispatch.registerOperation(QString::fromLatin1(moxops::preberiStrukturo), zZasloni(&preberi));
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviSplosno), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziSplosno), zZasloni(&osvezevanje));
}

