#pragma once
// The system's own message dialog: an icon by kind, the text wrapped to half
// the screen width, and buttons with Slovenian captions. Each call builds a
// new window, shows it modally and frees it.
//
// On a screenless platform ("offscreen", "minimal") nothing is shown: the
// text goes to stderr (and to the caller's log sink) and the dialog answers
// with its default button.
#include "base/interaction.h"

#include <QDialog>
#include <QFontMetrics>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QPushButton;

class TMessageForm : public QDialog {
    Q_OBJECT
public:
    // Receives the text of every dialog answered without a screen.
    using LogSink = std::function<void(const QString &)>;

    // Builds the dialog, laid out and centred on the screen, without showing it.
    static std::unique_ptr<TMessageForm> ustvariSporocilo(const QString &text, TMsgDlgType kind,
                                                          TMsgDlgButtons buttons);
    // Builds and shows the dialog modally with its left edge at x (x >= 0)
    // and its top edge at y (y >= 0), else centred; returns the result of the
    // button pressed.
    static int pokaziSporociloNa(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext,
                                 int x, int y, const LogSink &log = {});
    static int pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext,
                               const LogSink &log = {});
    // Average character size of a font: the width of "A".."Z""a".."z" divided
    // by 52, and the text's height.
    static QSize povprecnaVelikostZnaka(const QFontMetrics &canvas);

    // The application title shown as the caption of every message dialog;
    // set once at start-up (until then the application's display name).
    static void setApplicationTitle(const QString &title);
    static QString applicationTitle();

    // True when dialogs cannot be shown (no widget application, or the
    // "offscreen" or "minimal" platform).
    static bool isHeadless();
    // The result a dialog with these buttons gives when nobody answers: its
    // default button's, else its cancel button's, else the first closing
    // button's, else mrCancel.
    static int unattendedResult(TMsgDlgButtons buttons);

    QPushButton *defaultButton() const { return m_default; }
    QPushButton *cancelButton() const { return m_cancel; }
    int helpContext() const { return m_helpContext; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

public slots:
    void reject() override;

private:
    TMessageForm(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons);

    QPushButton *m_default = nullptr;
    QPushButton *m_cancel = nullptr;
    int m_helpContext = 0;
};
