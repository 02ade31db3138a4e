#pragma once
// TInteraction for the window program: questions through the system's
// message dialog, plain messages in the same dialog with an OK button, and
// event processing of the Qt event loop. Without a screen every dialog text
// goes to stderr and to the log sink, and nothing waits.
#include "base/interaction.h"
#include "ui/messageform.h"

class TWidgetInteraction : public TInteraction {
public:
    int pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext = 0) override;
    void showMessage(const QString &text) override;
    void processEvents() override;

    // Set by the owner (the main window) to copy the text of every dialog
    // answered without a screen into the run log.
    TMessageForm::LogSink logSink;
};
