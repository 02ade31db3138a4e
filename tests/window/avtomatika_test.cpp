// The script's window side: the screens each transfer is given before it
// runs, the "LargeRB ON" mark and the automation timer.
#include "automation/autotest.h"

#include "window/avtomatika.h"
#include "base/paths.h"
#include "window/screens.h"
#include "window/tfmmox.h"

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
    }

    TestEnv env;
    std::unique_ptr<TfmMOX> window;
    TAvtomatika *avt = nullptr;
    TScreens *s = nullptr;
};

} // namespace

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
