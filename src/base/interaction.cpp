#include "base/interaction.h"

#include <cstdio>

TMsgDlgBtn privzetiGumb(TMsgDlgButtons b)
{
    if (b & mbOK)
        return mbOK;
    if (b & mbYes)
        return mbYes;
    return mbRetry;
}

TMsgDlgBtn gumbPreklica(TMsgDlgButtons b)
{
    if (b & mbCancel)
        return mbCancel;
    if (b & mbNo)
        return mbNo;
    if (b & mbIgnore)
        return mbIgnore;
    return mbOK;
}

int rezultatGumba(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbHelp: return mrNone;
    case mbPopravi: return mrRetry;
    }
    return mrNone;
}

int odgovorBrezOsebe(TMsgDlgButtons buttons)
{
    if (buttons & privzetiGumb(buttons))
        return rezultatGumba(privzetiGumb(buttons));
    if (buttons & gumbPreklica(buttons))
        return rezultatGumba(gumbPreklica(buttons));
    for (unsigned bit = 1; bit <= mbPopravi; bit <<= 1)
        if ((buttons & bit) && rezultatGumba(TMsgDlgBtn(bit)) != mrNone)
            return rezultatGumba(TMsgDlgBtn(bit));
    return mrCancel;
}

int TConsoleInteraction::pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons buttons, int)
{
    showMessage(text);
    return odgovorBrezOsebe(buttons);
}

void TConsoleInteraction::showMessage(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
