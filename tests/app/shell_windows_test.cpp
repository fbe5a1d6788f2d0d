// The splash, the loading overlay, the about window and their pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "app/about_box.h"
#include "app/instances.h"
#include "app/loading_form.h"
#include "app/pictures.h"
#include "app/shell_fixture.h"
#include "app/start_form.h"
#include "modem/modem.h"
#include "radio/mform.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace varnel::test {
namespace {

class SplashTest : public ::testing::Test {
protected:
    tk::HeadlessBackend backend;
    tk::Application toolkit{backend};
};

TEST_F(SplashTest, StaysOpaqueForTheFirst900Milliseconds)
{
    TStart start(nullptr);
    start.show();
    backend.advance(899);
    EXPECT_EQ(start.alphaBlendValue(), 255);
    EXPECT_FALSE(start.Timer1.enabled());
    EXPECT_TRUE(start.Timer2.enabled());

    backend.advance(1);
    EXPECT_EQ(start.alphaBlendValue(), 255);
    EXPECT_TRUE(start.Timer1.enabled());
    EXPECT_FALSE(start.Timer2.enabled());
    EXPECT_TRUE(start.visible());
}

TEST_F(SplashTest, FadesIn82StepsOf3AndClosesAtOpacity9)
{
    TStart start(nullptr);
    ASSERT_TRUE(start.alphaBlend());
    ASSERT_TRUE(start.stayOnTop());
    start.show();
    backend.advance(TStart::OpaqueMilliseconds);

    int steps = 0;
    std::uint8_t last = start.alphaBlendValue();
    while (start.visible() && steps < 200) {
        backend.advance(TStart::FadeStepMilliseconds);
        ++steps;
        EXPECT_EQ(start.alphaBlendValue(), last - 3) << "step " << steps;
        last = start.alphaBlendValue();
    }
    EXPECT_EQ(steps, 82);
    EXPECT_EQ(start.alphaBlendValue(), 9);
    EXPECT_FALSE(start.Timer1.enabled());
    EXPECT_EQ(backend.activeTimerCount(), 0u);
}

TEST_F(SplashTest, ModalDisplayReturnsWhenTheFadeEnds)
{
    TStart start(nullptr);
    const std::int64_t before = backend.now();
    start.showModal();
    EXPECT_EQ(backend.now() - before, 900 + 82 * 5);
    EXPECT_FALSE(start.visible());
}

TEST_F(SplashTest, ReactsToNoAttemptToCloseIt)
{
    TStart start(nullptr);
    start.show();
    backend.advance(1000);
    start.userClose();
    EXPECT_TRUE(start.visible());
    backend.advance(1000);
    EXPECT_FALSE(start.visible());
}

TEST(PicturesTest, ProductPictureAndStripHaveTheirSizesAndTheStripMoves)
{
    const tk::Image product = app::ProductPicture();
    EXPECT_EQ(product.width, 137);
    EXPECT_EQ(product.height, 237);
    EXPECT_EQ(product.argb.size(), 137u * 237u);
    EXPECT_GT(std::set<std::uint32_t>(product.argb.begin(), product.argb.end()).size(), 5u)
        << "a picture, not a blank";

    const auto frames = app::LoadingStripFrames(190, 14, 4);
    ASSERT_EQ(frames.size(), 4u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].width, 190);
        EXPECT_EQ(frames[i].height, 14);
        EXPECT_NE(frames[i], frames[(i + 1) % frames.size()]) << "frame " << i;
    }
    // Moving by a quarter period per frame: frame 1 is frame 0 shifted right
    // by the step, so the loop has no jump.
    const auto at = [](const tk::Image& image, int x, int y) {
        return image.argb[static_cast<std::size_t>(y * image.width + x)];
    };
    for (int x = 1; x + 4 < 189; ++x)
        EXPECT_EQ(at(frames[1], x + 4, 7), at(frames[0], x, 7)) << "x " << x;
    EXPECT_TRUE(app::LoadingStripFrames(0, 14, 4).empty());
}

class OverlayTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addPort(1);
        addPort(2);
        start();
    }
};

TEST_F(OverlayTest, DoubleClickCancelsTheMainWindowsWatchdog)
{
    MForm->Timer1.setEnabled(true);
    MForm->setEnabled(false);
    MForm->RzProgressBar1.setVisible(true);
    Modem->Timer1.setEnabled(true);
    LoadingForm->show();

    LoadingForm->userDblClick();

    EXPECT_FALSE(LoadingForm->visible());
    EXPECT_FALSE(MForm->Timer1.enabled());
    EXPECT_TRUE(MForm->enabled());
    EXPECT_FALSE(MForm->RzProgressBar1.visible());
    EXPECT_EQ(MForm->RzStatusPane4.caption(), "Cancel");
    EXPECT_TRUE(Modem->Timer1.enabled()) << "only one exchange is cancelled";
}

