#pragma once
// The frame every fixed-layout refresh runs in (common code lists, print
// forms, parameters, medical-data analyses): the result file with its title,
// the per-pass counters shown through TNapredekDruzine, the loop condition
// (continue flag and "Prekini"), the error dialog with Da/Ne, and the closing
// steps (error notice, history row, run-log lines, closing review or end
// message). A family describes itself once (TOpisOkvira) and writes only its
// files, statements and per-record work.
//
// Usage:
//
//   TIzidDruzine osveziX(TMoxContext &ctx, const TZahtevaDruzine &z, const TNapredekDruzine *n)
//   {
//       TOkvirOsvezevanja okvir(ctx, z, n, opisX());
//       return okvir.izvedi([&](TOkvirOsvezevanja &o) {
//           o.preveriDatoteke({QStringLiteral("A.dbf")});   // "Datoteka ... ne obstaja" stops the run
//           o.odpriDBF(ctx.taDBF, QStringLiteral("A"));      // a failed open stops the run
//           TOracleQuery ins(&ctx.osOracle);
//           ins.SQL = QStringList{o.stavek({QStringLiteral("insert into tavo.a ..."), ...})};
//           o.prehod(0, ctx.taDBF, [&] {                      // per record: counted, events, abort check
//               ...lookup...
//               o.novo(0, QStringLiteral("NOVO: ") + koda);
//               if (o.samoPreverjanje()) return;
//               try { ins.Execute(); ctx.osOracle.Commit(); }
//               catch (const EMoxError &e) { o.napaka(0, QStringLiteral("NAPAKA: ...") + koda, e.message()); }
//           });
//       });
//   }
//
// Anything thrown out of the body (EMoxError or another std::exception) ends
// the run early: it is written to the result file, shown, counted as an error
// of the pass that was running and makes the run a failed one; the closing
// steps run whatever happened. Families with nested passes use naprej(),
// preberi() and koncajPrehod() instead of prehod().
#include "transfers/druzine.h"

#include "base/interaction.h"
#include "base/linefile.h"
#include "log/porocilo.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct TMoxContext;
class TApolloDataSet;

// What a family tells the frame about itself; texts are used as they are.
struct TOpisOkvira {
    QString vrsta;     // kind of the history row ("SKS", "OBR", "PARAMETRI", "MEDANALIZE")
    QString rezultat;  // result file name in "rezultati" under the folder ("SKS.rez")
    bool dopisi = false; // append to the result file instead of rewriting it
    QString naslov;    // title line of the result file ("Skupni Šifranti")

    // One label per pass, as the run-log line names the table
    // ("TAVO.KA000HED"); the number of passes is the number of labels.
    QStringList tabele;
    bool zPopravki = true; // the log lines carry "  UPD:" (families that correct rows)

    // The error dialog: its text is the prefix followed by the database's
    // message, buttons Da/Ne. Families without dialogs clear dialogi;
    // TZahtevaDruzine::brezSporocil suppresses them in any case, and an
    // unattended run (pAutomatika) never asks: it goes on as after Da.
    bool dialogi = true;
    QString predpona = QStringLiteral("NAPAKA \r\n");

    // The error notice after the passes when any pass has errors: through
    // infoMessage (silent in unattended runs); with obvestiloVedno an
    // unattended run writes it as the last line of the result file instead
    // (a message box would hold the run until someone closes it).
    QString obvestiloNapake;
    bool obvestiloVedno = false;

    // Closing texts offered with the result file when the run listed
    // differences (check-only / refresh wording), and the end message shown
    // when it found none (both not in unattended runs).
    QString zakljucekPreverjanja;
    QString zakljucekOsvezevanja;
    QString konecSporocilo;
};

class TOkvirOsvezevanja {
public:
    // pot: zahteva.pot, or the save directory when it is empty; the family's
    // DBF files are read from it and the result file is written below it.
    TOkvirOsvezevanja(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek,
                      TOpisOkvira opis);
    ~TOkvirOsvezevanja();
    TOkvirOsvezevanja(const TOkvirOsvezevanja &) = delete;
    TOkvirOsvezevanja &operator=(const TOkvirOsvezevanja &) = delete;

    // Runs the whole refresh: start (start time, flags, counters cleared,
    // pKonec cleared, "rezultati" created, result file with its title line),
    // the body, then the closing steps. Returns how the run ended.
    TIzidDruzine izvedi(const std::function<void(TOkvirOsvezevanja &)> &telo);

    // ---- Steps of the body -------------------------------------------------

    // The folder of the run (with its trailing separator).
    const QString &pot() const { return m_pot; }
    // Check-only mode, taken once at the start.
    bool samoPreverjanje() const { return m_samo; }

