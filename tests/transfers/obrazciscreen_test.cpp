// The print forms' pages: "Priprava" and "Osveži" read the pages' fields and
// show the counters in the pages' edits.
#include "general/roundtrip_support.h"

#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/gui/obrazciscreen.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

using namespace roundtrip;

namespace {

class Actions : public TScreenActions {
public:
    Actions(TMoxContext &ctx, TDispatch &d) : m_ctx(ctx), m_dispatch(d) {}
    void prijaviSe() override {}
    void btNShraniClick() override {}
    void mmActivateLargeRBClick() override {}
    void pripraviSejoAction() override {}
    bool runOperation(const QString &name) override
    {
        try {
            return m_dispatch.run(m_ctx, name);
        } catch (const EMoxError &e) {
            m_ctx.ui->showMessage(e.message());
        }
        return false;
    }
    void openStructureEditor(bool) override {}
    void mmKonecClick() override {}
    TMoxContext &context() override { return m_ctx; }

private:
    TMoxContext &m_ctx;
    TDispatch &m_dispatch;
};

class ObrazciZasloni : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerObrazciScreens(dispatch, [this] { return screens.get(); });
    }
    void TearDown() override
    {
        screens.reset();
        RoundTrip::TearDown();
    }
    template <class T> T *w(const char *name) { return screens->control<T>(QString::fromLatin1(name)); }
    QString text(const char *name) { return w<QLineEdit>(name)->text(); }

    QMainWindow window;
    TDispatch dispatch;
    std::unique_ptr<Actions> actions;
    std::unique_ptr<TScreens> screens;
};

} // namespace

TEST_F(ObrazciZasloni, PreparationAndRefreshFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into ka900rep (sifra900,desc_900,stat_900) values (40,'Napotnica','1')",
          "insert into ka900rep (sifra900,desc_900,stat_900) values (41,'Recept','1')",
          "insert into ka901rat (sifra901,sifra900,desc_901,ordin901,stat_901) values (1,40,'Ime',1,'1')",
          "insert into ka901rat (sifra901,sifra900,desc_901,ordin901,stat_901) values (2,40,'Priimek',2,'1')",
          "insert into ka902rpr (sifra902,sifra900,desc_902,stat_902) values (1,40,'Glava','1')"});
    w<QLineEdit>("edFilterObr")->setText("40");
    screens->btPripraviObrClick();
    EXPECT_EQ(text("ed900PrObr"), "1");
    EXPECT_EQ(text("ed901PrObr"), "2");
    EXPECT_EQ(text("ed902PrObr"), "1");
    EXPECT_TRUE(w<QPushButton>("btPripraviObr")->isEnabled());

    // The refresh reads the files of its own path field, and writes its
    // result file below it.
    const QString drugje = env.path("drugje");
    QDir().mkpath(drugje);
    for (const char *f : {"KA900REP.DBF", "KA901RAT.DBF", "KA902RPR.DBF"})
        ASSERT_TRUE(QFile::copy(ctx.currSaveDir + f, drugje + "/" + f));
    for (const char *f : {"KA900REP.DBF", "KA901RAT.DBF", "KA902RPR.DBF"})
        QFile::remove(ctx.currSaveDir + f);
    connect(kUvoz);
    w<QLineEdit>("edPotOBR")->setText(drugje);
    w<QCheckBox>("cbOBRsamoPreverjanje")->setChecked(true);
    ui.answer = mrNo; // no review of the result file
    screens->btOsveziOBRClick();
    EXPECT_EQ(text("edSt900"), "1");
    EXPECT_EQ(text("edIns900"), "1");
    EXPECT_EQ(text("edUp900"), "");
    EXPECT_EQ(text("edErr900"), "");
    EXPECT_EQ(text("edSt901"), "2");
    EXPECT_EQ(text("edIns901"), "2");
    EXPECT_EQ(text("edIns902"), "1");
    EXPECT_EQ(rows("select count(*) from ka900rep"), "0");
    EXPECT_TRUE(QFile::exists(drugje + "/rezultati/OBR.rez"));
    EXPECT_EQ(ui.questions.last(), "Konec preverjanja OBRAZCEV .       PREGLED?\r\n");
    EXPECT_TRUE(w<QPushButton>("btOsveziOBR")->isEnabled());

    w<QCheckBox>("cbOBRsamoPreverjanje")->setChecked(false);
    screens->btOsveziOBRClick();
    EXPECT_EQ(text("edIns901"), "2");
    EXPECT_EQ(rows("select desc_900 from ka900rep"), "Napotnica");
    EXPECT_EQ(rows("select count(*) from ka901rat"), "2");
}
