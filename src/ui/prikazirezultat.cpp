#include "ui/prikazirezultat.h"

#include "base/interaction.h"
#include "base/text.h"
#include "ui/tfmresult.h"

#include <QApplication>
#include <QGuiApplication>

namespace moxui {

bool jeBrezZaslona()
{
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

} // namespace moxui

void prikaziRezultat(const QString &zakljucek, const QString &pot, TInteraction &ui)
{
    const int odgovor = ui.pokaziSporocilo(zakljucek + QStringLiteral(".       PREGLED?") + moxtext::crlf,
                                           mtInformation, mbYes | mbNo, 0);
    if (odgovor != mrYes)
        return;
    prikaziDatoteko(pot);
}

void prikaziDatoteko(const QString &pot)
{
    TfmResult okno(QApplication::activeWindow());
    okno.naloziDatoteko(pot);
    okno.pokaziModalno();
}
