#include "general/gui/editor_base.h"

#include "general/tabledesc.h"
#include "log/messages.h"
#include "run/context.h"
#include "base/paths.h"
#include "base/text.h"
#include "ui/prikazirezultat.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

QString filterZaDialog(const QString &filter)
{
    // "Opis|*.a|Opis2|*.b" in pairs; each pair becomes "Opis (*.a)".
    const QStringList deli = filter.split(u'|');
    QStringList izhod;
    for (qsizetype i = 0; i + 1 < deli.size(); i += 2)
        izhod << deli[i] + QStringLiteral(" (") + deli[i + 1] + u')';
    if (izhod.isEmpty())
        return filter;
    return izhod.join(QStringLiteral(";;"));
}

QString izberiDatotekoZDialogom(QWidget *parent, const TDatotecnaIzbira &izbira)
{
    if (moxui::jeBrezZaslona()) {
        std::fprintf(stderr, "%s %s: ni izbrane datoteke\n", izbira.shrani ? "Shrani" : "Odpri",
                     qUtf8Printable(izbira.filter));
        return QString();
    }
    QFileDialog dlg(parent, QString(), moxpath::native(izbira.mapa), filterZaDialog(izbira.filter));
    dlg.setAcceptMode(izbira.shrani ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(izbira.shrani ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(izbira.privzetaKoncnica);
    if (!izbira.predlog.isEmpty())
        dlg.selectFile(izbira.predlog);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

TfmStrukturaBase::TfmStrukturaBase(TMoxContext &ctx, const QStringList &glave, QWidget *parent)
    : QDialog(parent), izberiDatoteko(&izberiDatotekoZDialogom), m_ctx(ctx), m_glave(glave)
{
    setModal(true);
    resize(820, 600);

    auto *glavni = new QVBoxLayout(this);
    pcStruktura = new QTabWidget(this);
    pcStruktura->setObjectName(QStringLiteral("pcStruktura"));
    glavni->addWidget(pcStruktura);

    // First page: owner, table, file, the editor's own controls, the grid.
    tsNastavitve = new QWidget;
    tsNastavitve->setObjectName(QStringLiteral("tsNastavitve"));
    m_nastavitveLayout = new QVBoxLayout(tsNastavitve);
    auto *izbira = new QGridLayout;
    cbUpor = new QComboBox;
    cbUpor->setObjectName(QStringLiteral("cbUpor"));
    cbUpor->setEditable(true);
    cbUpor->setInsertPolicy(QComboBox::NoInsert);
    cbTabele = new QComboBox;
    cbTabele->setObjectName(QStringLiteral("cbTabele"));
    cbTabele->setEditable(true);
    cbTabele->setInsertPolicy(QComboBox::NoInsert);
    edStrFile = new QLineEdit;
    edStrFile->setObjectName(QStringLiteral("edStrFile"));
    edStrFile->setReadOnly(true);
    spOpenFile = new QToolButton;
    spOpenFile->setObjectName(QStringLiteral("spOpenFile"));
    spOpenFile->setText(QStringLiteral("..."));
    izbira->addWidget(new QLabel(QStringLiteral("Uporabnik:")), 0, 0);
    izbira->addWidget(cbUpor, 0, 1);
    izbira->addWidget(new QLabel(QStringLiteral("Tabela:")), 1, 0);
    izbira->addWidget(cbTabele, 1, 1);
    izbira->addWidget(new QLabel(QStringLiteral("Datoteka:")), 2, 0);
    auto *datoteka = new QHBoxLayout;
    datoteka->addWidget(edStrFile);
    datoteka->addWidget(spOpenFile);
    izbira->addLayout(datoteka, 2, 1);
    izbira->setColumnStretch(1, 1);
    m_nastavitveLayout->addLayout(izbira);

    sgCol = new QTableWidget(tsNastavitve);
    sgCol->setObjectName(QStringLiteral("sgCol"));
    sgCol->setColumnCount(int(m_glave.size()));
    // Row 0 of the grid holds the headers; Qt's own headers stay hidden.
    sgCol->horizontalHeader()->setVisible(false);
    sgCol->verticalHeader()->setVisible(false);
    sgCol->setSelectionMode(QAbstractItemView::SingleSelection);
    sgCol->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    for (int c = 0; c < sgCol->columnCount(); ++c)
        sgCol->setColumnWidth(c, c == colPR || c == colUPD ? 36 : 90);
    pripraviMrezo(0);

    btPripravi = new QPushButton(QStringLiteral("Pripravi"));
    btPripravi->setObjectName(QStringLiteral("btPripravi"));
    btIzhod = new QPushButton(QStringLiteral("Izhod"));
    btIzhod->setObjectName(QStringLiteral("btIzhod"));
    auto *gumbi = new QHBoxLayout;
    gumbi->addStretch(1);
    gumbi->addWidget(btPripravi);
    gumbi->addWidget(btIzhod);
    pcStruktura->addTab(tsNastavitve, QStringLiteral("Nastavitve"));

    // Second page: the generated text.
    tsPregled = new QWidget;
    tsPregled->setObjectName(QStringLiteral("tsPregled"));
    auto *pregled = new QVBoxLayout(tsPregled);
    meStr = new QPlainTextEdit;
    meStr->setObjectName(QStringLiteral("meStr"));
    meStr->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    meStr->setLineWrapMode(QPlainTextEdit::NoWrap);
    pregled->addWidget(meStr);
    btShrani = new QPushButton(QStringLiteral("Shrani"));
    btShrani->setObjectName(QStringLiteral("btShrani"));
    btIzhod1 = new QPushButton(QStringLiteral("Izhod"));
    btIzhod1->setObjectName(QStringLiteral("btIzhod1"));
    auto *gumbi1 = new QHBoxLayout;
    gumbi1->addStretch(1);
    gumbi1->addWidget(btShrani);
    gumbi1->addWidget(btIzhod1);
    pregled->addLayout(gumbi1);
    pcStruktura->addTab(tsPregled, QStringLiteral("Pregled strukturne datoteke"));

    // The grid and the buttons come last on the first page; the editors put
    // their own controls between the table choice and the grid.
    m_nastavitveLayout->addWidget(sgCol, 1);
    m_nastavitveLayout->addLayout(gumbi);

    cbUpor->installEventFilter(this);
    cbTabele->installEventFilter(this);
    connect(cbTabele, &QComboBox::editTextChanged, this, [this] { varno([this] { cbTabeleChange(); }); });
    connect(cbTabele, &QComboBox::activated, this, [this] { varno([this] { cbTabeleExit(); }); });
    connect(sgCol, &QTableWidget::cellClicked, this, [this](int r, int c) { sgColClick(r, c); });
    connect(btPripravi, &QPushButton::clicked, this, [this] { varno([this] { btPripraviClick(); }); });
    connect(btShrani, &QPushButton::clicked, this, [this] { varno([this] { btShraniClick(); }); });
    connect(spOpenFile, &QToolButton::clicked, this, [this] { varno([this] { spOpenFileClick(); }); });
    connect(btIzhod, &QPushButton::clicked, this, [this] { btIzhodClick(); });
    connect(btIzhod1, &QPushButton::clicked, this, [this] { btIzhod1Click(); });
}

TfmStrukturaBase::~TfmStrukturaBase() = default;

bool TfmStrukturaBase::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::FocusOut) {
        if (o == cbUpor)
            varno([this] { cbUporExit(); });
        else if (o == cbTabele)
            varno([this] { cbTabeleExit(); });
    } else if (e->type() == QEvent::FocusIn && o == cbTabele) {
        varno([this] { cbTabeleEnter(); });
    }
    return QDialog::eventFilter(o, e);
}

TInteraction &TfmStrukturaBase::interakcija()
{
    if (m_ctx.ui)
        return *m_ctx.ui;
    if (!m_brezZaslona)
        m_brezZaslona = std::make_unique<TConsoleInteraction>();
    return *m_brezZaslona;
}

void TfmStrukturaBase::sporoci(const QString &text) { interakcija().showMessage(text); }

void TfmStrukturaBase::nastaviBesedilo(QComboBox *cb, const QString &text)
{
    const QSignalBlocker zaklep(cb);
    cb->setEditText(text);
}

QString TfmStrukturaBase::celica(int row, int col) const
{
    const QTableWidgetItem *it = sgCol->item(row, col);
    return it ? it->text() : QString();
}

void TfmStrukturaBase::nastaviCelico(int row, int col, const QString &text)
{
    QTableWidgetItem *it = sgCol->item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        // Row 0 and the marks, name, type and null columns are not typed in:
        // the marks change by a click, the rest comes from the dictionary.
        const bool uredljivo = row > 0 && col != colPR && col != colUPD && col != colKolona && col != colTip &&
                               col != 6;
        if (!uredljivo)
            it->setFlags(it->flags() & ~Qt::ItemIsEditable);
        if (row == 0) {
            QFont f = it->font();
            f.setBold(true);
            it->setFont(f);
        }
        if (col == colPR || col == colUPD)
            it->setTextAlignment(Qt::AlignCenter);
        sgCol->setItem(row, col, it);
    }
    it->setText(text);
}

