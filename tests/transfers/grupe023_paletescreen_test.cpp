// The groups-023 and pallet pages: "Pripravi" takes the page's text, "Osveži"
// shows the counters of each pass in the page's table.
#include "general/roundtrip_support.h"
#include "transfers/izpis.h"

#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/gui/grupe023screen.h"
#include "transfers/gui/paletescreen.h"

#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
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

class Zasloni : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerPaleteScreens(dispatch, [this] { return screens.get(); });
        registerGrupe023Screens(dispatch, [this] { return screens.get(); });
    }
    void TearDown() override
    {
        screens.reset();
        RoundTrip::TearDown();
    }
    template <class T> T *w(const QString &name) { return screens->control<T>(name); }
    // The four counters of a row of a page's table.
    QString vrstica(const QString &predpona, const QString &novih)
    {
        QStringList s;
        for (const QString &k : {QStringLiteral("Vseh"), novih, QStringLiteral("Popr"), QStringLiteral("Nap")})
            s << w<QLineEdit>(predpona + k)->text();
        return s.join(u'/');
    }

    QMainWindow window;
    TDispatch dispatch;
    std::unique_ptr<Actions> actions;
    std::unique_ptr<TScreens> screens;
};

} // namespace

TEST_F(Zasloni, PalletsFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
          "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (1,'DDV22','Splošna','1')",
          "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (1,'S1','Posvet',1,'1')",
          "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (1,'P1','Osnovna','D','1',1)",
          "insert into po116nhc (idpo_116,sifra116,sifra011) values (1,1,1)"});
    w<QPlainTextEdit>("mePalInit")->setPlainText("###\nP1 STORITVE\n");
    screens->btPripraviPaleteClick();
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "xp116nhc", {"CODE_116", "CODE_011"}), "P1|S1");
    EXPECT_EQ(ui.messages, QStringList{"PRIPRAVA PALET NAREJENA!"});
    EXPECT_TRUE(w<QPushButton>("btPripraviPalete")->isEnabled());

    connect(kUvoz);
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (7,'D1','Kirurgija','1')"});
    ui.messages.clear();
    screens->btOsveziPaleteClick();
    // The tax is missing: the service and so its link cannot be applied.
    EXPECT_EQ(vrstica("edPal", "N"), "1/1//");
    EXPECT_EQ(vrstica("ed116", "N"), "1///1");
    EXPECT_EQ(vrstica("ed011", "N"), "1///1");
    EXPECT_TRUE(w<QPushButton>("btOsveziPalete")->isEnabled());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('\n').toStdString();

    // A second run starts with cleared fields and shows its own counts.
    exec({"insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (8,'DDV22','Splošna','1')"});
    screens->btOsveziPaleteClick();
    EXPECT_EQ(vrstica("edPal", "N"), "1///");
    EXPECT_EQ(vrstica("ed116", "N"), "1/1//");
    EXPECT_EQ(vrstica("ed011", "N"), "1/1//");
    EXPECT_EQ(ui.messages, QStringList{"KONEC osveževanja PALET !"});
}

TEST_F(Zasloni, Groups023FromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (1,'HC1','Krvna slika','1')",
          "insert into ka023grp (sifra023,code_023,desc_023,stat_023,datumipl) values (1,'G1','Kri','1',sysdate)",
          "insert into ka023grp (sifra023,code_023,desc_023,stat_023,datumipl) values (2,'G10','Urin','1',sysdate)",
          "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,stat_011,datumipl) values (1,1,1,1,'1',sysdate)"});
    w<QPlainTextEdit>("meGrupInit023")->setPlainText("G1\n");
    screens->btPripraviGrupe023Click();
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "xgk23grp", {"CODE_023"}), "G1");
    EXPECT_EQ(ui.messages, QStringList{"KONČANA PRIPRAVA GRUP 023!"});

    connect(kUvoz);
    exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (5,'HC1','Krvna slika','1')"});
    ui.messages.clear();
    screens->btOsveziGrupe023Click();
    EXPECT_EQ(vrstica("ed023", "Novih"), "1/1//");
    EXPECT_EQ(vrstica("edPo011", "Novih"), "1/1//");
    EXPECT_EQ(vrstica("edPo023", "Novih"), "///");
    EXPECT_EQ(ui.messages, QStringList{"KONEC osveževanja GRUP !"});
    EXPECT_TRUE(w<QPushButton>("btOsveziGrupe023")->isEnabled());
}
