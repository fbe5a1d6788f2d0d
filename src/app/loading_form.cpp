#include "app/loading_form.h"

#include "app/instances.h"
#include "app/pictures.h"
#include "modem/modem.h"
#include "radio/mform.h"

namespace varnel {

TLoadingForm::TLoadingForm()
    : tk::Form("LoadingForm", {0, 0, ClientWidth, ClientHeight}),
      Image1(add<tk::Picture>("Image1", {(ClientWidth - StripWidth) / 2, (ClientHeight - StripHeight) / 2,
                                         StripWidth, StripHeight}))
{
    setBorderStyle(BorderStyle::None);
    setPosition(Position::MainFormCentre);
    setColour(tk::colours::white);
    setAlphaBlend(true);
    setAlphaBlendValue(Opacity);

    Image1.setFrames(app::LoadingStripFrames(StripWidth, StripHeight, StripFrameCount), StripFrameMilliseconds);

    onDblClick = [this](tk::Control& s) { FormDblClick(s); };
    // The strip moves only while someone can see it.
    onShow = [this](tk::Control&) { Image1.setAnimated(true); };
    onHide = [this](tk::Control&) { Image1.setAnimated(false); };
}

void TLoadingForm::FormDblClick(tk::Control&)
{
    // The main window's watchdog first; CancelTransfer tells whether it ran.
    const bool mainCancelled = MForm != nullptr && MForm->CancelTransfer();
    if (!mainCancelled && Modem != nullptr && Modem->Timer1.enabled()) {
        Modem->Timer1.setEnabled(false);
        Modem->setEnabled(true);
        Modem->RzStatusPane4.setCaption("Cancel");
    }
    close();
}

}  // namespace varnel
