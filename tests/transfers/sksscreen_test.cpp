// The common code lists' pages: "PripravaSKS" and "Osveži" read the pages'
// fields and show the counters in the pages' edits.
#include "general/roundtrip_support.h"

#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/gui/sksscreen.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
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

class SksZasloni : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerSksScreens(dispatch, [this] { return screens.get(); });
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

TEST_F(SksZasloni, PreparationAndRefreshFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values ('Z01',2,'Države','S','1')",
          "insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values ('P10',1,'Plačniki','S','1')",
          "insert into kg000ss0 values (1,'Z01','SI','Slovenija',null,'1',sysdate,'A')",
          "insert into kg000ss0 values (2,'Z01','HR','Hrvaška',null,'1',sysdate,'A')",
          "insert into kg000ss0 values (3,'P10','1','ZZZS',null,'1',sysdate,'A')"});
    w<QLineEdit>("edFilterSKS")->setText("Z%");
    screens->btPripravaSKSClick();
    EXPECT_EQ(text("edGlav"), "1");
    EXPECT_EQ(text("edVred"), "2");
    EXPECT_TRUE(w<QPushButton>("btPripravaSKS")->isEnabled());

    // The refresh reads the files of its path field and writes its result
    // file below it.
    const QString drugje = env.path("drugje");
    QDir().mkpath(drugje);
    for (const QFileInfo &f : QDir(ctx.currSaveDir).entryInfoList({"K*"}, QDir::Files)) {
        ASSERT_TRUE(QFile::copy(f.filePath(), drugje + "/" + f.fileName()));
        QFile::remove(f.filePath());
    }
    connect(kUvoz);
    exec({"insert into kg000ss0 values (7,'Z01','HR','Hrvatska',null,'1',sysdate,'B')"});
    w<QLineEdit>("edPotSKS")->setText(drugje);
    w<QCheckBox>("cbSKSsamoPreverjanje")->setChecked(true);
    ui.answer = mrNo; // no review of the result file
    screens->btOsveziSKSClick();
    EXPECT_EQ(text("edStGlSKS") + "/" + text("edInsGlSKS") + "/" + text("edUpdGlSKS") + "/" + text("edErrGlSKS"),
              "1/1//");
    EXPECT_EQ(text("edStVrSKS") + "/" + text("edInsVrSKS") + "/" + text("edUpdVrSKS") + "/" + text("edErrVrSKS"),
              "2/1/1/");
    // The bar follows the pass that ran last: the values' file, read whole.
    EXPECT_EQ(w<QProgressBar>("pbOsvSKS")->value(), 2);
    EXPECT_EQ(w<QProgressBar>("pbOsvSKS")->maximum(), 2);
    EXPECT_EQ(rows("select count(*) from ka000hed"), "0");
    EXPECT_TRUE(QFile::exists(drugje + "/rezultati/SKS.rez"));
    EXPECT_EQ(ui.questions.last(), "Konec preverjanja SKUPNIH ŠIFRANTOV .       PREGLED?\r\n");
    EXPECT_TRUE(w<QPushButton>("btOsveziSKS")->isEnabled());

    // "brez sporočil": a failed header asks nothing, but is counted.
    exec({"insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values ('Z01',2,'Star','S','0')"});
    w<QCheckBox>("cbSKSsamoPreverjanje")->setChecked(false);
    w<QCheckBox>("cbBrez")->setChecked(true);
    ui.questions.clear();
    screens->btOsveziSKSClick();
    EXPECT_EQ(text("edErrGlSKS"), "1");
    EXPECT_EQ(text("edUpdVrSKS"), "1");
    EXPECT_EQ(ui.questions, QStringList{"Konec osveževanja SKUPNIH ŠIFRANTOV .       PREGLED?\r\n"});
    EXPECT_EQ(rows("select opis_000 from kg000ss0 order by opis_000"), "Hrvaška,Slovenija");
}
