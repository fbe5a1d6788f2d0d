#pragma once

#include <string>

namespace varnel::platform {

// Full path of the running executable; empty when the system does not tell.
std::string ExecutablePath();

// Directory of the running executable with its trailing separator, e.g.
// "/opt/varnel/bin/"; files kept "beside the executable" are this plus their
// name. Empty (that is, the working directory) when the path is unknown.
std::string ExecutableDirectory();

} // namespace varnel::platform
