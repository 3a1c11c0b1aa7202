#pragma once

// Install mode: registers the module with the database open in the suite. The suite's program
// Vok does the registration; this checks that the suite and Vok are installed in sufficient
// versions, writes the registration record to "tmp.json", asks the local service for the
// database and starts Vok with the record. Every outcome is told to the user.

#include <cstdint>
#include <functional>
#include <string>

namespace foldant {

inline constexpr char kInstallCaption[] = "Installation";
// MB_SYSTEMMODAL | MB_ICONINFORMATION, with only an OK button.
inline constexpr uint32_t kInstallBoxFlags = 4160;
inline constexpr char kRecordFileName[] = "tmp.json";
inline constexpr char kVokSearchPage[] = "https://www.varnel-software.example/fts.html?q=Vok";

inline constexpr char kVarnelUninstallKey[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{7E3A9C21-4B5D-4E8F-A0C2-91D6B3F85E27}_is1";
inline constexpr char kVokUninstallKey[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{C84F2B6D-1A3E-47D9-8B05-E2F6A9C3D714}_is1";

// Bits of the programs CheckPrograms looks at.
inline constexpr int kCheckVarnel = 1;
inline constexpr int kCheckVok = 2;

// Shows one message box with the caption "Installation" and kInstallBoxFlags.
using TInstallMessage = std::function<void(const std::string& text)>;

// The platform's message box with the caption "Installation".
void ShowInstallMessage(const std::string& text);

struct TProgramVersion {
    bool Exists = false;
    // Empty when the file has no version resource.
    std::string VersionText;
};

TProgramVersion ProgramVersion(const std::string& path);

// The version text without its dots, trimmed, read as a decimal 32-bit integer; 0 when it is
// not one (for example when it is too large).
int32_t VersionNumber(const std::string& versionText);

// The folder of the uninstall entry's "InstallLocation" with a delimiter, followed by the
// executable's name; empty when the entry or the value is missing or empty.
std::string InstalledProgramPath(const std::string& uninstallKey, const std::string& exeName);

// True when every program of the bit set `which` is there in a sufficient version; otherwise
// the user has been told what is wrong.
bool CheckPrograms(const std::string& title, int which, const TInstallMessage& show);

// The whole installation. RecordText is the compact text of the registration record; title the
// module's title. Waits at the end until the queued program starts have been handed over.
void InstallModule(const std::string& title, const std::string& recordText,
                   const TInstallMessage& show = ShowInstallMessage);

}  // namespace foldant