void TfmStrukturaBase::pripraviMrezo(int rows)
{
    sgCol->clearContents();
    sgCol->setRowCount(rows + 1);
    for (int c = 0; c < m_glave.size(); ++c)
        nastaviCelico(0, c, m_glave[c]);
}

void TfmStrukturaBase::napolniUporabnike()
{
    TOracleDataSet q(&m_ctx.osOracle);
    q.SQL << QStringLiteral("select username from all_users") << QStringLiteral("order by userName");
    q.Open();
    QStringList imena;
    for (; !q.Eof(); q.Next())
        imena << q.FieldByName(QStringLiteral("username")).AsString();
    q.Close();
    const QString besedilo = cbUpor->currentText();
    const QSignalBlocker zaklep(cbUpor);
    cbUpor->clear();
    cbUpor->addItems(imena);
    cbUpor->setEditText(besedilo);
}

void TfmStrukturaBase::napolniTabele(const QString &upor)
{
    TOracleDataSet q(&m_ctx.osOracle);
    q.SQL << QStringLiteral("select table_name from all_tables where owner=:upor")
          << QStringLiteral("order by table_name");
    q.DeclareVariable(QStringLiteral("upor"), otString);
    q.SetVariable(QStringLiteral("upor"), upor);
    q.Open();
    QStringList imena;
    for (; !q.Eof(); q.Next())
        imena << q.FieldByName(QStringLiteral("table_name")).AsString();
    q.Close();
    const QString besedilo = cbTabele->currentText();
    const QSignalBlocker zaklep(cbTabele);
    cbTabele->clear();
    cbTabele->addItems(imena);
    cbTabele->setEditText(besedilo);
}

