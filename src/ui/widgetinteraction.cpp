#include "ui/widgetinteraction.h"

#include <QCoreApplication>

int TWidgetInteraction::pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext)
{
    return TMessageForm::pokaziSporocilo(text, kind, buttons, helpContext, logSink);
}

void TWidgetInteraction::showMessage(const QString &text)
{
    TMessageForm::pokaziSporocilo(text, mtCustom, mbOK, 0, logSink);
}

void TWidgetInteraction::processEvents() { QCoreApplication::processEvents(); }
