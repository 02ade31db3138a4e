// The groups pages: "Pripravi" takes the page's settings text, "Osveži" shows
// the counters of each pass in its row of the page's table.
#include "general/roundtrip_support.h"

#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "window/screens.h"
#include "base/text.h"
#include "transfers/gui/grupescreen.h"

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

class GrupeZasloni : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerGrupeScreens(dispatch, [this] { return screens.get(); });
    }
    void TearDown() override
    {
        screens.reset();
        RoundTrip::TearDown();
    }
    template <class T> T *w(const QString &name) { return screens->control<T>(name); }
    QString vrstica(const QString &predpona)
    {
        QStringList s;
        for (const char *k : {"Vseh", "Novih", "Popr", "Nap"})
            s << w<QLineEdit>(predpona + QString::fromLatin1(k))->text();
        return s.join(u'/');
    }

    QMainWindow window;
    TDispatch dispatch;
    std::unique_ptr<Actions> actions;
    std::unique_ptr<TScreens> screens;
};

TEST_F(GrupeZasloni, PrepareAndRefreshFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
          "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061) values (1,'G1','Kirurške','S','1')",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,sifra031) values (1,'A1','Šivanje','1',1)",
          "insert into po061grp (idpo_061,sifra061,sifra060) values (1,1,1)"});
    w<QPlainTextEdit>("meGrupInit")->setPlainText("###\nG1\n");
    screens->btPripraviGrupeClick();
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "xgk60ak0", {"CODE_060", "CODE_031"}), "A1|D1");
    EXPECT_EQ(ui.messages, QStringList{"PRIPRAVA GRUP NAREJENA!"});
    EXPECT_TRUE(w<QPushButton>("btPripraviGrupe")->isEnabled());

    // The receiving installation lacks the department: the activity and its
    // link cannot be applied; the summary is offered (not shown offscreen).
    connect(kUvoz);
    moxtext::writeTextLines(moxpath::join(ctx.currSaveDir, QStringLiteral("xg_grupe.str")), {"###", "G1"});
    w<QPlainTextEdit>("meGrupInit")->setPlainText("drugo besedilo");
    ui.messages.clear();
    screens->btOsveziGrupeClick();
    EXPECT_EQ(vrstica("edGrupe"), "1/1//");
    EXPECT_EQ(vrstica("edAkt"), "1///1");
    EXPECT_EQ(vrstica("ed061"), "1///1");
    EXPECT_EQ(vrstica("edNhh"), "///");
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('\n').toStdString();
    EXPECT_TRUE(w<QPushButton>("btOsveziGrupe")->isEnabled());
    // The settings text ends holding the save directory's settings file.
    EXPECT_EQ(w<QPlainTextEdit>("meGrupInit")->toPlainText(), "###\nG1");

    // With the department there, a second run applies the rest and ends with
    // its closing message; the fields show this run's counts only.
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (7,'D1','Kirurgija','1')"});
    screens->btOsveziGrupeClick();
    EXPECT_EQ(vrstica("edGrupe"), "1///");
    EXPECT_EQ(vrstica("edAkt"), "1/1//");
    EXPECT_EQ(vrstica("ed061"), "1/1//");
    EXPECT_EQ(ui.messages, QStringList{"KONEC osveževanja GRUP !"});
}

} // namespace
