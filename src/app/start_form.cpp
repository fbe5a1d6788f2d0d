#include "app/start_form.h"

#include "app/language_texts.h"
#include "app/pictures.h"

namespace varnel {

TStart::TStart(tk::Form* owner)
    : tk::Form("Start", {0, 0, ClientWidth, ClientHeight}),
      Image1(add<tk::Picture>("Image1", {28, 32, app::ProductPictureWidth, app::ProductPictureHeight})),
      Label1(add<tk::Label>("Label1", {184, 110, 176, 28})),
      Label2(add<tk::Label>("Label2", {184, 146, 176, 20})),
      Timer1(add<tk::Timer>("Timer1")),
      Timer2(add<tk::Timer>("Timer2"))
{
    setOwner(owner);
    setBorderStyle(BorderStyle::None);
    setPosition(Position::ScreenCentre);
    setStayOnTop(true);
    setColour(tk::colours::white);
    setAlphaBlend(true);
    setAlphaBlendValue(255);

    Image1.setImage(app::ProductPicture());
    Label1.setCaption(ApplicationTitle);
    Label1.setFont({.family = {}, .pointSize = 15, .bold = true, .colour = tk::Colour::rgb(46, 52, 64)});
    Label2.setCaption("Radio configuration tool");
    Label2.setFont({.family = {}, .pointSize = 10, .bold = false, .colour = tk::Colour::rgb(94, 106, 128)});

    Timer1.setEnabled(false);
    Timer1.setInterval(FadeStepMilliseconds);
    Timer1.onTimer = [this](tk::Control& s) { Timer1Timer(s); };
    Timer2.setInterval(OpaqueMilliseconds);
    Timer2.onTimer = [this](tk::Control& s) { Timer2Timer(s); };

    // Only the end of the fade closes the splash, not a key or the frame.
    onCloseQuery = [this](tk::Control&, bool& canClose) { canClose = faded_; };
}

void TStart::Timer2Timer(tk::Control&)
{
    Timer2.setEnabled(false);
    Timer1.setEnabled(true);
}

void TStart::Timer1Timer(tk::Control&)
{
    const std::uint8_t alpha = alphaBlendValue();
    const std::uint8_t lowered = alpha > FadeStep ? static_cast<std::uint8_t>(alpha - FadeStep) : std::uint8_t{0};
    setAlphaBlendValue(lowered);
    if (lowered <= CloseOpacity) {
        Timer1.setEnabled(false);
        faded_ = true;
        close();
    }
}

}  // namespace varnel
