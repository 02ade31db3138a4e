// The parameters' and the analyses' pages: "Priprava" and "Osveži" read the
// pages' fields and show the counters in the pages' edits.
#include "general/roundtrip_support.h"

#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/gui/analizescreen.h"
#include "transfers/gui/parametriscreen.h"

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

class Zasloni : public RoundTrip {
public:
    void SetUp() override
    {
        RoundTrip::SetUp();
        actions = std::make_unique<Actions>(ctx, dispatch);
        screens = std::make_unique<TScreens>(&window, *actions, ctx);
        registerParametriScreens(dispatch, [this] { return screens.get(); });
        registerAnalizeScreens(dispatch, [this] { return screens.get(); });
    }
    void TearDown() override
    {
        screens.reset();
        RoundTrip::TearDown();
    }
    template <class T> T *w(const char *name) { return screens->control<T>(QString::fromLatin1(name)); }
    QString text(const char *name) { return w<QLineEdit>(name)->text(); }
    QString texts(std::initializer_list<const char *> names)
    {
        QStringList t;
        for (const char *n : names)
            t << text(n);
        return t.join(u'|');
    }

    QMainWindow window;
    TDispatch dispatch;
    std::unique_ptr<Actions> actions;
    std::unique_ptr<TScreens> screens;
};

} // namespace

TEST_F(Zasloni, ParametersFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into ka007par (sifra007,class007,attr_007,stat_007) values (1,'KLINIKA','PRIKAZ','1')",
          "insert into ka007par (sifra007,class007,attr_007,stat_007) values (2,'LAB','ČAKANJE','1')",
          "insert into pr107par (sifra107,sifra007,attr_007,depen107,val1_107,stat_107) values (11,1,'PRIKAZ','0000','DA','1')",
          "insert into pr107par (sifra107,sifra007,attr_007,depen107,val1_107,stat_107) values (12,1,'PRIKAZ','0100','NE','1')",
          "insert into pr107par (sifra107,sifra007,attr_007,depen107,val1_107,stat_107) values (13,2,'ČAKANJE','0000','30','1')",
          "insert into pr207ext (sifra207,sifra107,val1_207,stat_207) values (21,12,'Razširitev','1')"});
    // The filter of the parameters and the default-only box.
    w<QLineEdit>("edFilterPar")->setText("where class007='KLINIKA'");
    w<QCheckBox>("cbSamoDef")->setChecked(true);
    screens->btPripravaParClick();
    EXPECT_EQ(texts({"ed007PrPar", "ed107PrPar", "ed207PrPar"}), "1|1|0");
    w<QLineEdit>("edFilterPar")->setText("%");
    w<QCheckBox>("cbSamoDef")->setChecked(false);
    screens->btPripravaParClick();
    EXPECT_EQ(texts({"ed007PrPar", "ed107PrPar", "ed207PrPar"}), "2|3|1");
    EXPECT_TRUE(w<QPushButton>("btPripravaPar")->isEnabled());

    // The refresh finds the files in the print-form page's folder and writes
    // its report below it.
    const QString drugje = env.path("drugje");
    QDir().mkpath(drugje);
    // (The long description of KA007PAR travels in its memo file.)
    for (const char *f : {"KA007PAR.DBF", "KA007PAR.FPT", "PR107PAR.DBF", "PR207EXT.DBF"})
        ASSERT_TRUE(QFile::rename(ctx.currSaveDir + f, drugje + "/" + f)) << f;
    connect(kUvoz);
    w<QLineEdit>("edPotOBR")->setText(drugje);
    w<QCheckBox>("cbOsveziParametri")->setChecked(true);
    ui.answer = mrNo; // no review of the result file
    screens->btOsveziParamClick();
    EXPECT_EQ(texts({"edSt007", "edIns007", "edErr007", "edSt107", "edIns107", "edSt207", "edIns207"}), "2|2|||||")
        << ui.messages.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(rows("select count(*) from ka007par"), "0");
    EXPECT_TRUE(QFile::exists(drugje + "/rezultati/PARAM.rez"));
    EXPECT_EQ(ui.questions.last(), "Konec preverjanja PARAMETROV .       PREGLED?\r\n");
    EXPECT_TRUE(w<QPushButton>("btOsveziParam")->isEnabled());

    w<QCheckBox>("cbOsveziParametri")->setChecked(false);
    screens->btOsveziParamClick();
    EXPECT_EQ(texts({"edSt007", "edIns007", "edErr007", "edSt107", "edIns107", "edSt207", "edIns207"}), "2|2||3|3|1|1");
    EXPECT_EQ(ui.questions.last(), "Konec osveževanja PARAMETROV .       PREGLED?\r\n");
    EXPECT_EQ(rows("select count(*) from pr107par"), "3");
}

TEST_F(Zasloni, AnalysesFromTheirPages)
{
    connect(kIzvoz);
    exec({"insert into ka055hc0 (sifra055,code_055,stat_055) values (1,'HC01','1')",
          "insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (101,'A','<a/>','1')",
          "insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (102,'A','<b/>','1')",
          "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) values (1,1,101,'POR','Porod','1')",
          "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) values (2,1,102,'AND','Diabetes','1')"});
    w<QLineEdit>("edAHCFilter")->setText("'AND'");
    screens->btAHCPripravaClick();
    EXPECT_EQ(texts({"edAHC908", "edAHCXML"}), "1|1");
    w<QLineEdit>("edAHCFilter")->setText("%");
    screens->btAHCPripravaClick();
    EXPECT_EQ(texts({"edAHC908", "edAHCXML"}), "2|2");

    connect(kUvoz);
    exec({"insert into ka055hc0 (sifra055,code_055,stat_055) values (51,'HC01','1')",
          "insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (602,'A','<staro/>','1')",
          "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) values (7,51,602,'AND','Diabetes','1')"});
    w<QCheckBox>("cbAHCTest")->setChecked(true);
    ui.answer = mrNo;
    screens->btAHCOsveziClick();
    const std::initializer_list<const char *> stevci = {"ed908Vseh", "ed908Novih", "ed908Popr", "ed908Nap",
                                                        "edXMLVseh", "edXMLNovih", "edXMLPopr", "edXMLNap"};
    EXPECT_EQ(texts(stevci), "2|1|||2|1|1|");
    EXPECT_EQ(ui.questions.last(), "Konec preverjanja DEFINICIJ ANALIZ MED.PODATKOV .       PREGLED?\r\n");
    EXPECT_EQ(rows("select count(*) from pr908cxr"), "1");

    w<QCheckBox>("cbAHCTest")->setChecked(false);
    screens->btAHCOsveziClick();
    EXPECT_EQ(texts(stevci), "2|1|||2|1|1|");
    EXPECT_EQ(rows("select a.code_908,x.xml__003 from pr908cxr a, i_xml_x03 x where x.sifrax03=a.sifrax03 "
                   "order by 1"),
              "AND|<b/>,POR|<a/>");
    EXPECT_TRUE(w<QPushButton>("btAHCOsvezi")->isEnabled());
}