    // Each file name (with its extension, "KG000SS0.dbf") must exist in the
    // folder; the first missing one is shown as "Datoteka " + path +
    // " ne obstaja" and ends the run early (nothing written to the database).
    // Then the files (with their memo files) are checked against the
    // package's manifest under the family's kind, and an older package than
    // the one applied here is asked about (preveriPaketPredOsvezevanjem); a
    // refusal ends the run early too. Call it with every file of the family.
    void preveriDatoteke(const QStringList &imena);
    // Opens pot() + ime (without extension) with odpriDBF, with the index
    // expression when one is given; a failure (already shown by odpriDBF)
    // ends the run early. The table is closed again when the run ends, so it
    // must outlive izvedi (a context table, or one declared before the frame).
    void odpriDBF(TApolloDataSet &tabela, const QString &ime, const QString &indeks = QString());
    // A statement text of lines joined with CR LF and passed through the
    // schema-name substitution of the installation served now.
    QString stavek(const QStringList &vrstice) const;

    // Reads the table from its current record to its end under the loop
    // condition; for each record (deleted ones skipped) preberi(prehod) runs
    // and then naZapis. A pass ended by "Prekini" or the answer Ne is
    // recorded by koncajPrehod. Returns true when the end of the file was
    // reached.
    bool prehod(int prehod, TApolloDataSet &tabela, const std::function<void()> &naZapis);

    // The loop condition: the continue flag is set and "Prekini" was not
    // pressed (pKonec). Checked before each record.
    bool naprej() const;
    // One record of pass prehod is read: its Števec grows, the counters are
    // shown and pending window events run ("Prekini" may set pKonec).
    void preberi(int prehod);
    // A pass left off before its end (doKonca false) because of "Prekini"
    // makes the run a failed one: a line "NAPAKA: Osveževanje je bilo
    // prekinjeno pred koncem datoteke" and one error of the pass. After the
    // answer Ne the failed record was counted already; the run is failed too.
    // Recorded once per run.
    void koncajPrehod(int prehod, bool doKonca);

    // Result lines. novo/popravek count a new / corrected record of the pass,
    // write its line(s), set the change flag and show the counters.
    void novo(int prehod, const QString &vrstica);
    void popravek(int prehod, const QStringList &vrstice);
    void popravek(int prehod, const QString &vrstica) { popravek(prehod, QStringList{vrstica}); }
    // A line of its own (written at once, flushed).
    void vrstica(const QString &besedilo);

    // A record of pass prehod that could not be applied: one error of the
    // pass (shown at once), the family's error line (or "NAPAKA: " + message
    // when it has none) and the database's message on the next line in the
    // result file, and unless dialogs are off or the run is unattended the
    // dialog prefix + message with Da/Ne of the given kind; Ne clears the
    // continue flag.
    void napaka(int prehod, const QString &vrsticaNapake, const QString &sporocilo,
                TMsgDlgType vrstaDialoga = mtWarning);

    // The dialog prefix for the following errors (the family's default at
    // the start; a family may set one per record).
    void setPredpona(const QString &predpona) { m_predpona = predpona; }
    const QString &predpona() const { return m_predpona; }

    // The counters of a pass (to add counts of its own; call prikazi after).
    TStevciPrehoda &stevci(int prehod);
    void prikazi(int prehod);
    // Marks the run as having listed differences (closing review offered).
    void oznaciSpremembo() { m_spremembe = true; }
    bool spremembe() const { return m_spremembe; }
    // Makes the run a failed one without counting an error (the family has
    // counted what failed).
    void neuspeh(const QString &napaka);

private:
    void zacni();
    void zakljuci();
    void zapisiPorocilo();
    void neuporabljen(int prehod);
    void ustaviZgodaj(const QString &sporocilo, bool prikazano);
    QStringList logVrstice() const;

    TMoxContext &m_ctx;
    TZahtevaDruzine m_zahteva;
    const TNapredekDruzine *m_napredek;
    TOpisOkvira m_opis;
    QString m_pot;
    bool m_samo = false;
    bool m_naprej = true;     // continue flag: cleared by the answer Ne
    bool m_spremembe = false; // a NOVO/POPR line was written
    bool m_ustavljeno = false; // an early end was recorded
    int m_tekoci = 0;         // the pass that runs now (where an early end is counted)
    QString m_predpona;
    TVrsticnaDatoteka m_rez; // the result file
    QList<TApolloDataSet *> m_odprte;
    TIzidDruzine m_izid;
    // The readable report beside the result file; per pass the records listed
    // as new or different whose statement failed (not applied), and the pass
    // whose current record was listed as new or different (-1: none).
    TPorocilo m_porocilo;
    QList<qint64> m_neuporabljenih;
    int m_spremenjenPrehod = -1;
    QDateTime m_izvozeno; // the package's export time (invalid: no manifest, or not checked)
};
