#pragma once

// The two scripts that decide when the module takes part in a sending job: the setup script
// "setup.pas" beside the host's database, run here for every job, and the filter script the
// host suite runs itself with the job's attachment names.

#include <array>
#include <string>
#include <vector>

namespace foldant {

// The default setup script, Windows-1252, one entry per line.
extern const std::array<const char*, 27> kDefaultSetupScriptLines;
// The 27 lines joined by CR LF, without a line break after the last one.
std::string DefaultSetupScript();

// The 13 lines of the filter script, each followed by CR LF.
std::string FilterScript();

// DBPath with a folder delimiter appended when it has none at its end (an empty path stays
// empty), followed by "foldant.setup/".
std::string SetupFolder(const std::string& DBPath);

// True: the window must not be shown for this job. Waits for the script engine, loads the
// order data and runs "setup.pas" (writing the default script when the file is missing or
// blank). Every failure answers false.
bool RunSetupScript(const std::string& DBPath, const std::string& JSONFileName);

// Shows "setup.pas" selected in a file manager; nothing for an empty DBPath or a missing file.
void ShowSetupScript(const std::string& DBPath);

class TScriptStartThread;

// Runs text as the setup script on the process's engine, with the order data already loaded:
// "ThisForBidden" starts False, and its value after the run is the answer. A compile or run
// failure is recorded in the fill data's error text.
bool RunSetupScriptText(TScriptStartThread& thread, const std::string& text);

// The text of a setup script file after the rules for reading it: blanks at both ends removed,
// and the default script in place of a blank file.
std::string PrepareSetupScriptText(const std::string& text);

// Runs the filter script as the host suite does: "attachments" holds the names (null: absent),
// and the answer is "ThisResult". errorText receives the error text of a failed run.
bool RunFilterScript(const std::vector<std::string>* attachments, std::string* errorText = nullptr);

// The text of a setup script file: UTF-8 when the bytes are valid UTF-8 (a leading byte-order
// mark is dropped), else Windows-1252; the answer is Windows-1252.
std::string SetupScriptTextFromFile(const std::string& bytes);

}  // namespace foldant
