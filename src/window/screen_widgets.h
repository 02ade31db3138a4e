#pragma once
// Small builders shared by the screens: a page with its title, labelled
// fields, counter groups and counter tables. Every control gets its object
// name here, so the transfer code can find it.
#include <QString>
#include <QStringList>
#include <QVector>

class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace moxscreens {

// One labelled counter field of a counter group.
struct TStevec {
    QString napis;   // caption, e.g. "Novih:"
    QString ime;     // object name of the read-only field
};

// One row of a counter table: caption and the object names of its columns.
struct TVrsticaStevcev {
    QString napis;
    QStringList imena;
};

// A screen: object name, title line at the top, and the layout below it.
QWidget *novZaslon(const QString &objectName, const QString &naslov, QVBoxLayout **layout);

// An input field with a caption on its left; read-only fields get a muted background.
QLineEdit *dodajPolje(QBoxLayout *layout, const QString &napis, const QString &ime, bool samoBranje = false,
                      const QString &privzeto = QString(), const QString &namig = QString());
QCheckBox *novaPotrditev(const QString &napis, const QString &ime, bool privzeto = false);
QPushButton *nalGumb(const QString &napis, const QString &ime);
// Gives a read-only field the window's background, so it reads as a display.
void samoZaBranje(QLineEdit *edit);
// Width of the caption column in front of fields.
constexpr int kSirinaNapisa = 140;
// A read-only counter field.
QLineEdit *novStevec(const QString &ime);
// A group of counter fields titled naslov, laid out in one row.
QGroupBox *skupinaStevcev(const QString &naslov, const QString &ime, const QVector<TStevec> &stevci);
// A table of counters: one row per table, the columns given by glave.
QWidget *tabelaStevcev(const QString &ime, const QStringList &glave, const QVector<TVrsticaStevcev> &vrstice);
// A row of buttons, left-aligned.
QWidget *vrsticaGumbov(const QVector<QPushButton *> &gumbi);
// The progress bar of a transfer screen, named pb… after its screen
// (tabOsvSKS: pbOsvSKS): records done of the total beside the counters.
QProgressBar *novNapredek(const QString &ime);
// The object name of a screen's progress bar.
QString imeNapredka(const QString &zaslon);
// Shows narejeno of skupaj; a total of 0 (not known, as while a preparation
// writes) shows the bar busy.
void pokaziNapredek(QProgressBar &bar, qint64 narejeno, qint64 skupaj);
// The run ended: a busy bar shows it is done; a bar with a total keeps the
// point the run reached (a run stopped early shows how far it got).
void koncajNapredek(QProgressBar &bar);
// A settings text memo (plain text, no wrapping, fixed-pitch font).
QPlainTextEdit *novMemo(const QString &ime);

} // namespace moxscreens
