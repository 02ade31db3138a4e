#include "ui/messageform.h"
#include "ui/widgetinteraction.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

int mulDiv(int a, int b, int c) { return (2 * a * b + c) / (2 * c); }

struct Metrics {
    int hMargin, vMargin, hSpacing, vSpacing, buttonWidth, buttonHeight, buttonSpacing;
};

Metrics metricsOf(const TMessageForm &form)
{
    const QSize avg = TMessageForm::povprecnaVelikostZnaka(QFontMetrics(form.font()));
    const int w = avg.width(), h = avg.height();
    return {mulDiv(8, w, 4),  mulDiv(8, h, 8),  mulDiv(10, w, 4), mulDiv(10, h, 8),
            mulDiv(50, w, 4), mulDiv(14, h, 8), mulDiv(4, w, 4)};
}

QLabel *label(const TMessageForm &form, const char *name) { return form.findChild<QLabel *>(QString::fromLatin1(name)); }

QPushButton *button(const TMessageForm &form, const char *name)
{
    return form.findChild<QPushButton *>(QString::fromLatin1(name));
}

int halfScreen() { return QGuiApplication::primaryScreen()->geometry().width() / 2; }

void pressEscape(TMessageForm &form)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &press);
}

} // namespace

TEST(MessageForm, AverageCharacterSize)
{
    const QFontMetrics fm(QGuiApplication::font());
    const QSize s = TMessageForm::povprecnaVelikostZnaka(fm);
    EXPECT_EQ(s.width(), fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52);
    EXPECT_EQ(s.height(), fm.height());
}

TEST(MessageForm, ShortQuestionWithDaAndNe)
{
    const auto form = TMessageForm::ustvariSporocilo(QStringLiteral("Nadaljujem?"), mtConfirmation, mbYes | mbNo);
    const Metrics m = metricsOf(*form);
    QLabel *image = label(*form, "Image");
    QLabel *message = label(*form, "Message");
    QPushButton *da = button(*form, "Yes");
    QPushButton *ne = button(*form, "No");
    ASSERT_TRUE(image && message && da && ne);
    EXPECT_EQ(form->findChildren<QPushButton *>().size(), 2);
    EXPECT_EQ(da->text(), QStringLiteral("&Da"));
    EXPECT_EQ(ne->text(), QStringLiteral("&Ne"));

    // Icon at the margins, text to its right, buttons side by side below.
    EXPECT_EQ(image->geometry(), QRect(m.hMargin, m.vMargin, 32, 32));
    const int blockWidth = message->geometry().right() + 1 - m.hMargin;
    EXPECT_EQ(message->x(), m.hMargin + 32 + m.hSpacing);
    const int groupWidth = 2 * m.buttonWidth + m.buttonSpacing;
    EXPECT_EQ(form->width(), std::max(blockWidth, groupWidth) + 2 * m.hMargin);
    EXPECT_EQ(da->geometry(),
              QRect((form->width() - groupWidth) / 2, std::max(message->height(), 32) + m.vMargin + m.vSpacing,
                    m.buttonWidth, m.buttonHeight));
    EXPECT_EQ(ne->x(), da->x() + m.buttonWidth + m.buttonSpacing);
    EXPECT_EQ(form->height(), std::max(message->height(), 32) + m.vSpacing + m.buttonHeight + 2 * m.vMargin);

    // Da is the default, Ne answers Esc.
    EXPECT_EQ(form->defaultButton(), da);
    EXPECT_TRUE(da->isDefault());
    EXPECT_EQ(form->cancelButton(), ne);
    pressEscape(*form);
    EXPECT_EQ(form->result(), mrNo);

    // A text narrower than the buttons: the buttons decide the width.
    const auto narrow = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtCustom, mbYes | mbNo);
    EXPECT_EQ(narrow->width(), 2 * m.buttonWidth + m.buttonSpacing + 2 * m.hMargin);
    EXPECT_EQ(button(*narrow, "Yes")->x(), m.hMargin);
}

