// Wall time of a full 16-channel table read and write through the main window
// against the radio emulator over a pseudo-terminal, beside the framing floor:
// every one of the 32 replies is cut only after one package interval of quiet.
//
//   bench_channel_table [runs]    (default 5; the median is printed)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/instances.h"
#include "radio/channel_values.h"
#include "radio/emulator_process.h"
#include "radio/mform.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace {

using Clock = std::chrono::steady_clock;
using varnel::TMForm;

constexpr int kCom = 5;
constexpr auto kDeadline = std::chrono::seconds(120);

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Clicks the button and waits for the transfer's result text; seconds, or a
// negative value when it did not end with `expected`.
double Timed(varnel::tk::HeadlessBackend& backend, TMForm& form, varnel::tk::Button& button, const char* expected)
{
    form.RzStatusPane4.setCaption("");
    const auto start = Clock::now();
    button.userClick();
    backend.waitForPosts([&] { return !form.RzStatusPane4.caption().empty(); }, kDeadline);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return form.RzStatusPane4.caption() == expected ? seconds : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    varnel::tk::HeadlessBackend backend;
    varnel::tk::Application app(backend);
    varnel::test::EmulatorProcess emulator(kCom);
    if (!emulator.ready()) {
        std::fprintf(stderr, "bench_channel_table: the emulator did not start\n");
        return 1;
    }
    auto form = std::make_unique<TMForm>();
    varnel::MForm = form.get();
    form->show();
    form->ComPort1.fSetPort(kCom);
    form->ComPort1.fSetActive(true);
    form->Edit56.setText("4.0");
    for (int c = 1; c <= 16; ++c) {
        form->TransmitBox(c)->setText(varnel::radio::FormatMHz(440.0 + c * 0.0125));
        form->ReceiveBox(c)->setText(varnel::radio::FormatMHz(445.0 + c * 0.0125));
        form->SetChannelPower(c, c % 5);
    }

    std::vector<double> writes;
    std::vector<double> reads;
    for (int run = 0; run < runs; ++run) {
        const double w = Timed(backend, *form, form->Button13, "Write success!");
        const double r = Timed(backend, *form, form->Button12, "Read success!");
        if (w < 0 || r < 0) {
            std::fprintf(stderr, "bench_channel_table: run %d failed (%s)\n", run + 1, form->RzStatusPane4.caption().c_str());
            varnel::MForm = nullptr;
            return 1;
        }
        writes.push_back(w);
        reads.push_back(r);
    }
    varnel::MForm = nullptr;

    const double interval = static_cast<double>(form->ComPort1.fGetPkgInterval()) / 1000.0;
    const double floor = 32 * interval;
    std::printf("channel table over a pty against the emulator, %d runs (median)\n", runs);
    std::printf("  framing floor (32 x %.0f ms package interval): %.3f s\n", interval * 1000, floor);
    std::printf("  full read  (16 records + 16 powers): %.3f s  (%.2f x floor, %.1f ms per exchange)\n",
                Median(reads), Median(reads) / floor, Median(reads) / 32 * 1000);
    std::printf("  full write (16 records + 16 powers): %.3f s  (%.2f x floor, %.1f ms per exchange)\n",
                Median(writes), Median(writes) / floor, Median(writes) / 32 * 1000);
    return 0;
}
