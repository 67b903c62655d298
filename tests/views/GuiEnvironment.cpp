// One offscreen application for the whole suite: the writers draw text into pictures.
#include "GuiApp.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<quarvik::GuiApp>(); }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<quarvik::GuiApp> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
