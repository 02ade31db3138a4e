#include "ui/tfmdbf.h"

#include "base/moxerror.h"
#include "ui/dbfmodel.h"
#include "ui/prikazirezultat.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// Editors of character fields accept no more than the field's width.
class TDbfDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            auto *m = qobject_cast<const TDbfModel *>(index.model());
            const int width = m ? m->sirinaPolja(index.column()) : 0;
            if (width > 0)
                e->setMaxLength(width);
        }
        return w;
    }
};

enum { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

} // namespace

void TDbGrid::zakljuciUrejanje()
{
    if (state() != EditingState)
        return;
    // Editors are the viewport's direct children.
    const auto editors = viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *e : editors) {
        commitData(e);
        closeEditor(e, QAbstractItemDelegate::NoHint);
    }
}

void TDbGrid::opustiUrejanje()
{
    const auto editors = viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *e : editors)
        closeEditor(e, QAbstractItemDelegate::RevertModelCache);
}

template <class F> void TfmDBF::varno(F &&f)
{
    try {
        f();
    } catch (const EMoxError &e) {
        sporoci(e.message());
    }
    posodobiGumbe();
}

TfmDBF::TfmDBF(QWidget *parent) : QDialog(parent), m_model(new TDbfModel(this))
{
    setObjectName(QStringLiteral("fmDBF"));
    setWindowTitle(QStringLiteral("Pregled in popravljanje DBF-tabel"));
    resize(551, 598);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    dbgDBF = new TDbGrid;
    dbgDBF->setObjectName(QStringLiteral("dbgDBF"));
    dbgDBF->setModel(m_model);
    dbgDBF->setItemDelegate(new TDbfDelegate(dbgDBF));
    dbgDBF->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgDBF->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgDBF->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    dbgDBF->verticalHeader()->setDefaultSectionSize(dbgDBF->fontMetrics().height() + 6);
    v->addWidget(dbgDBF, 1);

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    auto *h = new QHBoxLayout(Panel1);
    h->setContentsMargins(16, 0, 0, 0);
    h->setSpacing(0);

    dbnDBF = new QWidget;
    dbnDBF->setObjectName(QStringLiteral("dbnDBF"));
    dbnDBF->setFixedSize(390, 25);
    auto *nh = new QHBoxLayout(dbnDBF);
    nh->setContentsMargins(0, 0, 0, 0);
    nh->setSpacing(0);
    const struct {
        const char *ime;
        const char16_t *znak;
        const char16_t *namig;
        void (TfmDBF::*akcija)();
    } gumbi[] = {
        {"nbFirst", u"|\u25C0", u"Prvi zapis", &TfmDBF::prvi},
        {"nbPrior", u"\u25C0", u"Prejšnji zapis", &TfmDBF::prejsnji},
        {"nbNext", u"\u25B6", u"Naslednji zapis", &TfmDBF::naslednji},
        {"nbLast", u"\u25B6|", u"Zadnji zapis", &TfmDBF::zadnji},
        {"nbInsert", u"+", u"Vstavi zapis", &TfmDBF::vstavi},
        {"nbDelete", u"\u2212", u"Briši zapis", &TfmDBF::izbrisi},
        {"nbEdit", u"\u270E", u"Uredi zapis", &TfmDBF::uredi},
        {"nbPost", u"\u2714", u"Shrani spremembe", &TfmDBF::objavi},
        {"nbCancel", u"\u2716", u"Prekliči spremembe", &TfmDBF::preklici},
        {"nbRefresh", u"\u21BB", u"Osveži podatke", &TfmDBF::osvezi},
    };
    int i = 0;
    for (const auto &g : gumbi) {
        auto *b = new QToolButton;
        b->setObjectName(QLatin1String(g.ime));
        b->setText(QString::fromUtf16(g.znak));
        b->setToolTip(QString::fromUtf16(g.namig));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setAutoRaise(false);
        auto akcija = g.akcija;
        connect(b, &QToolButton::clicked, this, [this, akcija] { varno([&] { (this->*akcija)(); }); });
        nh->addWidget(b);
        m_nb[i++] = b;
    }
    h->addWidget(dbnDBF, 0, Qt::AlignTop);
    h->addStretch(1);
    h->setAlignment(dbnDBF, Qt::AlignLeft | Qt::AlignTop);
    h->setContentsMargins(16, 8, 0, 0);

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedSize(102, 41);
    btIzhod = new QPushButton(QStringLiteral("Izhod"), Panel2);
    btIzhod->setObjectName(QStringLiteral("btIzhod"));
    btIzhod->setGeometry(13, 0, 75, 25);
    btIzhod->setAutoDefault(false);
    h->addWidget(Panel2, 0, Qt::AlignTop);
    v->addWidget(Panel1);

    connect(btIzhod, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_model, &TDbfModel::stanjeUrejanja, this, &TfmDBF::posodobiGumbe);
    // Moving to another record posts the pending one, as a data grid does.
    connect(dbgDBF->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                if (m_model->urejanje() && current.row() != m_model->vrsticaUrejanja())
                    varno([&] { m_model->objavi(); });
                posodobiGumbe();
            });

    if (QScreen *s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    posodobiGumbe();
}

