// The program entry: the Qt renderer, the toolkit's application, the
// windows, the message loop.
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "toolkit/application.h"
#include "toolkit_qt/qt_backend.h"

int main(int argc, char** argv)
{
    using namespace varnel;

    // Help needs no display, so it comes before the window system.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(app::CommandLineUsage().c_str(), stdout);
            return 0;
        }
    }

    // The backend next: QApplication takes its own options out of argv.
    tk::QtBackend qt(argc, argv);

    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    app::CommandLine line = app::ParseCommandLine(args);
    if (!line.error.empty()) {
        std::fprintf(stderr, "varnel: %s\n\n%s", line.error.c_str(), app::CommandLineUsage().c_str());
        return 2;
    }

    tk::Application toolkit(qt);
    app::Application application(std::move(line.options));
    return application.run();
}
