// The program: the main window and the DBF viewer window, then the event loop.
// Closing the main window ends the program with the window's exit status.
#include "operations.h"
#include "window/avtomatika.h"
#include "window/tfmmox.h"
#include "ui/tfmdbf.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Errors end at the window's actions and the dispatch point, which show
    // them; none is meant to reach the event loop.
    QApplication app(argc, argv);
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
