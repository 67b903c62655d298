// A fresh program folder per test: QUARVIK_HOME points at a new temporary folder, removed after.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quarvik {

class TempHomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarvik-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = pattern;
        setenv("QUARVIK_HOME", home_.c_str(), 1);
    }

    void TearDown() override
    {
        unsetenv("QUARVIK_HOME");
        std::filesystem::remove_all(home_);
    }

    std::string HomeFile(const std::string& name) const { return home_ + "/" + name; }

    std::string home_;
};

}  // namespace quarvik
