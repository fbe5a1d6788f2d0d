#include "app/about_box.h"

#include "app/application.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/pictures.h"
#include "radio/mform.h"

namespace varnel {

namespace {
// The dialog face, also the memo's background.
constexpr tk::Colour DialogFace = tk::Colour::rgb(240, 240, 240);
}  // namespace

TAboutBox::TAboutBox()
    : tk::Form("AboutBox", {0, 0, ClientWidth, ClientHeight}),
      GroupBox1(add<tk::GroupBox>("GroupBox1", {6, 4, 402, 244})),
      Image1(GroupBox1.add<tk::Picture>("Image1", {6, 3, app::ProductPictureWidth, app::ProductPictureHeight})),
      Label1(GroupBox1.add<tk::Label>("Label1", {156, 14, 236, 26})),
      Label2(GroupBox1.add<tk::Label>("Label2", {156, 46, 236, 18})),
      Label3(GroupBox1.add<tk::Label>("Label3", {156, 72, 236, 18})),
      Label4(GroupBox1.add<tk::Label>("Label4", {156, 92, 236, 18})),
      Memo1(GroupBox1.add<tk::Memo>("Memo1", {156, 118, 236, 82})),
      Button1(GroupBox1.add<tk::Button>("Button1", {316, 208, 76, 26}))
{
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({.systemMenu = true, .minimise = false, .maximise = false});
    setPosition(Position::MainFormCentre);
    setColour(DialogFace);

    Image1.setImage(app::ProductPicture());
    Label1.setFont({.family = {}, .pointSize = 13, .bold = true, .colour = {}});
    Label3.setCaption("Channel, squelch and modem board setup");
    Label4.setCaption("for the ZR650/T radio data transceiver");
    Memo1.setReadOnly(true);
    Memo1.setScrollBars(tk::Memo::ScrollBars::Vertical);
    Memo1.setColour(DialogFace);
    Button1.setCaption("&OK");
    Button1.setDefault(true);

    onCreate = [this](tk::Control& s) { FormCreate(s); };
    onClose = [this](tk::Control& s, tk::CloseAction& a) { FormClose(s, a); };
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };
}

void TAboutBox::FormCreate(tk::Control&)
{
    Label1.setCaption(ApplicationTitle);
    ApplyLanguage(LanguageIndex);
}

void TAboutBox::Button1Click(tk::Control&)
{
    close();
}

void TAboutBox::FormClose(tk::Control&, tk::CloseAction&)
{
    if (MForm != nullptr)
        MForm->show();
}

}  // namespace varnel
