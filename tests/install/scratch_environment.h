#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace foldant::testing {

// A fresh folder per test that serves as the system temporary folder ($TMPDIR) and holds the
// registry tree ($FOLDANT_REGISTRY_ROOT); both variables are restored afterwards.
class ScratchEnvironmentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = "/tmp/fi-" + std::to_string(std::random_device{}() % 1000000000u);
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ + "/tmp");
        std::filesystem::create_directories(root_ + "/registry");
        Remember("TMPDIR", root_ + "/tmp");
        Remember("FOLDANT_REGISTRY_ROOT", root_ + "/registry");
    }

    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value.has_value) {
                ::setenv(name.c_str(), value.text.c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Sets an environment variable for the rest of the test.
    void Remember(const std::string& name, const std::string& value) {
        if (saved_.find(name) == saved_.end()) {
            const char* old = ::getenv(name.c_str());
            saved_[name] = old ? Saved{true, old} : Saved{false, {}};
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    std::string Write(const std::string& relative, const std::string& content) const {
        std::string path = Path(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string WriteScript(const std::string& relative, const std::string& body) const {
        std::string path = Write(relative, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all |
                                               std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
        return path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A registry value under HKEY_LOCAL_MACHINE; the key uses "\" between its parts.
    void WriteRegistryValue(const std::string& key, const std::string& name,
                            const std::string& value) const {
        std::string folder = "registry/HKEY_LOCAL_MACHINE";
        for (char c : key) {
            folder += c == '\\' ? '/' : c;
        }
        Write(folder + "/" + name, value);
    }

    std::string root_;

  private:
    struct Saved {
        bool has_value;
        std::string text;
    };
    std::map<std::string, Saved> saved_;
};

// Waits up to a few seconds for a file to appear with content (written by a started program).
inline std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path, std::ios::binary);
        std::string text(std::istreambuf_iterator<char>(in), {});
        if (!text.empty() && text.back() == '\n') {
            return text;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

}  // namespace foldant::testing
