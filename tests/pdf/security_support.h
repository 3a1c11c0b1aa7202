#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/byte_stream.h"
#include "pdf/pdf_encryption.h"
#include "pdf/smart_pdf_reader.h"
#include "tests/support/command_output.h"

namespace foldant::testing_security {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Quoted(const fs::path& path) {
    return testing::ShellQuoted(path);
}

// A folder of its own for one test, removed afterwards.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name)
        : path_(fs::temp_directory_path() /
                ("foldant-security-" + name + "-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a shell command with standard output captured (standard error discarded).
inline CommandResult RunCommand(const std::string& command, const fs::path& capture) {
    CommandResult result;
    result.status = testing::RunShell(command + " >" + Quoted(capture) + " 2>/dev/null").status;
    result.output = ReadFile(capture);
    return result;
}

inline bool HaveTool(const std::string& name) {
    return testing::CommandStatus("command -v " + name) == 0;
}

inline std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

inline std::string Unhex(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// The value of a JSON member of qpdf's output, as its raw text up to the next comma or line end.
inline std::string JsonMember(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const size_t at = json.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + key.size();
    const size_t end = json.find_first_of(",\n", start);
    std::string value = json.substr(start, end - start);
    if (value.size() >= 2 && value.front() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// An encrypted file opened with the empty password: the reader, and the info whose crypt then
// holds the file key.
struct OpenedFile {
    explicit OpenedFile(std::string bytes)
        : stream(std::move(bytes)),
          reader(stream),
          info(std::make_unique<TSmartPDFInfo>(reader, false, std::u16string())) {}

    TMemoryStream stream;
    TSmartPDFReader reader;
    std::unique_ptr<TSmartPDFInfo> info;
};

}  // namespace foldant::testing_security
