// The general screens' operations: a preparation and a check-only refresh run
// through the screens' buttons, with their fields read and filled by name.
#include "roundtrip_support.h"

#include "general/gui/generalscreens.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
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

class GeneralScreens : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerGeneralTransfers(dispatch, [this] { return screens.get(); },
                                 [this](TMoxContext &, const QString &, const QString &tabela, const QString &nacin) {
                                     triggers << nacin + " " + tabela;
                                 });
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
    QStringList triggers;
};

} // namespace

TEST_F(GeneralScreens, PreparationAndCheckOnlyRefreshThroughTheButtons)
{
    connect(kIzvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (1,'A1','Prvi','1')",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (2,'A2','Drugi','1')"});
    const QString str = structure("KA060AK0.str", {"TABELA=TAVO.KA060AK0", "KLJUC=CODE_060 VARCHAR2",
                                                   "AUTO=SIFRA060 begin:naslednji:=tavo.getSequence('KA060AK0');end;",
                                                   "STRUKTURA", "CODE_060,,VARCHAR2,10,,,,", "OPIS_060,U,VARCHAR2,60,,,,"});
    createDbf(str);

    // Preparation, as the command script leaves the screen: file and filter set.
    w<QLineEdit>("edSplFile")->setText(str);
    w<QLineEdit>("edSplosnoFilter")->setText("order by code_060");
    screens->btPrSplosnoClick();
    EXPECT_EQ(text("edPrStevec"), "2");
    // The rows to write are not known ahead: a busy bar while it ran, a full one after.
    EXPECT_EQ(w<QProgressBar>("pbPrSplosno")->value(), w<QProgressBar>("pbPrSplosno")->maximum());
    EXPECT_GT(w<QProgressBar>("pbPrSplosno")->maximum(), 0);
    EXPECT_EQ(w<QGroupBox>("gbPrTabela")->title(), "TAVO.KA060AK0");
    EXPECT_EQ(text("edKljuc"), " CODE_060");
    EXPECT_EQ(text("edAutoPolje"), " SIFRA060,  BEGIN:NASLEDNJI:=TAVO.GETSEQUENCE('KA060AK0');END;");
    EXPECT_FALSE(w<QPushButton>("btDBFPregled")->isHidden());

    // Refresh screen: the structure read, then "Osveži" in check-only mode.
    connect(kUvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (7,'A2','Staro','1')"});
    w<QLineEdit>("edOsvFile")->setText(str);
    ASSERT_TRUE(actions->runOperation(QString::fromLatin1(moxops::preberiStrukturo)));
    EXPECT_EQ(w<QGroupBox>("gbOsvTabela")->title(), "TAVO.KA060AK0");
    EXPECT_EQ(ctx.currTabela, "KA060AK0");
    EXPECT_EQ(text("edOsvKljuc"), "CODE_060");
    EXPECT_EQ(text("edOsvAuto"), " SIFRA060,  BEGIN:NASLEDNJI:=TAVO.GETSEQUENCE('KA060AK0');END;");
    EXPECT_TRUE(w<QPushButton>("btOsSplosno")->isEnabled());

    w<QCheckBox>("cbSamoPregled")->setChecked(true);
    ui.answer = mrNo; // no review of the result file
    screens->btOsSplosnoClick();
    EXPECT_EQ(text("edOsSplStevec"), "2");
    EXPECT_EQ(text("edOsSplNovih"), "1");
    EXPECT_EQ(text("edOsSplPopr"), "1");
    EXPECT_EQ(text("edOsSplInsert"), "");
    EXPECT_EQ(text("edOsSplUpdate"), "");
    EXPECT_EQ(text("edOsSplError"), "");
    // The bar beside the counters: records read of the file's records.
    EXPECT_EQ(w<QProgressBar>("pbOsvSplosno")->value(), 2);
    EXPECT_EQ(w<QProgressBar>("pbOsvSplosno")->maximum(), 2);
    EXPECT_TRUE(w<QPushButton>("btOsSplosno")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("btOsvPrekini")->isEnabled());
    EXPECT_EQ(triggers, (QStringList{"DISABLE KA060AK0", "ENABLE KA060AK0"}));
    EXPECT_EQ(rows("select count(*) from ka060ak0"), "1");

    // For real.
    w<QCheckBox>("cbSamoPregled")->setChecked(false);
    screens->btOsSplosnoClick();
    EXPECT_EQ(text("edOsSplInsert"), "1");
    EXPECT_EQ(text("edOsSplUpdate"), "1");
    EXPECT_EQ(rows("select code_060,opis_060 from ka060ak0 order by code_060"), "A1|Prvi,A2|Drugi");
}
