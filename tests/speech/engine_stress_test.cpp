// Random sessions against the real engine: start, pause, resume, stop and
// the natural end in every order, each ending with the window idle.
#include "engine_support.h"

#include "platform/richtextbox/richtextbox.h"

#include <QAction>
#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

TEST(SpeechStress, RandomSessionsNeverHangAndAlwaysEndIdle)
{
    RealSpeechWindow r;
    r.fakes.settings.setConfig(u"Speed"_s, u"10"_s); // short natural ends
    r.ui.txtConvert->setText(u"Hi."_s);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const auto chance = [&](int outOf) {
        return random() % static_cast<unsigned>(outOf) == 0;
    };

    for (int sequence = 0; sequence < 300; ++sequence) {
        SCOPED_TRACE("sequence " + std::to_string(sequence));
        switch (random() % 3) {
        case 0:
            parts(r.w).speech().mnuConvertAll_Click();
            break;
        case 1:
            r.ui.txtConvert->setSelStart(0);
            r.ui.txtConvert->setSelLength(3);
            parts(r.w).speech().mnuConvertSel_Click();
            break;
        default:
            parts(r.w).speech().speechButton_Click();
            break;
        }
        ASSERT_TRUE(r.ui.tmrSpk->isActive());

        const int steps = static_cast<int>(random() % 6);
        for (int step = 0; step < steps && !r.idle(); ++step) {
            if (chance(2))
                parts(r.w).speech().PlayPause();
            else
                QTest::qWait(static_cast<int>(random() % 12));
        }

        if (!r.idle()) {
            if (chance(4)) {
                if (parts(r.w).speech().strPlayState == u"paused"_s)
                    parts(r.w).speech().PlayPause();
                ASSERT_TRUE(QTest::qWaitFor([&] { return r.idle(); }, 5000))
                    << "the natural end never came";
            } else {
                parts(r.w).speech().StopText();
            }
        }
        ASSERT_TRUE(r.idle());
        ASSERT_FALSE(r.ui.button(u"stop"_s)->isEnabled());
        ASSERT_FALSE(r.ui.txtConvert->Locked());
        ASSERT_EQ(r.state.objVoice().Status().RunningState, platform::SRSEDone);
    }
    EXPECT_TRUE(r.fakes.messageBox.shown.isEmpty());
}
