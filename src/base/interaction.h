#pragma once
// What engine code may ask of the person at the screen. The window layer
// implements it with the system's message dialog and viewers; an unattended
// (headless) run answers every question with the dialog's default button.
#include <QString>

// Kinds of the message dialog.
enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// Button kinds, one bit each, in the dialog's fixed order.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbHelp = 1u << 8,
    mbPopravi = 1u << 9,
};
using TMsgDlgButtons = unsigned;

// Results of the dialog.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8 };

// The default button of a button set (OK, else Yes, else Retry) and its
// cancel button (Cancel, else No, else Ignore, else OK).
TMsgDlgBtn privzetiGumb(TMsgDlgButtons buttons);
TMsgDlgBtn gumbPreklica(TMsgDlgButtons buttons);
// The result a button kind gives (Popravi gives the same as Retry).
int rezultatGumba(TMsgDlgBtn button);
// The answer when no person is there: the default button's result, else
// the cancel button's, else the first button that closes, else mrCancel.
int odgovorBrezOsebe(TMsgDlgButtons buttons);

class TInteraction {
public:
    virtual ~TInteraction() = default;
    // The system's message dialog; returns the result of the button pressed.
    virtual int pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext = 0) = 0;
    // A plain message box with an OK button.
    virtual void showMessage(const QString &text) = 0;
    // Lets the window process pending events (repaint counters, "Prekini").
    virtual void processEvents() = 0;
};

// Talking to nobody: every text goes to standard error and every question
// takes its default answer. For engine code run without a window.
class TConsoleInteraction : public TInteraction {
public:
    int pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext = 0) override;
    void showMessage(const QString &text) override;
    void processEvents() override {}
};
