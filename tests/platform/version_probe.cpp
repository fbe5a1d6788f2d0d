// Built with an embedded product version; prints what it reads from its own
// file and where it lives, for the platform tests.
#include "platform/executable.h"
#include "platform/product_version.h"

#include <cstdio>

int main()
{
    using namespace varnel::platform;
    std::printf("%s\n%s\n", GetProductVersion(ExecutablePath()).c_str(), ExecutableDirectory().c_str());
    return 0;
}
