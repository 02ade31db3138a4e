#include "window/screen_widgets.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace moxscreens {

QWidget *novZaslon(const QString &objectName, const QString &naslov, QVBoxLayout **layout)
{
    auto *page = new QWidget;
    page->setObjectName(objectName);
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(16, 12, 16, 12);
    v->setSpacing(8);
    if (!naslov.isEmpty()) {
        auto *title = new QLabel(naslov);
        title->setObjectName(objectName + QStringLiteral("Naslov"));
        QFont f = title->font();
        f.setBold(true);
        f.setPointSizeF(f.pointSizeF() * 1.3);
        title->setFont(f);
        v->addWidget(title);
    }
    *layout = v;
    return page;
}

void samoZaBranje(QLineEdit *edit)
{
    edit->setReadOnly(true);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    edit->setPalette(pal);
}

QLineEdit *dodajPolje(QBoxLayout *layout, const QString &napis, const QString &ime, bool samoBranje,
                      const QString &privzeto, const QString &namig)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(napis);
    label->setMinimumWidth(kSirinaNapisa);
    auto *edit = new QLineEdit(privzeto);
    edit->setObjectName(ime);
    if (samoBranje)
        samoZaBranje(edit);
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit, 1);
    if (!namig.isEmpty()) {
        auto *hint = new QLabel(namig);
        hint->setObjectName(ime + QStringLiteral("Namig"));
        hint->setForegroundRole(QPalette::PlaceholderText);
        row->addWidget(hint);
    }
    layout->addLayout(row);
    return edit;
}

QCheckBox *novaPotrditev(const QString &napis, const QString &ime, bool privzeto)
{
    auto *cb = new QCheckBox(napis);
    cb->setObjectName(ime);
    cb->setChecked(privzeto);
    return cb;
}

QPushButton *nalGumb(const QString &napis, const QString &ime)
{
    auto *b = new QPushButton(napis);
    b->setObjectName(ime);
    b->setMinimumWidth(90);
    b->setAutoDefault(false);
    return b;
}

QLineEdit *novStevec(const QString &ime)
{
    auto *e = new QLineEdit;
    e->setObjectName(ime);
    samoZaBranje(e);
    e->setAlignment(Qt::AlignRight);
    e->setFixedWidth(80);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

QProgressBar *novNapredek(const QString &ime)
{
    auto *bar = new QProgressBar;
    bar->setObjectName(ime);
    bar->setRange(0, 1);
    bar->setValue(0);
    bar->setFormat(QStringLiteral("%v / %m"));
    bar->setTextVisible(true);
    return bar;
}

QString imeNapredka(const QString &zaslon)
{
    return QStringLiteral("pb") + (zaslon.startsWith(QStringLiteral("tab")) ? zaslon.mid(3) : zaslon);
}

void pokaziNapredek(QProgressBar &bar, qint64 narejeno, qint64 skupaj)
{
    if (skupaj <= 0) {
        // Not known: a busy bar; the counters beside it show the count.
        if (bar.maximum() != 0)
            bar.setRange(0, 0);
        return;
    }
    // The bar counts in int: very large files are shown in steps.
    qint64 korak = 1;
    while (skupaj / korak > std::numeric_limits<int>::max())
        korak *= 10;
    const int max = int(skupaj / korak);
    if (bar.maximum() != max || bar.minimum() != 0)
        bar.setRange(0, max);
    bar.setFormat(korak == 1 ? QStringLiteral("%v / %m") : QStringLiteral("%p %"));
    // A bar whose text changes paints at once: it moves in steps of half a
    // percent (and to its end), so a long run paints it some 200 times.
    const int v = int(std::min(narejeno, skupaj) / korak);
    if (v == max || v < bar.value() || v - bar.value() >= std::max(1, max / 200))
        bar.setValue(v);
}

void koncajNapredek(QProgressBar &bar)
{
    if (bar.maximum() == 0) {
        bar.setRange(0, 1);
        bar.setFormat(QStringLiteral("%p %"));
        bar.setValue(1);
    }
}

QGroupBox *skupinaStevcev(const QString &naslov, const QString &ime, const QVector<TStevec> &stevci)
{
    auto *g = new QGroupBox(naslov);
    g->setObjectName(ime);
    auto *grid = new QGridLayout(g);
    int col = 0;
    for (const TStevec &s : stevci) {
        auto *label = new QLabel(s.napis);
        QLineEdit *e = novStevec(s.ime);
        label->setBuddy(e);
        grid->addWidget(label, 0, col, Qt::AlignRight);
        grid->addWidget(e, 0, col + 1);
        col += 2;
    }
    grid->setColumnStretch(col, 1);
    return g;
}

QWidget *tabelaStevcev(const QString &ime, const QStringList &glave, const QVector<TVrsticaStevcev> &vrstice)
{
    auto *w = new QWidget;
    w->setObjectName(ime);
    auto *grid = new QGridLayout(w);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    for (int c = 0; c < glave.size(); ++c) {
        auto *h = new QLabel(glave[c]);
        h->setAlignment(Qt::AlignCenter);
        grid->addWidget(h, 0, c + 1);
    }
    for (int r = 0; r < vrstice.size(); ++r) {
        auto *label = new QLabel(vrstice[r].napis);
        grid->addWidget(label, r + 1, 0);
        for (int c = 0; c < vrstice[r].imena.size(); ++c)
            grid->addWidget(novStevec(vrstice[r].imena[c]), r + 1, c + 1);
    }
    grid->setColumnStretch(glave.size() + 1, 1);
    return w;
}

QWidget *vrsticaGumbov(const QVector<QPushButton *> &gumbi)
{
    auto *w = new QWidget;
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(0, 4, 0, 4);
    for (QPushButton *b : gumbi)
        h->addWidget(b);
    h->addStretch(1);
    return w;
}

QPlainTextEdit *novMemo(const QString &ime)
{
    auto *m = new QPlainTextEdit;
    m->setObjectName(ime);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    m->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return m;
}

} // namespace moxscreens
