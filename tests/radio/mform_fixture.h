// One main window per test on the headless backend, its port on a pty whose
// far end the test plays.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "link/frame_codec.h"
#include "radio/mform.h"
#include "support/radio_line.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace varnel::test {

inline Bytes B(std::initializer_list<int> values)
{
    Bytes bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

inline Bytes Frame(std::uint8_t command, const Bytes& data) { return link::BuildFrame(command, data); }

// Data of a 0x20 channel-record reply: sub-code 0x24, channel, tx, rx + offset.
inline Bytes RecordData(int channel, std::uint32_t txUnits, std::uint32_t rxUnits)
{
    Bytes data{0x24, static_cast<std::uint8_t>(channel)};
    const auto tx = link::UnitsToBcd(txUnits).value();
    const auto rx = link::UnitsToBcd(rxUnits + link::RxFrequencyOffset).value();
    data.insert(data.end(), tx.begin(), tx.end());
    data.insert(data.end(), rx.begin(), rx.end());
    return data;
}

class MFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LanguageTexts = EnglishLanguageTexts();
        form = std::make_unique<TMForm>();
        MForm = form.get();
        overlay = std::make_unique<TLoadingForm>();
        LoadingForm = overlay.get();
        form->show();
    }

    void TearDown() override
    {
        LoadingForm = nullptr;
        overlay.reset();
        MForm = nullptr;
        form.reset();
    }

    void OpenPort()
    {
        form->ComPort1.fSetPort(peer.com());
        form->ComPort1.fSetActive(true);
        ASSERT_TRUE(form->ComPort1.fGetActive());
    }

    // A reply handed to the dispatcher as the package handler would.
    void Reply(std::uint8_t command, const Bytes& data) { form->DispatchReply(Frame(command, data)); }

    // The next request on the line.
    Bytes Sent()
    {
        auto frame = peer.readFrame();
        EXPECT_TRUE(frame.has_value()) << "no request on the line";
        return frame.value_or(Bytes{});
    }

    std::int64_t TxCount() const { return form->Link.TxByteCount.value(); }
    std::vector<std::string> Messages() const { return backend.messageTexts(); }

    // Identity as after a model reply for the given hardware version.
    void SetHardware(const char* version) { form->Edit56.setText(version); }

    tk::HeadlessBackend backend;
    tk::Application app{backend};
    RadioLine peer{7};
    std::unique_ptr<TMForm> form;
    std::unique_ptr<TLoadingForm> overlay;
};

} // namespace varnel::test