TEST(MessageForm, LongTextWrapsToHalfTheScreenAndKeepsLineBreaks)
{
    QString longText;
    for (int i = 0; i < 60; ++i)
        longText += QStringLiteral("beseda%1 ").arg(i);
    const auto form = TMessageForm::ustvariSporocilo(longText.trimmed(), mtError, mbYes | mbNo);
    const QLabel *message = label(*form, "Message");
    ASSERT_TRUE(message);
    const QFontMetrics fm(form->font());
    EXPECT_LE(message->width(), halfScreen());
    EXPECT_GT(message->width(), halfScreen() / 2);
    EXPECT_GE(message->height(), 3 * fm.height());
    // The form is centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->x(), screen.width() / 2 - form->width() / 2);
    EXPECT_EQ(form->y(), screen.height() / 2 - form->height() / 2);

    // CR LF line ends break the text; the label shows them as lines.
    const auto two = TMessageForm::ustvariSporocilo(QStringLiteral("Prva\r\nDruga"), mtCustom, mbOK);
    const QLabel *m2 = label(*two, "Message");
    EXPECT_EQ(m2->height(), QFontMetrics(two->font()).boundingRect(QRect(0, 0, 400, 0), Qt::TextWordWrap,
                                                                   QStringLiteral("Prva\nDruga")).height());
    EXPECT_GE(m2->height(), 2 * fm.height());
    EXPECT_EQ(m2->text(), QStringLiteral("Prva\nDruga"));
}

TEST(MessageForm, CustomKindHasNoIconAndTextAtTheLeftMargin)
{
    const auto form = TMessageForm::ustvariSporocilo(QStringLiteral("Besedilo"), mtCustom, mbOK);
    const Metrics m = metricsOf(*form);
    EXPECT_EQ(label(*form, "Image"), nullptr);
    EXPECT_EQ(label(*form, "Message")->pos(), QPoint(m.hMargin, m.vMargin));
    for (TMsgDlgType kind : {mtWarning, mtError, mtInformation, mtConfirmation}) {
        const auto f = TMessageForm::ustvariSporocilo(QStringLiteral("x"), kind, mbOK);
        const QLabel *image = label(*f, "Image");
        ASSERT_NE(image, nullptr) << kind;
        EXPECT_FALSE(image->pixmap().isNull()) << kind;
    }
}

TEST(MessageForm, DefaultAndCancelButtons)
{
    struct Case {
        TMsgDlgButtons buttons;
        const char *def;    // "" for none
        const char *cancel; // "" for none
    } cases[] = {
        {mbOK | mbCancel, "OK", "Cancel"},
        {mbAbort | mbRetry | mbIgnore, "Retry", "Ignore"},
        {mbYes | mbNo, "Yes", "No"},
        {mbYes | mbNo | mbCancel, "Yes", "Cancel"},
        {mbOK, "OK", "OK"},
        {mbYes | mbNo | mbOK, "OK", "No"},
        {mbAbort | mbPopravi, "", ""},
        {mbYes | mbAll, "Yes", ""},
    };
    for (const Case &c : cases) {
        const auto form = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtWarning, c.buttons);
        const QString def = QString::fromLatin1(c.def), cancel = QString::fromLatin1(c.cancel);
        EXPECT_EQ(form->defaultButton() ? form->defaultButton()->objectName() : QString(), def) << c.buttons;
        EXPECT_EQ(form->cancelButton() ? form->cancelButton()->objectName() : QString(), cancel) << c.buttons;
        int defaults = 0;
        for (const QPushButton *b : form->findChildren<QPushButton *>())
            defaults += b->isDefault() ? 1 : 0;
        EXPECT_EQ(defaults, def.isEmpty() ? 0 : 1) << c.buttons;

        // Esc gives the cancel button's result, or nothing without one.
        pressEscape(*form);
        EXPECT_EQ(form->result(), cancel.isEmpty() ? 0 : form->cancelButton()->property("modalResult").toInt())
            << c.buttons;
    }
    // Closing the window answers like the cancel button, or "cancel" without one.
    const auto noCancel = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtWarning, mbAbort | mbPopravi);
    noCancel->reject();
    EXPECT_EQ(noCancel->result(), mrCancel);
    const auto withNo = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtWarning, mbYes | mbNo);
    withNo->reject();
    EXPECT_EQ(withNo->result(), mrNo);
}