void TfmStrukturaBase::cbTabeleEnter()
{
    if (trenUser != trenTabeleUser) {
        trenTabeleUser = trenUser;
        napolniTabele(trenTabeleUser);
    }
}

void TfmStrukturaBase::cbTabeleExit()
{
    const QString besedilo = cbTabele->currentText();
    const QString velike = moxtext::upperAZ(besedilo);
    if (velike != besedilo)
        cbTabele->setEditText(velike); // a changed text reads the columns again
}

void TfmStrukturaBase::sgColClick(int row, int col)
{
    if (row < 1 || row >= sgCol->rowCount() || (col != colPR && col != colUPD))
        return;
    const bool oznaceno = celica(row, col) == QLatin1String("+");
    const QString nova = oznaceno ? QStringLiteral(" ") : QStringLiteral("+");
    nastaviCelico(row, col, nova);
    if (col == colUPD && !oznaceno)
        nastaviCelico(row, colPR, QStringLiteral("+"));
    if (col == colPR && oznaceno)
        nastaviCelico(row, colUPD, QStringLiteral(" "));
}

void TfmStrukturaBase::btIzhodClick() { close(); }

void TfmStrukturaBase::btIzhod1Click() { close(); }

QStringList TfmStrukturaBase::vrsticeStr() const
{
    QString besedilo = meStr->toPlainText();
    if (besedilo.isEmpty())
        return {};
    QStringList vrstice = besedilo.split(u'\n');
    // A text ending in a line break has no empty line after it.
    if (vrstice.size() > 1 && vrstice.constLast().isEmpty())
        vrstice.removeLast();
    return vrstice;
}

