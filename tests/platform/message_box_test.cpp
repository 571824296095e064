#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"

namespace qo {
namespace {

TEST(MessageBox, WithoutADisplayCaptionAndTextGoToStandardError) {
    test::ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
    ::testing::internal::CaptureStderr();
    show_message_box("QoFenro", "Manifesto gerado com sucesso.", MessageBoxKind::Information);
    const std::string output = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(output.find("QoFenro"), std::string::npos);
    EXPECT_NE(output.find("Manifesto gerado com sucesso."), std::string::npos);
}

}  // namespace
}  // namespace qo
