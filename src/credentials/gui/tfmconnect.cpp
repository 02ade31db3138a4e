#include "credentials/gui/tfmconnect.h"

#include "credentials/kript.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "startup/settings.h"
#include "base/text.h"
#include "ui/messageform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Keeps a field's text in upper case (a-z only) as it is typed or set.
void velikeCrke(QLineEdit *ed)
{
    QObject::connect(ed, &QLineEdit::textChanged, ed, [ed](const QString &text) {
        const QString upper = moxtext::upperAZ(text);
        if (upper != text) {
            const int pos = ed->cursorPosition();
            ed->setText(upper);
            ed->setCursorPosition(pos);
        }
    });
}

} // namespace

TfmConnectOn::TfmConnectOn(TMoxContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fmConnectOn"));
    setWindowTitle(QStringLiteral("Connect"));
    setModal(true);

    m_edUser = new QLineEdit(this);
    m_edUser->setObjectName(QStringLiteral("edUser"));
    velikeCrke(m_edUser);
    m_edPassword = new QLineEdit(this);
    m_edPassword->setObjectName(QStringLiteral("edPassword"));
    m_edPassword->setEchoMode(QLineEdit::Password);
    velikeCrke(m_edPassword);
    m_cbDatabases = new QComboBox(this);
    m_cbDatabases->setObjectName(QStringLiteral("cbDatabases"));
    m_cbDatabases->setEditable(false);
    m_cbDatabases->setMinimumContentsLength(16);
    m_cbShraniNastavitev = new QCheckBox(QStringLiteral("Shrani nastavitev"), this);
    m_cbShraniNastavitev->setObjectName(QStringLiteral("cbShraniNastavitev"));
    m_cbShraniNastavitev->setChecked(false);

    m_btConnect = new QPushButton(QStringLiteral("&Prijava"), this);
    m_btConnect->setObjectName(QStringLiteral("btConnect"));
    m_btConnect->setDefault(true);
    m_btConnect->setAutoDefault(true);
    m_btExit = new QPushButton(QStringLiteral("&Izhod"), this);
    m_btExit->setObjectName(QStringLiteral("btExit"));
    m_btExit->setAutoDefault(false);

    m_tiAuto = new QTimer(this);
    m_tiAuto->setObjectName(QStringLiteral("tiAuto"));
    m_tiAuto->setInterval(500);
    m_tiAuto->stop();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Uporabnik:"), m_edUser);
    form->addRow(QStringLiteral("Geslo:"), m_edPassword);
    form->addRow(QStringLiteral("Baza:"), m_cbDatabases);
    form->addRow(QString(), m_cbShraniNastavitev);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btConnect);
    buttons->addWidget(m_btExit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_btConnect, &QPushButton::clicked, this, [this] { btConnectClick(); });
    connect(m_btExit, &QPushButton::clicked, this, [this] { btExitClick(); });
    connect(m_tiAuto, &QTimer::timeout, this, [this] { tiAutoTimer(); });
}

TfmConnectOn::~TfmConnectOn() = default;

void TfmConnectOn::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    formActivate();
}

void TfmConnectOn::izberiBazo(const QString &database)
{
    const QString key = moxtext::upperAZ(database);
    int found = -1;
    for (int i = 0; i < m_cbDatabases->count(); ++i)
        if (moxtext::upperAZ(m_cbDatabases->itemText(i)) == key) {
            found = i;
            break;
        }
    m_cbDatabases->setCurrentIndex(found);
}

void TfmConnectOn::formActivate()
{
    lConnect = false;
    m_edUser->setText(m_ctx.currUser);
    m_edPassword->setText(m_ctx.currPassword);
    m_cbDatabases->clear();
    m_cbDatabases->addItems(oracleAliasList());
    izberiBazo(m_ctx.currServer);
    if (m_ctx.ui)
        m_ctx.ui->processEvents();
    if (!m_edPassword->text().isEmpty() && m_ctx.p_autoConnect)
        m_tiAuto->start();
}

void TfmConnectOn::nastaviPolja(const QString &user, const QString &password, const QString &database)
{
    m_edUser->setText(user);
    m_edPassword->setText(password);
    if (m_cbDatabases->count() == 0)
        m_cbDatabases->addItems(oracleAliasList());
    izberiBazo(database);
}

void TfmConnectOn::btConnectClick()
{
    lConnect = false;
    TOracleSession &s = m_ctx.osOracle;
    s.setConnected(false);
    s.LogonUsername = m_edUser->text();
    s.LogonPassword = m_edPassword->text();
    s.LogonDatabase = m_cbDatabases->currentText();
    try {
        s.setConnected(true);
        lConnect = true;
        m_ctx.currPassword = m_edPassword->text();
        m_ctx.currServer = m_cbDatabases->currentText();
        m_ctx.currUser = m_edUser->text();
        if (m_cbShraniNastavitev->isChecked()) {
            ShraniNastavitev(m_ctx);
            // "*" keeps what is stored: the typed password is not stored.
            TKript::shraniGeslo(m_cbDatabases->currentText(), m_edUser->text(), m_edPassword->text(),
                                QStringLiteral("*"));
        }
    } catch (const EMoxError &) {
        if (m_ctx.ui)
            m_ctx.ui->showMessage(QStringLiteral("NEDOVOLJEN DOSTOP"));
    }
    if (!lConnect)
        return;

    m_ctx.currUser = m_edUser->text();
    m_ctx.currServer = m_cbDatabases->currentText();

    TOracleDataSet &q = m_ctx.quORNA_MOX;
    q.Close();
    q.SQL.clear();
    q.SQL << QStringLiteral("select * from orna_util.orna_mox");
    try {
        q.Open();
        m_ctx.p_moxShrani = true;
    } catch (const EMoxError &) {
        m_ctx.p_moxShrani = false;
    }
    q.Close();
    accept();
}

void TfmConnectOn::btExitClick()
{
    m_tiAuto->stop();
    reject();
}

void TfmConnectOn::tiAutoTimer()
{
    m_tiAuto->stop();
    btConnectClick();
}

void TfmConnectOn::izvedi()
{
    if (TMessageForm::isHeadless()) {
        // Nobody to type or click: one connect action with the fields as
        // they are (a start without a password fails).
        formActivate();
        m_tiAuto->stop();
        btConnectClick();
        return;
    }
    exec();
}
