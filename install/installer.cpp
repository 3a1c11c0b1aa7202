#include "install/installer.h"

#include <charconv>
#include <vector>

#include "install/local_service.h"
#include "install/shell_jobs.h"
#include "install/worker_pool.h"
#include "platform/message_box.h"
#include "platform/pe_version.h"
#include "platform/registry.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

constexpr char kVarnelExe[] = "tormex.exe";
constexpr char kVokExe[] = "vok.exe";
constexpr int32_t kNewestTooOldVarnel = 60012537;
constexpr int32_t kNewestTooOldVok = 3000;

// The system's texts are Windows-1252 bytes.
constexpr char kWillNotWork[] = " wird nicht wie erwartet funkionieren!";
constexpr char kVarnelMissing[] = "Varnel fehlt!";
constexpr char kVarnelTooOld[] = "Varnel Version ist zu gering.";
constexpr char kVokMissing[] = "Vok fehlt!";
constexpr char kVokTooOld[] = "Vok Version ist zu gering.";
constexpr char kVokWebPage[] =
    "Vok ist nicht installiert oder die Version ist zu gering.\r\n"
    "Es wird jetzt die Webseite aufgerufen, auf der S\xED"
    "e Vok finden\r\n"
    "Installieren Sie das Programm, und f\xFChren Sie den Vorgang dann nochmals aus.";
constexpr char kOpenDatabase[] =
    "Sie m\xFCssen zur Installation eine Datenbank in Varnel \xF6"
    "ffnen.\r\nWiederholen Sie dann die Installation.";

std::string SuccessText(const std::string& title, const std::string& databasePath) {
    return title + " wurde f\xFCr die Datenbank " + "\r\n" + databasePath + "\r\n" +
           "installiert." + "\r\n" + "F\xFCr andere Datenbanken:" + "\r\n" +
           "\xD6"
           "ffnen Sie die gew\xFCnschte Datenbank in Varnel," +
           "\r\n" + "und wiederholen Sie dann jeweils die Installation.";
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

void WaitForQueuedJobs() {
    if (TWorkerThreadPool* pool = WorkerPool()) {
        pool->WaitForJobs();
    }
}

}  // namespace

void ShowInstallMessage(const std::string& text) {
    platform::ShowMessageBox(kInstallCaption, text);
}

TProgramVersion ProgramVersion(const std::string& path) {
    TProgramVersion result;
    result.Exists = PathIsFile(path);
    if (result.Exists) {
        result.VersionText = platform::ReadFileVersionText(path).value_or(std::string());
    }
    return result;
}

int32_t VersionNumber(const std::string& versionText) {
    std::string digits;
    for (char c : versionText) {
        if (c != '.') {
            digits += c;
        }
    }
    size_t first = 0;
    size_t last = digits.size();
    while (first < last && IsBlankOrControl(digits[first])) {
        ++first;
    }
    while (last > first && IsBlankOrControl(digits[last - 1])) {
        --last;
    }
    const char* begin = digits.data() + first;
    const char* end = digits.data() + last;
    if (begin != end && *begin == '+') {
        ++begin;
    }
    int32_t number = 0;
    auto [stop, error] = std::from_chars(begin, end, number);
    if (begin == end || error != std::errc() || stop != end) {
        return 0;
    }
    return number;
}

std::string InstalledProgramPath(const std::string& uninstallKey, const std::string& exeName) {
    std::string folder =
        platform::ReadLocalMachineString(uninstallKey, "InstallLocation").value_or(std::string());
    if (folder.empty()) {
        return {};
    }
    return WithTrailingDelimiter(folder) + exeName;
}

bool CheckPrograms(const std::string& title, int which, const TInstallMessage& show) {
    std::vector<std::string> complaints;
    bool ok = false;
    if (which & kCheckVarnel) {
        TProgramVersion varnel =
            ProgramVersion(InstalledProgramPath(kVarnelUninstallKey, kVarnelExe));
        if (!varnel.Exists) {
            complaints.push_back(kVarnelMissing);
        } else {
            ok = true;
            if (VersionNumber(varnel.VersionText) <= kNewestTooOldVarnel) {
                complaints.push_back(kVarnelTooOld);
                ok = false;
            }
        }
    }
    int result = ok ? kCheckVarnel : 0;
    if (which & kCheckVok) {
        TProgramVersion vok = ProgramVersion(InstalledProgramPath(kVokUninstallKey, kVokExe));
        if (!vok.Exists) {
            complaints.push_back(kVokMissing);
        } else if (VersionNumber(vok.VersionText) > kNewestTooOldVok) {
            result = ok ? kCheckVarnel | kCheckVok : kCheckVok;
        } else {
            complaints.push_back(kVokTooOld);
        }
    }
    if (result == which) {
        return true;
    }
    std::string text = title + kWillNotWork + "\r\n";
    for (const std::string& line : complaints) {
        text += line + "\r\n";
    }
    show(text);
    return false;
}

void InstallModule(const std::string& title, const std::string& recordText,
                   const TInstallMessage& show) {
    if (!CheckPrograms(title, kCheckVarnel, show)) {
        return;
    }
    if (!CheckPrograms(title, kCheckVok, show)) {
        show(kVokWebPage);
        OpenDocument("open", kVokSearchPage);
        WaitForQueuedJobs();
        return;
    }
    std::string vokPath = InstalledProgramPath(kVokUninstallKey, kVokExe);
    std::string recordPath = GetTempFolder() + kRecordFileName;
    // Written afresh, so that nothing left at the name is followed.
    DeleteFileIfExists(recordPath);
    SaveLinesRetry({recordText}, recordPath);
    std::string databasePath = ReadDBPath();
    if (!databasePath.empty() && PathIsFolder(databasePath)) {
        RunProgram(vokPath, "\"" + recordPath + "\" \"U\"");
        show(SuccessText(title, databasePath));
    } else {
        show(kOpenDatabase);
    }
    WaitForQueuedJobs();
}

}  // namespace foldant
