// A pseudo-terminal published as <port dir>/COM<n>. The emulator keeps the
// slave side open itself so that the line settings the tool applies stay
// readable and the master never reports a hang-up between the tool's opens.
#pragma once

#include "radio_sim/board_model.h"

#include <memory>
#include <optional>
#include <string>

namespace varnel::radio_sim {

class PtyPort {
public:
    // Null with `error` set when the pty cannot be made or the link is taken:
    // an existing COMn that leads to a live device is never replaced, a stale
    // link (its target gone) is.
    static std::unique_ptr<PtyPort> Publish(const std::string& portDir, int com, std::string& error);

    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    int masterFd() const { return master_; }
    int com() const { return com_; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& linkPath() const { return linkPath_; }

    // Speed and parity the other side has set, read through the master
    // (which shows the slave's termios). A Linux pty clears PARENB and CSIZE
    // in what it stores, so parity is read from what survives: PARODD for
    // odd, CMSPAR for mark/space, INPCK (input parity check) for even. A line
    // with none of them is none, or even set without INPCK: unless
    // `strictParity`, it is reported as possibly even.
    std::optional<LineSettings> Line(bool strictParity) const;

private:
    PtyPort() = default;

    int master_ = -1;
    int slave_ = -1;
    int com_ = 0;
    std::string slavePath_;
    std::string linkPath_;
};

} // namespace varnel::radio_sim
