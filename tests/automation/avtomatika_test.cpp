// The script's window side: the screens each transfer is given before it
// runs, the "LargeRB ON" mark and the automation timer.
#include "autotest.h"

#include "automation/avtomatika.h"
#include "shell/paths.h"
#include "shell/screens.h"
#include "shell/tfmmox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace {

class Glue : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<TfmMOX>(QStringList{});
        avt = attachAutomation(*window);
        s = window->screens();
        for (const char *ime : {"cbSKSsamoPreverjanje", "cbOBRsamoPreverjanje", "cbNastSamoPreverjanje"})
            box(ime)->setChecked(true);
        for (const char *ime : {"edPotSKS", "edPotOBR"})
            edit(ime)->setText(QStringLiteral("stara/"));
    }

    QLineEdit *edit(const char *ime) const { return s->control<QLineEdit>(QLatin1String(ime)); }
    QCheckBox *box(const char *ime) const { return s->control<QCheckBox>(QLatin1String(ime)); }

    TestEnv env;
    std::unique_ptr<TfmMOX> window;
    TAvtomatika *avt = nullptr;
    TScreens *s = nullptr;
};

} // namespace

TEST_F(Glue, EachTransferGetsItsScreen)
{
    const struct {
        const char *op;
        const char *dir;
        const char *page;
        const char *dirField;   // gets dir (or keeps "stara/" without one)
        const char *clearedBox; // the check-only box the script clears
    } cases[] = {
        {"osveziSKS", "nova/", "tabOsvSKS", "edPotSKS", "cbSKSsamoPreverjanje"},
        {"osveziSKS", "", "tabOsvSKS", "edPotSKS", "cbSKSsamoPreverjanje"},
        {"osveziObrazce", "nova/", "tabOsvObrazci", "edPotOBR", "cbOBRsamoPreverjanje"},
        {"osveziParametre", "", "tabOsvParametri", nullptr, "cbOBRsamoPreverjanje"},
        {"osveziGrupe", "nova/", "tabOsvGrupe", "edPotOBR", nullptr},
        {"osveziGrupe023", "nova/", "tabOsvGrupe023", "edPotOBR", nullptr},
        {"osveziPalete", "nova/", "tabOsvPalete", "edPotOBR", nullptr},
        {"osveziAnalizeHC", "nova/", "tabOsvAnalize", "edPotOBR", nullptr},
        {"pripraviSKS", "nova/", "tabPrSKS", "edPotSKS", "cbSKSsamoPreverjanje"},
        {"pripraviObrazce", "nova/", "tabPrObrazci", "edPotOBR", "cbOBRsamoPreverjanje"},
        {"pripraviParametre", "", "tabPrParametri", nullptr, "cbOBRsamoPreverjanje"},
        {"pripraviGrupe", "nova/", "tabPrGrupe", "edPotOBR", nullptr},
        {"pripraviPalete", "nova/", "tabPrPalete", "edPotOBR", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.dir);
        SetUp();
        avt->pripraviZaslon(QLatin1String(c.op), QLatin1String(c.dir), QString(), QString());
        EXPECT_EQ(s->currentPage(), QLatin1String(c.page));
        if (c.dirField) {
            EXPECT_EQ(edit(c.dirField)->text(), *c.dir ? QLatin1String(c.dir) : QLatin1String("stara/"));
        }
        for (const char *b : {"cbSKSsamoPreverjanje", "cbOBRsamoPreverjanje"})
            EXPECT_EQ(box(b)->isChecked(), !(c.clearedBox && std::string(b) == c.clearedBox)) << b;
    }
}

TEST_F(Glue, GeneralScreensGetTheStructureFileAndFilter)
{
    edit("edOsSplStevec")->setText(QStringLiteral("12"));
    avt->pripraviZaslon(QStringLiteral("osveziSplosno"), QString(), QStringLiteral("/d/KA060AK0.str"), QString());
    EXPECT_EQ(s->currentPage(), QStringLiteral("tabOsvSplosno"));
    EXPECT_EQ(edit("edOsvFile")->text(), QStringLiteral("/d/KA060AK0.str"));
    EXPECT_TRUE(edit("edOsSplStevec")->text().isEmpty());
    EXPECT_FALSE(box("cbNastSamoPreverjanje")->isChecked());

    avt->pripraviZaslon(QStringLiteral("pripraviSplosno"), QString(), QStringLiteral("/d/KA000HED.str"),
                        QStringLiteral("where STAT_000 = '1'"));
    EXPECT_EQ(s->currentPage(), QStringLiteral("tabPrSplosno"));
    EXPECT_EQ(edit("edSplFile")->text(), QStringLiteral("/d/KA000HED.str"));
    EXPECT_EQ(edit("edSplosnoFilter")->text(), QStringLiteral("where STAT_000 = '1'"));
}

TEST_F(Glue, TimerAndLargeRollbackSegmentMark)
{
    QTimer *t = avt->tiAutoStart();
    EXPECT_EQ(t->interval(), 500);
    EXPECT_TRUE(t->isSingleShot());
    EXPECT_FALSE(t->isActive());
    emit window->startAutomation();
    EXPECT_TRUE(t->isActive());
    t->stop();

    avt->nastaviLargeRB(true);
    EXPECT_TRUE(s->mmActivateLargeRB()->isChecked());
    EXPECT_TRUE(avt->largeRBOznacen());
    avt->nastaviLargeRB(false);
    EXPECT_FALSE(avt->largeRBOznacen());
    EXPECT_TRUE(avt->brezOsebe());
}
