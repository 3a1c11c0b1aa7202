#include "script/setup_script.h"

#include <string_view>
#include <vector>

#include "platform/shell.h"
#include "platform/windows1252.h"
#include "script/script_runtime.h"
#include "util/file_utils.h"

namespace foldant {

const std::array<const char*, 27> kDefaultSetupScriptLines = {
    "begin ",
    "(**",
    "Was macht dieses Script?",
    "Hier kann man festlegen, unter welchen Umst\xE4nden die Foldant Funktion benutzt wird",
    "In der Standardeinstellung wird das Fenster immer erscheinen",
    "\xDC"
    "ber die Funktionen k\xF6nnen Sie festlegen, unter welchen Bedingungen das Fenster erscheint",
    "Es kann der Inhalt der Auftragfelder und der Inhalt der Adressfelder ausgewertet werden",
    "",
    "Alle Funktionen:",
    "function Adress(Index:string):string",
    "function Order(Index:string):string",
    "function  Main(Index:string):string",
    "function Part(Row:Integer;Index:string):string",
    "function PartCount :Integer",
    "function AnsiContainsText(const AText, ASubText: string): Boolean;",
    "ToClipboard; //schreibt alle Daten in die Zwischenablage, gut um Inhalte und Feldnamen zu "
    "sehen ",
    "**)",
    "//Beispiel 1: Das Programm wird nur genutzt, wenn im Adressfeld R1 (1. Feld rechts oben) der "
    "Text FOLDANT irgendwo steht",
    "ThisForBidden:= not AnsiContainsText(Adress('R1'),'FOLDANT'); ",
    "//Beispiel 2: Das Programm wird nur genutzt, wenn im Adressfeld L2 (2. Feld links oben) der "
    "Text XXX irgendwo steht",
    "ThisForBidden:= not AnsiContainsText(Adress('L2'),'xxx');",
    "//Die n\xE4"
    "chste Zeile ignoriert die vorhergehenden Beispiele, die Funktion wird immer genutzt",
    "ThisForBidden := False;",
    "//Zeilen die nicht wirken sollen versehen Sie einfach mit // am Anfang",
    "//Um zu sehen, wie die Namen der Felder lauten f\xFCgen Sie die Zeile ToClipboard; ein. Nach "
    "einem Aufruf liegt der Inhalt des Auftrages in der Zwischenablage",
    "//*************** Die Anpassung kann auch kostenlos von uns durchgef\xFChrt werden "
    "***************",
    "end. ",
};

namespace {

constexpr std::array<const char*, 13> kFilterScriptLines = {
    "var i: Integer;",
    "begin",
    "  ThisResult := False;",
    "  if attachments <> nil then",
    "    for i := 0 to attachments.Count - 1 do",
    "    begin",
    "      if LowerCase(ExtractFileExt(attachments[i])) = '.pdf' then",
    "      begin",
    "        ThisResult := True;",
    "        Exit;",
    "      end;",
    "    end;",
    "end.",
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The file's text is UTF-8 on this platform; people edit it with editors that write UTF-8.
void WriteDefaultScript(const std::string& path) {
    std::vector<std::string> lines;
    for (const char* line : kDefaultSetupScriptLines) {
        lines.push_back(AnsiToUtf8(line));
    }
    SaveLinesRetry(lines, path);
}

std::string ReadScriptFile(const std::string& path) {
    std::vector<std::string> lines;
    LoadLinesRetry(lines, path);
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return SetupScriptTextFromFile(bytes);
}

}  // namespace

bool RunSetupScriptText(TScriptStartThread& thread, const std::string& text) {
    TScript* script = thread.Script();
    if (script == nullptr) {
        return false;
    }
    TFillData& fill = thread.FillData();
    fill.ClearAll();
    fill.PutVariable("ThisForBidden", "Boolean", true, ScriptValue::FromBool(false));
    script->Engine().SetScriptText(text);
    script->RunScript();
    if (script->CompileSucceeded()) {
        for (const auto& variable : fill.Variables()) {
            variable->Value = script->Engine().GetVariable(variable->Name);
        }
    }
    TVarData* forbidden = fill.FindVariable("ThisForBidden");
    return forbidden != nullptr && forbidden->Value.AsBool();
}

std::string PrepareSetupScriptText(const std::string& text) {
    std::string trimmed = TrimBlanks(text);
    return trimmed.empty() ? DefaultSetupScript() : trimmed;
}

bool RunFilterScript(const std::vector<std::string>* attachments, std::string* errorText) {
    TFillData fill;
    TScriptHelper helper;
    std::unique_ptr<ScriptStringList> list;
    if (attachments != nullptr) {
        list = std::make_unique<ScriptStringList>(*attachments);
    }
    fill.AddObject("attachments", list.get());
    fill.PutVariable("ThisResult", "Boolean", true, ScriptValue::FromBool(false));
    TScript script(FilterScript(), &fill);
    helper.RegisterFunctions(script.Engine());
    script.RunScript();
    if (errorText != nullptr) {
        *errorText = fill.ErrorText();
    }
    try {
        return script.CompileSucceeded() && script.Engine().GetVariable("ThisResult").AsBool();
    } catch (const ScriptError&) {
        return false;
    }
}

std::string DefaultSetupScript() {
    std::string text;
    for (size_t i = 0; i < kDefaultSetupScriptLines.size(); ++i) {
        if (i > 0) {
            text += "\r\n";
        }
        text += kDefaultSetupScriptLines[i];
    }
    return text;
}

std::string FilterScript() {
    std::string text;
    for (const char* line : kFilterScriptLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string SetupFolder(const std::string& DBPath) {
    std::string folder = DBPath;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder + "foldant.setup/";
}

std::string SetupScriptTextFromFile(const std::string& bytes) {
    // Some editors begin a UTF-8 file with a byte-order mark; it is no part of the script.
    std::string_view text = bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    return IsValidUtf8(text) ? Utf8ToAnsi(text) : std::string(text);
}

bool RunSetupScript(const std::string& DBPath, const std::string& JSONFileName) {
    TScriptStartThread* thread = ScriptStartThread();
    if (thread == nullptr) {
        return false;
    }
    thread->WaitUntilReady();
    thread->Helper().LoadOrder(JSONFileName);
    if (!thread->Helper().OrderData().IsValid()) {
        return false;
    }
    bool forbidden = false;
    try {
        std::string path = SetupFolder(DBPath) + "setup.pas";
        std::string text = TrimBlanks(ReadScriptFile(path));
        if (text.empty()) {
            text = DefaultSetupScript();
            WriteDefaultScript(path);
        }
        forbidden = RunSetupScriptText(*thread, text);
    } catch (const std::exception&) {
        // A setup script that cannot be read, written or run never hides the window.
    }
    return forbidden;
}

void ShowSetupScript(const std::string& DBPath) {
    if (DBPath.empty()) {
        return;
    }
    platform::ShowFileInFileManager(SetupFolder(DBPath) + "setup.pas");
}

}  // namespace foldant
