#include "core/Unit2.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace marble {
namespace {

TEST(Startup, BuildsTheWindow) {
    FakePlatform platform;
    auto* form = new TForm2(platform, 0x1234);
    EXPECT_EQ(Form2, form);
    delete form;
    EXPECT_EQ(Form2, nullptr);
}

}  // namespace
}  // namespace marble
