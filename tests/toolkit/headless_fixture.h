#pragma once

#include <gtest/gtest.h>

#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace varnel::tk::test {

// One headless application per test.
class HeadlessTest : public ::testing::Test {
protected:
    HeadlessBackend backend;
    Application app{backend};
};

}  // namespace varnel::tk::test
