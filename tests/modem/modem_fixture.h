// The whole program on the headless backend with the modem board window on
// screen and the far ends of its two ports played by the test over real
// pseudo-terminals: COM2 the board's line (send port), COM3 the second
// radio's line (receive port); the radio's own port is COM1.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/shell_fixture.h"
#include "toolkit/controls.h"

namespace varnel {
class TModem;
class TModemComPort;
}  // namespace varnel

namespace varnel::test {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values);
std::string Hex(std::span<const std::uint8_t> bytes);
// A board reply: 55 AA LEN code data sum.
Bytes BoardReply(std::uint8_t code, std::initializer_list<int> data = {});
// 7E, length + 1, text.
Bytes TestFrame(const std::string& text);

// Names parameterised cases by their `name` member.
struct CaseName {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& param) const
    {
        return param.param.name;
    }
};

// The far end of a port: a pseudo-terminal published as COM<n>, which the
// test reads and writes.
class LinePeer {
public:
    LinePeer(const std::filesystem::path& portDir, int com);
    ~LinePeer();
    LinePeer(const LinePeer&) = delete;
    LinePeer& operator=(const LinePeer&) = delete;

    int com() const noexcept { return com_; }
    void write(std::span<const std::uint8_t> bytes);
    // The next board request (55 AA LEN ... sum), bytes before it skipped.
    std::optional<Bytes> readRequest(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The next test frame (7E LEN and LEN - 1 text bytes).
    std::optional<Bytes> readTestFrame(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Exactly `count` bytes as they come.
    std::optional<Bytes> readBytes(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    bool fill(std::chrono::steady_clock::time_point deadline);
    std::optional<Bytes> take(const std::function<std::optional<std::size_t>(Bytes&)>& frameAt,
                              std::chrono::milliseconds timeout);

    int master_ = -1;
    int slaveHold_ = -1;
    int com_;
    Bytes pending_;
};

class ModemWindowTest : public ShellTest {
protected:
    static constexpr int RadioCom = 1;
    static constexpr int BoardCom = 2;
    static constexpr int ReceiveCom = 3;

    void SetUp() override;
    void TearDown() override;

    // Extra Config.ini lines before the start; the port sections of the
    // fixture come first.
    virtual std::string extraConfig() const { return {}; }

    TModem& modem() const;
    TModemComPort& dialog() const;
    // Opens the send port (and the receive port) as the dialog's buttons do.
    void openPorts(bool receiveToo = false);

    // Runs the window's notifications until the condition holds.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The next request on the board line.
    Bytes request();
    // Bytes from the board, and the wait until the window has counted them.
    bool answer(const Bytes& bytes);
    // The dialog's send port lists, through their change handlers.
    void selectSendSettings(const std::string& baud, const std::string& parity);
    // A list of the window by item text.
    static void select(tk::ComboBox& box, const std::string& item);
    static std::string selected(const tk::ComboBox& box);

    std::string result() const;
    std::int64_t txCount() const;

    std::unique_ptr<LinePeer> board;
    std::unique_ptr<LinePeer> secondRadio;
};

}  // namespace varnel::test
