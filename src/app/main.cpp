// The program: the main window and the DBF viewer window, then the event loop.
// Closing the main window ends the program with the window's exit status.
#include "operations.h"
#include "automation/avtomatika.h"
#include "shell/moxerror.h"
#include "shell/tfmmox.h"
#include "ui/messageform.h"
#include "ui/tfmdbf.h"

#include <QApplication>

#include <cstdio>

namespace {

// An error that no operation catches reaches the event loop: it is shown and
// the program goes on.
class TMoxApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const EMoxError &e) {
            pokazi(e.message());
        } catch (const std::exception &e) {
            pokazi(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    static void pokazi(const QString &text)
    {
        TMessageForm::pokaziSporocilo(text, mtError, mbOK, 0);
    }
};

} // namespace

int main(int argc, char **argv)
{
    TMoxApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    TfmMOX fmMOX(arguments);
    registerOperations(fmMOX);
    attachAutomation(fmMOX);
    TfmDBF fmDBF(&fmMOX);

    QObject::connect(&fmMOX, &TfmMOX::programEnded, &app, [](int status) { QCoreApplication::exit(status); });

    fmMOX.show();
    return app.exec();
}
