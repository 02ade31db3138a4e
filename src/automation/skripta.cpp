#include "automation/skripta.h"
#include "base/scopeexit.h"

#include "automation/housekeeping.h"
#include "automation/napredek.h"
#include "general/general.h"
#include "log/messages.h"
#include "log/history.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "run/schemanames.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "startup/startup.h"
#include "base/text.h"

#include <exception>

using namespace moxskripta;

namespace {

// A logon of the script failed with nobody there to retry it: the run ends.
class EPrijavaNeuspela : public EMoxError {
public:
    using EMoxError::EMoxError;
};

bool je(const QString &ukaz, const char *beseda) { return ukaz == QLatin1String(beseda); }

} // namespace

QVector<TInstalacija> naloziInstalacije(TMoxContext &ctx)
{
    QVector<TInstalacija> out;
    TOracleDataSet &q = ctx.quDyn;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral("select * from ORNA_UTIL.ORNA_INSTALATIONS order by userIndex");
    q.Open();
    TNaKoncu zapri([&q] { q.Close(); });
    while (!q.Eof()) {
        TInstalacija i;
        i.userTavo = q.FieldByName(QStringLiteral("USER_TAVO")).AsString();
        i.passTavo = q.FieldByName(QStringLiteral("PASS_TAVO")).AsString();
        i.userFaktur = q.FieldByName(QStringLiteral("USER_FAKTUR")).AsString();
        i.passFaktur = q.FieldByName(QStringLiteral("PASS_FAKTUR")).AsString();
        i.instance = q.FieldByName(QStringLiteral("INSTANCE")).AsString();
        i.userIndex = q.FieldByName(QStringLiteral("USERINDEX")).AsString();
        i.scriptStatus = q.FieldByName(QStringLiteral("LASTSCRIPTSTATUS")).AsString();
        out.push_back(i);
        q.Next();
    }
    return out;
}

TSkriptniTek::TSkriptniTek(TMoxContext &ctx, TDispatch &dispatch, TSkriptaOkno &okno)
    : m_ctx(ctx), m_dispatch(dispatch), m_okno(okno)
{
}

void TSkriptniTek::naloziInstalacije() { m_instalacije = ::naloziInstalacije(m_ctx); }

void TSkriptniTek::izpisi(const QString &text) const
{
    if (odmev)
        odmev(text);
}

int TSkriptniTek::tiAutoStartTimer()
{
    m_napaka.clear();
    m_napakeUkazov = 0;
    m_prijavaNeuspela = false;
    const int napakePrej = m_ctx.pNapakePrenosov;

    const QString user = m_ctx.currUser;
    const QString server = m_ctx.currServer;
    const QString password = m_ctx.currPassword;

    try {
        if (m_ctx.currMoreInstall) {
            for (qsizetype k = 0; k < m_instalacije.size(); ++k) {
                const TInstalacija &i = m_instalacije.at(k);
                m_ctx.currInstanceAs = i.instance;
                m_ctx.currUserAsTavo = i.userTavo;
                m_ctx.currPassAsTavo = i.passTavo;
                m_ctx.currUserAsFaktur = i.userFaktur;
                m_ctx.currPassAsFaktur = i.passFaktur;
                m_ctx.currServer = m_ctx.currInstanceAs;
                izpisi(QStringLiteral("-- %1/%2: %3@%4").arg(k + 1).arg(m_instalacije.size()).arg(i.userTavo,
                                                                                                   i.instance));
                izvediSkripto();
            }
        } else {
            izvediSkripto();
        }
    } catch (const EMoxError &e) {
        m_napaka = e.message();
        return izhodPrekinjen;
    } catch (const std::exception &e) {
        m_napaka = QString::fromLocal8Bit(e.what());
        return izhodPrekinjen;
    }

    m_ctx.currUser = user;
    m_ctx.currServer = server;
    m_ctx.currPassword = password;

    if (m_prijavaNeuspela)
        return izhodPrekinjen;
    if (m_napakeUkazov > 0 || m_ctx.pNapakePrenosov > napakePrej)
        return izhodNapakePrenosov;
    return izhodBrezNapak;
}

void TSkriptniTek::izvediSkripto()
{
    m_ctx.p_replikacija = false;
    m_ctx.p_sl.clear();
    m_largeRBNaKoncu = false;

    if (!((m_ctx.osOracle.Connected() || m_ctx.declRunParam) && !m_ctx.runParamType.isEmpty()))
        return;

    if (!m_ctx.runParamType.startsWith(u'@')) {
        m_ctx.p_sl = QStringList{enovrsticniUkaz(m_ctx)};
    } else {
        m_ctx.p_sl = moxtext::readTextLines(imeSkripte(m_ctx.runParamType));
        if (m_ctx.runParamvalue1 != QStringLiteral("NULL"))
            m_ctx.p_sourceBase = m_ctx.runParamvalue1;
        if (m_ctx.runParamvalue2 != QStringLiteral("NULL"))
            m_ctx.p_destBase = m_ctx.runParamvalue2;
        m_ctx.currInclude = m_ctx.runParamvalue3;
    }

    // The lines are counted once, before the first one runs.
    const QStringList vrstice = m_ctx.p_sl;
    for (qsizetype i = 0; i < vrstice.size(); ++i) {
        m_ctx.pAutomatika = true;
        const QString &line = vrstice.at(i);
        const TUkazSkripte u = ukazVrstice(line, m_ctx.currInclude);
        if (u.ukaz != QLatin1String(KOMENTAR))
            izpisi(odmevVrstice(int(i + 1), line, u));
        // A line that cannot run as written (cut, a quote left open, a path
        // for a table) runs not at all: an error of the run.
        if (!u.napaka.isEmpty()) {
            napakaUkaza(QStringLiteral("NAPAKA v vrstici %1 skripte: ").arg(i + 1) + u.napaka);
            continue;
        }
        izvediUkaz(u);
    }

    if (m_largeRBNaKoncu)
        izklopiLargeRB();
}

