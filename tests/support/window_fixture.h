// The main window and the adjustment window on the headless backend, as the
// application holds them (MForm and Adjust set), for window tests; the radio
// port can be linked to a pseudo-terminal the test plays.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "adjust/adjust.h"
#include "app/instances.h"
#include "app/language_texts.h"
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

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LanguageTexts = EnglishLanguageTexts();
        LanguageIndex = LanguageEnglish;
        form = std::make_unique<TMForm>();
        MForm = form.get();
        adjust = std::make_unique<TAdjust>();
        Adjust = adjust.get();
        adjust->create();
        form->show();
    }

    void TearDown() override
    {
        Adjust = nullptr;
        adjust.reset();
        MForm = nullptr;
        form.reset();
    }

    // Opens ComPort1 on COM<com> of the current port directory.
    void OpenPort(int com)
    {
        form->ComPort1.fSetPort(com);
        form->ComPort1.fSetActive(true);
        ASSERT_TRUE(form->ComPort1.fGetActive()) << "COM" << com;
    }

    // A checked reply handed to the dispatcher as the package handler would.
    void Reply(std::uint8_t command, const Bytes& data) { form->DispatchReply(Frame(command, data)); }

    // Runs the window's posted notifications until the condition holds.
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        return backend.waitForPosts(condition, timeout);
    }

    std::int64_t TxCount() const { return form->Link.TxByteCount.value(); }
    std::vector<std::string> Messages() const { return backend.messageTexts(); }
    std::string Result() const { return form->RzStatusPane4.caption(); }

    tk::HeadlessBackend backend;
    tk::Application app{backend};
    std::unique_ptr<TMForm> form;
    std::unique_ptr<TAdjust> adjust;
};

// The window test with a radio line as COM7.
class LineWindowTest : public WindowTest {
protected:
    void OpenPort() { WindowTest::OpenPort(radio.com()); }

    // The next request on the line.
    Bytes Sent()
    {
        auto frame = radio.readFrame();
        EXPECT_TRUE(frame.has_value()) << "no request on the line";
        return frame.value_or(Bytes{});
    }

    // A reply on the line, and the wait until the window has counted it.
    bool Answer(std::uint8_t command, const Bytes& data)
    {
        const Bytes reply = Frame(command, data);
        const std::int64_t before = form->Link.RxByteCount.value();
        radio.write(reply);
        return WaitFor([&] { return form->Link.RxByteCount.value() >= before + static_cast<std::int64_t>(reply.size()); });
    }

    RadioLine radio{7};
};

} // namespace varnel::test