QString TfmStrukturaBase::vrsticaTabela() const
{
    return QStringLiteral("TABELA=") + cbUpor->currentText() + u'.' + cbTabele->currentText();
}

QString TfmStrukturaBase::odpriStrukturo(const QString &filter, const QString &koncnica, TTableDescription &opis)
{
    TDatotecnaIzbira izbira;
    izbira.filter = filter;
    izbira.privzetaKoncnica = koncnica;
    izbira.mapa = m_ctx.currSaveDir;
    const QString pot = izberiDatoteko ? izberiDatoteko(this, izbira) : QString();
    if (pot.isEmpty())
        return QString();
    opis.clear();
    const QStringList vrstice = moxtext::readTextLines(moxpath::native(pot));
    m_ctx.meDyn = vrstice;
    razcleniStrukturo(m_ctx, opis, vrstaStrukture(pot));
    m_ctx.currSaveDir = moxpath::folderOf(pot);
    edStrFile->setText(pot);
    meStr->setPlainText(vrstice.join(u'\n'));

    QString upor, tabela;
    const qsizetype pika = opis.tabela.indexOf(u'.');
    if (pika >= 0) {
        upor = opis.tabela.left(pika).trimmed();
        tabela = opis.tabela.mid(pika + 1).trimmed();
        trenUser = upor;
    } else {
        tabela = opis.tabela;
    }
    nastaviBesedilo(cbUpor, upor);
    nastaviBesedilo(cbTabele, tabela);
    return pot;
}

bool TfmStrukturaBase::shraniStrukturo(const QString &filter, const QString &koncnica)
{
    TDatotecnaIzbira izbira;
    izbira.shrani = true;
    izbira.filter = filter;
    izbira.privzetaKoncnica = koncnica;
    izbira.mapa = m_ctx.currSaveDir;
    izbira.predlog = cbTabele->currentText();
    QString pot = izberiDatoteko ? izberiDatoteko(this, izbira) : QString();
    if (pot.isEmpty())
        return false;
    if (!pot.mid(moxpath::lastSeparator(pot) + 1).contains(u'.'))
        pot += u'.' + koncnica;
    m_ctx.currSaveDir = moxpath::folderOf(pot);
    moxtext::writeTextLines(moxpath::native(pot), vrsticeStr());
    return true;
}

void TfmStrukturaBase::preveriStrukturo(const QStringList &vrstice, TVrstaStrukture vrsta) const
{
    TStrukturaOkolje okolje;
    okolje.currUser = m_ctx.currUser;
    okolje.vrsta = vrsta;
    TTableDescription opis;
    razcleniStrukturo(vrstice, okolje, opis);
    if (!opis.presezeno.isEmpty())
        throw EMoxError(opis.presezeno.join(moxtext::crlf));
}

QString dolzinaVMrezi(const TStolpecSlovarja &s, const QString &datum)
{
    if (s.imaNatancnost)
        return QString::number(s.natancnost + (s.decimalk >= 1 ? 1 : 0));
    if (s.tip == QLatin1String("DATE"))
        return datum;
    return s.dolzinaBesedilo;
}