TEST_F(OverlayTest, DoubleClickCancelsTheModemWindowsExchangeWhenTheMainOneIsIdle)
{
    Modem->Timer1.setEnabled(true);
    Modem->setEnabled(false);
    LoadingForm->show();

    LoadingForm->userDblClick();

    EXPECT_FALSE(LoadingForm->visible());
    EXPECT_FALSE(Modem->Timer1.enabled());
    EXPECT_TRUE(Modem->enabled());
    EXPECT_EQ(Modem->RzStatusPane4.caption(), "Cancel");
    EXPECT_EQ(MForm->RzStatusPane4.caption(), "");
}

TEST_F(OverlayTest, DoubleClickWithNothingRunningOnlyClosesTheOverlay)
{
    LoadingForm->show();
    LoadingForm->userDblClick();
    EXPECT_FALSE(LoadingForm->visible());
    EXPECT_EQ(MForm->RzStatusPane4.caption(), "");
    EXPECT_EQ(Modem->RzStatusPane4.caption(), "");
}

TEST_F(OverlayTest, DoubleClickOnThePictureDoesNothing)
{
    MForm->Timer1.setEnabled(true);
    LoadingForm->show();
    LoadingForm->Image1.userDblClick();
    EXPECT_TRUE(LoadingForm->visible());
    EXPECT_TRUE(MForm->Timer1.enabled());
}

TEST_F(OverlayTest, LooksAsSpecifiedAndAnimatesOnlyWhileShown)
{
    TLoadingForm& overlay = *LoadingForm;
    EXPECT_EQ(overlay.clientWidth(), 336);
    EXPECT_EQ(overlay.clientHeight(), 127);
    EXPECT_EQ(overlay.borderStyle(), tk::Form::BorderStyle::None);
    EXPECT_TRUE(overlay.alphaBlend());
    EXPECT_EQ(overlay.alphaBlendValue(), 200);
    EXPECT_EQ(overlay.position(), tk::Form::Position::MainFormCentre);
    EXPECT_EQ(overlay.Image1.frames().size(), 4u);

    EXPECT_FALSE(overlay.Image1.animated());
    overlay.show();
    const int first = overlay.Image1.frameIndex();
    backend().advance(TLoadingForm::StripFrameMilliseconds);
    EXPECT_NE(overlay.Image1.frameIndex(), first);
    overlay.close();
    EXPECT_FALSE(overlay.Image1.animated());
}

class AboutTest : public OverlayTest {};

TEST_F(AboutTest, HidesTheMainWindowWhileShownModally)
{
    bool mainHidden = false;
    bool modal = false;
    backend().onNextModal([&](tk::Form& form) {
        mainHidden = !MForm->visible();
        modal = form.isModal() && &form == AboutBox;
        AboutBox->Button1.userClick();
    });
    MForm->About1.userClick();

    EXPECT_TRUE(mainHidden);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(AboutBox->visible());
    EXPECT_TRUE(MForm->visible());
}

TEST_F(AboutTest, ClosingThroughTheFrameAlsoBringsTheMainWindowBack)
{
    backend().onNextModal([](tk::Form& form) { form.userClose(); });
    MForm->About1.userClick();
    EXPECT_FALSE(AboutBox->visible());
    EXPECT_TRUE(MForm->visible());
}

TEST_F(AboutTest, HasItsControlsInsideOneGroup)
{
    TAboutBox& about = *AboutBox;
    EXPECT_EQ(about.clientWidth(), 414);
    EXPECT_EQ(about.clientHeight(), 254);
    EXPECT_EQ(about.borderStyle(), tk::Form::BorderStyle::Dialog);
    EXPECT_EQ(about.Button1.caption(), "&OK");
    EXPECT_TRUE(about.Memo1.readOnly());
    EXPECT_TRUE(about.Memo1.lines().empty());
    EXPECT_EQ(about.Memo1.scrollBars(), tk::Memo::ScrollBars::Vertical);
    EXPECT_EQ(about.Image1.currentFrame().width, 137);
    for (tk::Control* control : std::initializer_list<tk::Control*>{&about.Image1, &about.Label1, &about.Label2,
                                                                     &about.Label3, &about.Label4, &about.Memo1,
                                                                     &about.Button1}) {
        EXPECT_EQ(control->parent(), &about.GroupBox1) << control->name();
        const tk::Rect& r = control->bounds();
        EXPECT_LE(r.left + r.width, about.GroupBox1.width()) << control->name();
        EXPECT_LE(r.top + r.height, about.GroupBox1.height()) << control->name();
    }
    EXPECT_FALSE(about.Label3.caption().empty());
    EXPECT_FALSE(about.Label4.caption().empty());
}

}  // namespace
}  // namespace varnel::test
