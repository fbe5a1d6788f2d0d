#include "platform/executable.h"

#include <cerrno>
#include <vector>

#include <unistd.h>

namespace varnel::platform {

std::string ExecutablePath()
{
    // readlink does not say whether it truncated, so grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        const auto size = static_cast<std::size_t>(length);
        if (size < buffer.size())
            return std::string(buffer.data(), size);
        if (buffer.size() >= 1u << 20)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory()
{
    const std::string path = ExecutablePath();
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

} // namespace varnel::platform