TfmDBF::~TfmDBF() = default;

void TfmDBF::povezi(TApolloDataSet *table)
{
    m_model->setTable(table);
    dbgDBF->resizeColumnsToContents();
    if (m_model->rowCount() > 0)
        pojdiNa(0);
    posodobiGumbe();
}

void TfmDBF::pokaziModalno()
{
    if (moxui::jeBrezZaslona())
        return; // nobody could close it
    exec();
}

void TfmDBF::done(int r)
{
    // Closing posts the record being edited, like closing a table does.
    dbgDBF->zakljuciUrejanje();
    if (m_model->urejanje()) {
        try {
            m_model->objavi();
        } catch (const EMoxError &e) {
            sporoci(e.message());
            return; // stay open so the value can be corrected or cancelled
        }
    }
    QDialog::done(r);
}

void TfmDBF::pojdiNa(int row)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    row = qBound(0, row, rows - 1);
    const int col = qMax(0, dbgDBF->currentIndex().column());
    dbgDBF->setCurrentIndex(m_model->index(row, col));
}

void TfmDBF::prvi() { pojdiNa(0); }
void TfmDBF::prejsnji() { pojdiNa(dbgDBF->currentIndex().row() - 1); }
void TfmDBF::naslednji() { pojdiNa(dbgDBF->currentIndex().row() + 1); }
void TfmDBF::zadnji() { pojdiNa(m_model->rowCount() - 1); }

void TfmDBF::vstavi()
{
    const int row = m_model->vstavi();
    if (row < 0)
        return;
    pojdiNa(row);
    dbgDBF->edit(m_model->index(row, 0));
}

void TfmDBF::izbrisi()
{
    const QModelIndex cur = dbgDBF->currentIndex();
    if (!cur.isValid())
        return;
    if (!moxui::jeBrezZaslona() &&
        QMessageBox::question(this, windowTitle(), QStringLiteral("Briši zapis?")) != QMessageBox::Yes)
        return;
    m_model->izbrisi(cur.row());
}

void TfmDBF::uredi()
{
    const QModelIndex cur = dbgDBF->currentIndex();
    if (!cur.isValid())
        return;
    m_model->uredi(cur.row());
    dbgDBF->edit(cur);
}

void TfmDBF::objavi()
{
    dbgDBF->zakljuciUrejanje();
    m_model->objavi();
}

void TfmDBF::preklici()
{
    dbgDBF->opustiUrejanje();
    m_model->preklici();
}

void TfmDBF::osvezi()
{
    m_model->osvezi();
    pojdiNa(0);
}

void TfmDBF::posodobiGumbe()
{
    const bool imaTabelo = m_model->columnCount() > 0;
    const bool urejanje = m_model->urejanje();
    const int rows = m_model->rowCount();
    const int row = dbgDBF->currentIndex().row();
    m_nb[nbFirst]->setEnabled(imaTabelo && rows > 0 && row > 0);
    m_nb[nbPrior]->setEnabled(imaTabelo && rows > 0 && row > 0);
    m_nb[nbNext]->setEnabled(imaTabelo && row >= 0 && row < rows - 1);
    m_nb[nbLast]->setEnabled(imaTabelo && row >= 0 && row < rows - 1);
    m_nb[nbInsert]->setEnabled(imaTabelo);
    m_nb[nbDelete]->setEnabled(imaTabelo && row >= 0);
    m_nb[nbEdit]->setEnabled(imaTabelo && row >= 0 && !urejanje);
    m_nb[nbPost]->setEnabled(urejanje);
    m_nb[nbCancel]->setEnabled(urejanje);
    m_nb[nbRefresh]->setEnabled(imaTabelo);
}

void TfmDBF::sporoci(const QString &text)
{
    if (moxui::jeBrezZaslona())
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    else
        QMessageBox::warning(this, windowTitle(), text);
}