void TSkriptniTek::izvediUkaz(const TUkaz &u)
{
    if (je(u.ukaz, CONNECT))
        connect(u);
    else if (je(u.ukaz, LARGERB))
        largeRB(u);
    else if (je(u.ukaz, REFRESH))
        refresh(u);
    else if (je(u.ukaz, REPLIKACIJA))
        replikacija();
    else if (je(u.ukaz, SQL))
        sql(u);
    else if (je(u.ukaz, PREPARE))
        prepare(u);
    // Any other word, KOMENTAR included, does nothing.
}

void TSkriptniTek::connect(const TUkaz &u)
{
    const QString alias = zamenjajBazo(u.a3, m_ctx.p_sourceBase, m_ctx.p_destBase);
    connectGeslo(m_ctx, alias, u.a1, u.a2, m_ctx.currPassword);
    if (!u.a1.isEmpty())
        m_ctx.currUser = u.a1;
    if (!alias.isEmpty())
        m_ctx.currServer = alias;

    if (m_ctx.currMoreInstall) {
        m_ctx.currServer = m_ctx.currInstanceAs;
        if (m_ctx.currUser == QStringLiteral("TAVO")) {
            m_ctx.currUser = m_ctx.currUserAsTavo;
            m_ctx.currPassword = m_ctx.currPassAsTavo;
        }
        if (m_ctx.currUser == QStringLiteral("FAKTUR")) {
            m_ctx.currUser = m_ctx.currUserAsFaktur;
            m_ctx.currPassword = m_ctx.currPassAsFaktur;
        }
    }

    const QString user = m_ctx.currUser;
    const QString server = m_ctx.currServer;
    const bool povezan = m_okno.prijava(m_ctx.currUser, m_ctx.currPassword, m_ctx.currServer);

    m_okno.omogociMenije(povezan);
    QString naslov = m_ctx.pOrgMainCaption + QString(7, u' ') + moxtext::upperAZ(m_ctx.currUser) + u'@' +
                     moxtext::upperAZ(m_ctx.currServer);
    if (aliJeVecInstacijNaTrenutniInstanci(m_ctx.currServer))
        naslov += QStringLiteral("  (MULTIUSER) ");
    m_okno.nastaviNaslov(naslov);

    if (!povezan) {
        m_prijavaNeuspela = true;
        // Without a person nobody can log on by hand, and every later line
        // would work on no session: the run ends here.
        if (m_okno.brezOsebe())
            throw EPrijavaNeuspela(QStringLiteral("NEDOVOLJEN DOSTOP: ") + user + u'@' + server);
    }
}

void TSkriptniTek::largeRB(const TUkaz &u)
{
    bool oznacen;
    if (u.a1 == QStringLiteral("OFF")) {
        oznacen = true;
        m_largeRBNaKoncu = false;
    } else {
        oznacen = false;
        m_largeRBNaKoncu = true;
    }
    m_okno.nastaviLargeRB(oznacen);
    if (!activateLargeRB(m_ctx, oznacen))
        ++m_napakeUkazov;
    m_okno.nastaviLargeRB(oznacen);
}

void TSkriptniTek::izklopiLargeRB()
{
    // Switched off whatever the mark says: a switch-on that failed has left
    // the mark unchecked, and the toggle would then switch the segment on.
    bool oznacen = true;
    m_okno.nastaviLargeRB(oznacen);
    if (!activateLargeRB(m_ctx, oznacen))
        ++m_napakeUkazov;
    m_okno.nastaviLargeRB(oznacen);
}

void TSkriptniTek::niNaVoljo(const QString &operacija)
{
    // An item the program cannot run is an error of the run: a scheduled
    // run must not report success for a transfer it never made.
    ++m_napakeUkazov;
    javiNiNaVoljo(m_ctx, operacija);
    izpisi(::niNaVoljo(operacija));
}

QString TSkriptniTek::strukturnaDatoteka(const QString &dir, const QString &ime) const
{
    return moxpath::native((dir.isEmpty() ? m_ctx.currSaveDir : dir) + ime + QStringLiteral(".str"));
}

