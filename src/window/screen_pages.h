#pragma once
// Builders of the individual screens. Each returns a new page whose object
// name is the screen's name (tab…) and whose controls carry their names.
class QWidget;

namespace moxscreens {

// Refresh screens
QWidget *zaslonOsvSplosno();
QWidget *zaslonOsvSKS();
QWidget *zaslonOsvObrazci();
QWidget *zaslonOsvParametri();
QWidget *zaslonOsvGrupe();
QWidget *zaslonOsvPalete();
QWidget *zaslonOsvAnalize();
QWidget *zaslonOsvGrupe023();

// Preparation screens
QWidget *zaslonPrSplosno();
QWidget *zaslonPrSKS();
QWidget *zaslonPrObrazci();
QWidget *zaslonPrParametri();
QWidget *zaslonPrAnalize();
QWidget *zaslonPrGrupe();
QWidget *zaslonPrPalete();
QWidget *zaslonPrGrupe023();

// Start, settings and help
QWidget *zaslonStart();
QWidget *zaslonNastavitev();
QWidget *zaslonPomoc();

} // namespace moxscreens