TEST(MessageForm, ButtonsCaptionsAndResults)
{
    struct Case {
        const char *name, *caption;
        int result;
    } cases[] = {
        {"Yes", "&Da", mrYes},          {"No", "&Ne", mrNo},          {"OK", "&OK", mrOk},
        {"Cancel", "&Prekliči", mrCancel}, {"Abort", "Pre&kini", mrAbort}, {"Retry", "Po&novi", mrRetry},
        {"Ignore", "Prez&ri", mrIgnore}, {"All", "&Vse", mrAll},       {"Help", "Po&moč", mrNone},
        {"Popravi", "&Popravi", mrRetry},
    };
    const TMsgDlgButtons all = mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbHelp | mbPopravi;
    const auto layout = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtInformation, all);
    int lastX = -1;
    for (const Case &c : cases) {
        // Buttons stand in the fixed order, left to right.
        QPushButton *b = button(*layout, c.name);
        ASSERT_NE(b, nullptr) << c.name;
        EXPECT_GT(b->x(), lastX) << c.name;
        lastX = b->x();
        EXPECT_EQ(b->text(), QString::fromUtf8(c.caption)) << c.name;

        const auto form = TMessageForm::ustvariSporocilo(QStringLiteral("?"), mtInformation, all);
        button(*form, c.name)->click();
        EXPECT_EQ(form->result(), c.result) << c.name;
    }
}

TEST(MessageForm, HeadlessDialogWritesStderrAndTakesTheDefault)
{
    ASSERT_TRUE(TMessageForm::isHeadless()); // tests run on the offscreen platform
    struct Case {
        TMsgDlgButtons buttons;
        int expected;
    } cases[] = {
        {mbYes | mbNo, mrYes}, {mbOK | mbCancel, mrOk}, {mbAbort | mbRetry | mbIgnore, mrRetry},
        {mbNo, mrNo},          {mbAbort, mrAbort},     {mbHelp, mrCancel},
    };
    for (const Case &c : cases) {
        QStringList logged;
        testing::internal::CaptureStderr();
        const int r = TMessageForm::pokaziSporocilo(QStringLiteral("Napaka v vrstici 3.\r\nNadaljujem?"), mtWarning,
                                                    c.buttons, 0, [&](const QString &t) { logged << t; });
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(r, c.expected) << c.buttons;
        EXPECT_NE(err.find("Napaka v vrstici 3.\nNadaljujem?"), std::string::npos) << err;
        EXPECT_EQ(logged, QStringList{QStringLiteral("Napaka v vrstici 3.\r\nNadaljujem?")});
    }
}

TEST(WidgetInteraction, HeadlessQuestionsAndMessagesReachTheLogSink)
{
    TWidgetInteraction ui;
    QStringList logged;
    ui.logSink = [&](const QString &t) { logged << t; };
    TInteraction &iface = ui;

    testing::internal::CaptureStderr();
    EXPECT_EQ(iface.pokaziSporocilo(QStringLiteral("Vprašanje?"), mtConfirmation, mbYes | mbNo), mrYes);
    iface.showMessage(QStringLiteral("Končano."));
    iface.processEvents();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(logged, (QStringList{QStringLiteral("Vprašanje?"), QStringLiteral("Končano.")}));
    EXPECT_NE(err.find("Vprašanje?"), std::string::npos);
    EXPECT_NE(err.find("Končano."), std::string::npos);

    // Without a sink the texts still go to stderr.
    TWidgetInteraction bare;
    testing::internal::CaptureStderr();
    EXPECT_EQ(bare.pokaziSporocilo(QStringLiteral("Brez dnevnika"), mtWarning, mbOK | mbCancel), mrOk);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Brez dnevnika"), std::string::npos);
}

TEST(MessageForm, CaptionIsTheApplicationTitle)
{
    TMessageForm::setApplicationTitle(QStringLiteral("OSVEŽEVANJE TABEL"));
    const auto form = TMessageForm::ustvariSporocilo(QStringLiteral("x"), mtCustom, mbOK);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("OSVEŽEVANJE TABEL"));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
}
