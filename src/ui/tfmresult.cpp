#include "ui/tfmresult.h"

#include "base/text.h"
#include "ui/prikazirezultat.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmResult::TfmResult(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmResult"));
    setWindowTitle(QStringLiteral("Spremembe"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setGeometry(361, 164, 596, 566);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    meResult = new QPlainTextEdit;
    meResult->setObjectName(QStringLiteral("meResult"));
    meResult->setReadOnly(true);
    meResult->setLineWrapMode(QPlainTextEdit::NoWrap);
    meResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v->addWidget(meResult, 1);

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    btIzhod = new QPushButton(QStringLiteral("Izhod"), Panel1);
    btIzhod->setObjectName(QStringLiteral("btIzhod"));
    btIzhod->setGeometry(16, 8, 75, 25);
    v->addWidget(Panel1);

    connect(btIzhod, &QPushButton::clicked, this, &QDialog::accept);
}

void TfmResult::naloziDatoteko(const QString &path)
{
    meResult->setPlainText(moxtext::readTextLines(path).join(u'\n'));
}

void TfmResult::pokaziModalno()
{
    if (moxui::jeBrezZaslona())
        return;
    exec();
}
