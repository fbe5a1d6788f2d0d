#include <string>
#include <utility>
#include <vector>

#include "headless_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel::tk {
namespace {

class TimerTest : public test::HeadlessTest {
protected:
    Timer& timer(const std::string& name, int interval, bool enabled = true)
    {
        auto& t = form.add<Timer>(name);
        t.setInterval(interval);
        t.setEnabled(enabled);
        t.onTimer = [this](Control& s) { ticks.emplace_back(s.name(), backend.now()); };
        return t;
    }
    Form form{"MForm", {0, 0, 100, 100}};
    std::vector<std::pair<std::string, std::int64_t>> ticks;
};

TEST_F(TimerTest, TicksFollowTheVirtualClockInTimeOrder)
{
    timer("Timer1", 300);
    timer("Timer2", 200);
    backend.advance(599);
    using Tick = std::pair<std::string, std::int64_t>;
    EXPECT_EQ(ticks, (std::vector<Tick>{{"Timer2", 200}, {"Timer1", 300}, {"Timer2", 400}}));
    ticks.clear();
    backend.advance(1);  // both due at 600: the one started first goes first
    EXPECT_EQ(ticks, (std::vector<Tick>{{"Timer1", 600}, {"Timer2", 600}}));
    EXPECT_EQ(backend.now(), 600);
}

TEST_F(TimerTest, NothingTicksWhileTimeStandsStill)
{
    timer("Timer1", 1);
    backend.runPending();
    backend.advance(0);
    EXPECT_TRUE(ticks.empty());
}

TEST_F(TimerTest, EnablingAndChangingTheIntervalRestartTheperiod)
{
    Timer& t = timer("Timer1", 2000);
    backend.advance(1500);
    t.setEnabled(false);
    t.setEnabled(true);  // a full period from now
    backend.advance(1999);
    EXPECT_TRUE(ticks.empty());
    backend.advance(1);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks.back().second, 3500);

    t.setInterval(1000);  // restarts at 3500
    backend.advance(999);
    EXPECT_EQ(ticks.size(), 1u);
    backend.advance(1);
    EXPECT_EQ(ticks.back().second, 4500);

    t.setInterval(1000);  // same value: no restart
    t.setEnabled(true);   // already enabled: no restart
    backend.advance(1000);
    EXPECT_EQ(ticks.back().second, 5500);

    backend.advance(500);
    t.restart();
    backend.advance(999);
    EXPECT_EQ(ticks.back().second, 5500);
    backend.advance(1);
    EXPECT_EQ(ticks.back().second, 7000);
}

TEST_F(TimerTest, DisabledOrZeroIntervalTimersDoNotRun)
{
    timer("Timer1", 100, false);
    Timer& zero = timer("Timer2", 0);
    backend.advance(10'000);
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(backend.activeTimerCount(), 0u);
    zero.setInterval(100);
    backend.advance(100);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerTest, TickMayStopItselfAndStartAnother)
{
    Timer& first = timer("Timer2", 900);
    Timer& second = timer("Timer1", 5, false);
    first.onTimer = [&](Control&) {
        first.setEnabled(false);
        second.setEnabled(true);
    };
    backend.advance(920);
    using Tick = std::pair<std::string, std::int64_t>;
    EXPECT_EQ(ticks, (std::vector<Tick>{{"Timer1", 905}, {"Timer1", 910}, {"Timer1", 915}, {"Timer1", 920}}));
}

TEST_F(TimerTest, DestroyedTimerStopsAndTagIsKept)
{
    {
        Form other("Other", {0, 0, 1, 1});
        auto& t = other.add<Timer>("Timer1");
        t.setTag(2);
        EXPECT_EQ(t.tag(), 2);
        t.onTimer = [this](Control&) { ticks.emplace_back("dead", 0); };
    }
    backend.advance(5000);
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(backend.activeTimerCount(), 0u);
}

TEST_F(TimerTest, ExceptionInATickIsShownAndTheTimerGoesOn)
{
    Timer& t = timer("Timer1", 100);
    int count = 0;
    t.onTimer = [&](Control&) {
        ++count;
        throw std::runtime_error("tick failed");
    };
    backend.advance(300);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(backend.messages().size(), 3u);
}

TEST_F(TimerTest, AnimatedPictureStepsItsFramesOnTheClock)
{
    auto& strip = form.add<Picture>("Image1", {0, 0, 190, 14});
    std::vector<Image> frames(4);
    for (int i = 0; i < 4; ++i) frames[static_cast<std::size_t>(i)] = Image{1, 1, {static_cast<std::uint32_t>(i)}};
    strip.setFrames(frames, 120);
    backend.advance(500);
    EXPECT_EQ(strip.frameIndex(), 0);  // not animated yet
    strip.setAnimated(true);
    backend.advance(120 * 5);
    EXPECT_EQ(strip.frameIndex(), 1);  // 5 steps over 4 frames wrap round
    EXPECT_EQ(strip.currentFrame().argb[0], 1u);
    strip.setAnimated(false);
    backend.advance(1000);
    EXPECT_EQ(strip.frameIndex(), 1);
}

TEST(TimerWithoutApplication, RunningATimerNeedsAnApplication)
{
    EXPECT_THROW(Timer("Timer1"), std::logic_error);
}

}  // namespace
}  // namespace varnel::tk
