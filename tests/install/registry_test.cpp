#include "platform/registry.h"

#include <gtest/gtest.h>

#include "scratch_environment.h"

namespace foldant {
namespace {

using platform::ReadLocalMachineString;

class Registry : public testing::ScratchEnvironmentTest {};

constexpr char kKey[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7E3A9C21-4B5D}_is1";

TEST_F(Registry, ValueIsTheFileTextBelowTheKeyFolders) {
    WriteRegistryValue(kKey, "InstallLocation", "/opt/Varnel \xC4nderung");
    EXPECT_EQ(ReadLocalMachineString(kKey, "InstallLocation"), "/opt/Varnel \xC4nderung");
    // The same key with "/" between its parts and without the leading delimiter.
    EXPECT_EQ(ReadLocalMachineString(
                  "SOFTWARE/Microsoft/Windows/CurrentVersion/Uninstall/{7E3A9C21-4B5D}_is1",
                  "InstallLocation"),
              "/opt/Varnel \xC4nderung");
}

TEST_F(Registry, NamesAreMatchedWithoutRegardToCase) {
    WriteRegistryValue(kKey, "InstallLocation", "/opt/varnel");
    EXPECT_EQ(ReadLocalMachineString(
                  "\\software\\MICROSOFT\\windows\\currentversion\\uninstall\\{7e3a9c21-4b5d}_IS1",
                  "installlocation"),
              "/opt/varnel");
}

TEST_F(Registry, OneTrailingLineEndIsNotPartOfTheValue) {
    WriteRegistryValue(kKey, "A", "/opt/a\n");
    WriteRegistryValue(kKey, "B", "/opt/b\r\n");
    WriteRegistryValue(kKey, "C", "");
    EXPECT_EQ(ReadLocalMachineString(kKey, "A"), "/opt/a");
    EXPECT_EQ(ReadLocalMachineString(kKey, "B"), "/opt/b");
    EXPECT_EQ(ReadLocalMachineString(kKey, "C"), "");
}

TEST_F(Registry, MissingKeysAndValuesGiveNothing) {
    WriteRegistryValue(kKey, "InstallLocation", "/opt/varnel");
    EXPECT_EQ(ReadLocalMachineString(kKey, "DisplayName"), std::nullopt);
    EXPECT_EQ(ReadLocalMachineString("\\SOFTWARE\\Other", "InstallLocation"), std::nullopt);
    // A key is never a value, and no key part may leave the tree.
    EXPECT_EQ(ReadLocalMachineString("\\SOFTWARE\\Microsoft", "Windows"), std::nullopt);
    EXPECT_EQ(
        ReadLocalMachineString("\\SOFTWARE\\..\\..\\HKEY_LOCAL_MACHINE\\SOFTWARE", "Microsoft"),
        std::nullopt);
}

TEST_F(Registry, RootComesFromTheEnvironment) {
    WriteRegistryValue(kKey, "InstallLocation", "/opt/one");
    Remember("FOLDANT_REGISTRY_ROOT", Path("elsewhere"));
    EXPECT_EQ(ReadLocalMachineString(kKey, "InstallLocation"), std::nullopt);
    EXPECT_EQ(platform::RegistryRoot(), Path("elsewhere") + "/");
}

}  // namespace
}  // namespace foldant
