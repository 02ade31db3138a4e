#include "ui/messageform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <cstdio>

namespace {

struct ButtonKind {
    TMsgDlgBtn bit;
    const char *name;
    const char *caption; // UTF-8
};

// The button kinds in their fixed order.
const ButtonKind kButtons[] = {
    {mbYes, "Yes", "&Da"},
    {mbNo, "No", "&Ne"},
    {mbOK, "OK", "&OK"},
    {mbCancel, "Cancel", "&Prekliči"},
    {mbAbort, "Abort", "Pre&kini"},
    {mbRetry, "Retry", "Po&novi"},
    {mbIgnore, "Ignore", "Prez&ri"},
    {mbAll, "All", "&Vse"},
    {mbHelp, "Help", "Po&moč"},
    {mbPopravi, "Popravi", "&Popravi"},
};

TMsgDlgBtn defaultKind(TMsgDlgButtons b) { return privzetiGumb(b); }
TMsgDlgBtn cancelKind(TMsgDlgButtons b) { return gumbPreklica(b); }

// a * b / c rounded to the nearest integer (halves away from zero).
int mulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (2 * p + c) / (2 * c) : -((-2 * p + c) / (2 * c)));
}

QStyle::StandardPixmap iconOf(TMsgDlgType kind, bool &has)
{
    has = true;
    switch (kind) {
    case mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case mtError:
        return QStyle::SP_MessageBoxCritical;
    case mtInformation:
        return QStyle::SP_MessageBoxInformation;
    case mtConfirmation:
        return QStyle::SP_MessageBoxQuestion;
    case mtCustom:
        break;
    }
    has = false;
    return QStyle::SP_CustomBase;
}

// Texts come with CR LF line ends; the label breaks lines at LF.
QString normalisedLines(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

QString &titleStore()
{
    static QString title;
    return title;
}

QRect screenGeometry()
{
    if (const QScreen *s = QGuiApplication::primaryScreen())
        return s->geometry();
    return QRect(0, 0, 1024, 768);
}

} // namespace

void TMessageForm::setApplicationTitle(const QString &title) { titleStore() = title; }

QString TMessageForm::applicationTitle()
{
    const QString &t = titleStore();
    return t.isNull() ? QGuiApplication::applicationDisplayName() : t;
}

bool TMessageForm::isHeadless()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return true;
    const QString p = QGuiApplication::platformName();
    return p == QStringLiteral("offscreen") || p == QStringLiteral("minimal");
}

int TMessageForm::unattendedResult(TMsgDlgButtons buttons) { return odgovorBrezOsebe(buttons); }

QSize TMessageForm::povprecnaVelikostZnaka(const QFontMetrics &canvas)
{
    QString letters;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        letters += QChar(c);
    for (char16_t c = u'a'; c <= u'z'; ++c)
        letters += QChar(c);
    return QSize(canvas.horizontalAdvance(letters) / 52, canvas.height());
}

TMessageForm::TMessageForm(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons)
    : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    // Window colour: the button face.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    const QFontMetrics fm(font());
    const QSize avg = povprecnaVelikostZnaka(fm);
    const int w = avg.width(), h = avg.height();
    const int hMargin = mulDiv(8, w, 4);
    const int vMargin = mulDiv(8, h, 8);
    const int hSpacing = mulDiv(10, w, 4);
    const int vSpacing = mulDiv(10, h, 8);
    const int buttonWidth = mulDiv(50, w, 4);
    const int buttonHeight = mulDiv(14, h, 8);
    const int buttonSpacing = mulDiv(4, w, 4);

    // Text size when wrapped at half the screen width.
    const QRect screen = screenGeometry();
    const QString shown = normalisedLines(text);
    const QRect textRect =
        fm.boundingRect(QRect(0, 0, screen.width() / 2, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, shown);
    const int textWidth = textRect.width();
    const int textHeight = textRect.height();

    bool hasIcon = false;
    const QStyle::StandardPixmap icon = iconOf(kind, hasIcon);
    int blockWidth = textWidth;
    int blockHeight = textHeight;
    if (hasIcon) {
        blockWidth += hSpacing + 32;
        blockHeight = std::max(blockHeight, 32);
    }

    int n = 0;
    for (const ButtonKind &k : kButtons)
        if (buttons & k.bit)
            ++n;
    const int groupWidth = n > 0 ? n * buttonWidth + (n - 1) * buttonSpacing : 0;

    const int clientWidth = std::max(blockWidth, groupWidth) + 2 * hMargin;
    const int clientHeight = blockHeight + vSpacing + buttonHeight + 2 * vMargin;
    resize(clientWidth, clientHeight);
    move(screen.width() / 2 - clientWidth / 2, screen.height() / 2 - clientHeight / 2);
    setWindowTitle(applicationTitle());

    if (hasIcon) {
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setGeometry(hMargin, vMargin, 32, 32);
        image->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(32, 32));
    }

    auto *message = new QLabel(this);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setText(shown);
    message->setGeometry(blockWidth - textWidth + hMargin, vMargin, textWidth, textHeight);

    const TMsgDlgBtn def = defaultKind(buttons);
    const TMsgDlgBtn cancel = cancelKind(buttons);
    int x = (clientWidth - groupWidth) / 2;
    const int y = blockHeight + vMargin + vSpacing;
    for (const ButtonKind &k : kButtons) {
        if (!(buttons & k.bit))
            continue;
        auto *b = new QPushButton(QString::fromUtf8(k.caption), this);
        b->setObjectName(QString::fromLatin1(k.name));
        b->setGeometry(x, y, buttonWidth, buttonHeight);
        b->setProperty("modalResult", rezultatGumba(k.bit));
        if (k.bit == def) {
            b->setDefault(true);
            b->setFocus();
            m_default = b;
        }
        if (k.bit == cancel)
            m_cancel = b;
        const int result = rezultatGumba(k.bit);
        // Help has no result and does not close the window; the program has
        // no help file to open.
        if (result != mrNone)
            connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        x += buttonWidth + buttonSpacing;
    }
}

std::unique_ptr<TMessageForm> TMessageForm::ustvariSporocilo(const QString &text, TMsgDlgType kind,
                                                             TMsgDlgButtons buttons)
{
    return std::unique_ptr<TMessageForm>(new TMessageForm(text, kind, buttons));
}

int TMessageForm::pokaziSporociloNa(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext,
                                    int x, int y, const LogSink &log)
{
    if (isHeadless()) {
        const QByteArray out = normalisedLines(text).toUtf8() + '\n';
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        std::fflush(stderr);
        if (log)
            log(text);
        return unattendedResult(buttons);
    }
    const std::unique_ptr<TMessageForm> form = ustvariSporocilo(text, kind, buttons);
    form->m_helpContext = helpContext;
    if (x >= 0 || y >= 0)
        form->move(x >= 0 ? x : form->x(), y >= 0 ? y : form->y());
    return form->exec();
}

int TMessageForm::pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext,
                                  const LogSink &log)
{
    return pokaziSporociloNa(text, kind, buttons, helpContext, -1, -1, log);
}

void TMessageForm::keyPressEvent(QKeyEvent *event)
{
    // Esc presses the cancel button; without one it does nothing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_cancel)
            m_cancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageForm::reject()
{
    // Closing the window answers like the cancel button, or "cancel" when
    // there is none.
    if (m_cancel)
        m_cancel->click();
    else
        done(mrCancel);
}