const TDruzina *TSkriptniTek::druzina(const QString &postavka) const
{
    for (const TDruzina &d : druzineSkripte)
        if (d.postavka == postavka)
            return &d;
    return nullptr;
}

// A family's transfer run from the script: the engine operation with the
// item's folder (the save directory when the line names none), check-only
// mode off as the script always runs it, the counters reported without a
// screen.
void TSkriptniTek::izvediDruzino(const TDruzina &druzina, bool osvezi, const QString &dir)
{
    const TOperacijaDruzine &operacija = osvezi ? druzina.osvezi : druzina.pripravi;
    TZahtevaDruzine zahteva;
    zahteva.pot = moxpath::withTrailingSeparator(moxpath::native(dir.isEmpty() ? m_ctx.currSaveDir : dir));
    if (osvezi)
        pripraviSejo(m_ctx.quDyn1, m_ctx);
    // The family's run records its own failures (history "D", counted in
    // pNapakePrenosov), which make the script's exit status 1.
    TNapredekBrezZaslona napredek(druzina.postavka, odmev);
    const TNapredekDruzine n = napredek.druzina();
    operacija(m_ctx, zahteva, &n);
}

void TSkriptniTek::osveziSplosnoTabelo(const QString &tabela, const QString &dir)
{
    const QString datoteka = strukturnaDatoteka(dir, tabela);
    pripraviSejo(m_ctx.quDyn1, m_ctx);
    m_ctx.currTabela = tabela;
    // The structure file is read anew for every item, with the schema names
    // of the installation served now; a missing or unreadable file ends the
    // run here. Check-only mode follows the settings (CURR_SAMO_PREVERJANJE).
    TNapredekBrezZaslona napredek(tabela, odmev);
    const TOsvezevanjeNapredek n = napredek.osvezevanje();
    refreshGeneralFromFile(m_ctx, datoteka, m_ctx.currSamoPreverjanje, &preklopiTriggerje, &n);
}

void TSkriptniTek::pripraviSplosnoTabelo(const TPostavkaPriprave &p, const QString &dir)
{
    // An item naming a ".mst" file prepares that master/detail table (its
    // reference DBF); any other item is a general table's ".str" file.
    const bool detail = p.ime.endsWith(QStringLiteral(".mst"), Qt::CaseInsensitive);
    const QString datoteka =
        detail ? moxpath::native((dir.isEmpty() ? m_ctx.currSaveDir : dir) + p.ime) : strukturnaDatoteka(dir, p.ime);
    // Its folder becomes the save directory; errors end the run here, so that
    // no later line uses a file this preparation left incomplete.
    TNapredekBrezZaslona napredek(p.ime, odmev);
    const TPripravaNapredek n = napredek.priprava();
    prepareGeneralFromFile(m_ctx, datoteka, p.filter, detail, &n);
}

void TSkriptniTek::napakaUkaza(const QString &sporocilo)
{
    ++m_napakeUkazov;
    izpisi(sporocilo);
    if (m_ctx.ui)
        m_ctx.ui->showMessage(sporocilo);
}

void TSkriptniTek::refresh(const TUkaz &u)
{
    for (const QString &postavka : postavkeOsvezitve(u.a1)) {
        if (!jeDruzinaOsvezitve(postavka)) {
            osveziSplosnoTabelo(postavka, u.a2);
            continue;
        }
        const TDruzina *druzina = this->druzina(postavka);
        if (!druzina || !druzina->osvezi) {
            niNaVoljo(operacijaOsvezitve(postavka));
            continue;
        }
        izvediDruzino(*druzina, true, u.a2);
    }
}

void TSkriptniTek::prepare(const TUkaz &u)
{
    m_ctx.p_autoPrepare = true;
    TNaKoncu konec([this] { m_ctx.p_autoPrepare = false; });
    for (const TPostavkaPriprave &p : postavkePriprave(u.a1)) {
        if (p.sNavednico || !jeDruzinaPriprave(p.ime)) {
            pripraviSplosnoTabelo(p, u.a2);
            continue;
        }
        const TDruzina *druzina = this->druzina(p.ime);
        if (!druzina || !druzina->pripravi) {
            niNaVoljo(operacijaPriprave(p.ime));
            continue;
        }
        izvediDruzino(*druzina, false, u.a2);
    }
}

void TSkriptniTek::sql(const TUkaz &u)
{
    const QString stavek = stavekSQL(u.a1);
    TOracleQuery &q = m_ctx.quTemporary;
    try {
        q.Clear();
        q.SQL << stavek;
        q.Execute();
    } catch (const EMoxError &e) {
        ++m_napakeUkazov;
        izpisi(e.message());
        if (m_ctx.ui)
            m_ctx.ui->showMessage(QStringLiteral("NAPAKA pri izvajanju: ") + stavek);
    }
}

void TSkriptniTek::replikacija()
{
    m_ctx.p_replikacija = true;
    m_ctx.currSaveDir = m_ctx.currReplSaveDir;
    m_ctx.currDirLog = m_ctx.currReplDirLog;
    naloziZadnjeOsvezitve(m_ctx);
}
