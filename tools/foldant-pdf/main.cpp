// foldant-pdf: the PDF engine from the command line.
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/page_tree.h"
#include "pdf/pdf_error.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_stream.h"
#include "platform/os_error.h"
#include "platform/process.h"
#include "platform/windows1252.h"
#include "tools/foldant-pdf/compact_command.h"
#include "tools/foldant-pdf/encrypt_command.h"
#include "tools/foldant-pdf/join_command.h"

namespace {

using foldant::TSmartPDFReader;

constexpr int kExitUsage = 2;
// For a command that checks its own arguments.
constexpr size_t kAnyCount = static_cast<size_t>(-1);

struct Command {
    std::string_view name;
    std::string_view usage;
    size_t minArguments;
    size_t maxArguments;
    int (*run)(const std::vector<std::string>& arguments);
};

// Counts the numbers 1..ObjectCount that yield no object. The objects go into a scratch store
// that is renewed regularly, so memory stays flat however large the file is.
int32_t CountUnreadable(TSmartPDFReader& reader) {
    int32_t unreadable = 0;
    auto scratch = std::make_unique<foldant::TPDFStructure>();
    for (int32_t n = 1; n <= reader.ObjectCount(); ++n) {
        if (reader.GetObject(n, scratch.get()) == nullptr) {
            ++unreadable;
        }
        if (scratch->Count() > 100) {
            scratch = std::make_unique<foldant::TPDFStructure>();
        }
    }
    return unreadable;
}

// The engine says only "Error" when a file cannot be opened; the user wants to know why.
[[noreturn]] void ThrowOpenError(const std::string& utf8Path) {
    std::string reason = "Error";
    try {
        foldant::platform::FileStream::Open(
            foldant::Utf8ToUtf16(utf8Path), foldant::platform::FileAccess::Read,
            foldant::platform::FileShare::ReadWrite, foldant::platform::FileCreation::OpenExisting);
    } catch (const foldant::platform::OsError& error) {
        reason += ": " + foldant::platform::SystemErrorText(error.Errno());
    }
    throw std::runtime_error(reason);
}

int RunCheck(const std::vector<std::string>& arguments) {
    const std::u16string path = foldant::Utf8ToUtf16(arguments[0]);
    std::unique_ptr<foldant::TWideFileStream> opened;
    try {
        opened =
            std::make_unique<foldant::TWideFileStream>(path, foldant::TWideFileStream::kModeRead);
    } catch (const foldant::PdfError&) {
        ThrowOpenError(arguments[0]);
    }
    foldant::TWideFileStream& file = *opened;
    TSmartPDFReader reader(file);
    const int32_t unreadable = CountUnreadable(reader);
    const int32_t pages = foldant::CountPages(reader);
    std::printf("version: %s\n", reader.Version.c_str());
    std::printf("failure: %d\n", reader.FailureCode);
    std::printf("encrypted: %s\n", reader.Encrypted ? "yes" : "no");
    std::printf("objects: %d\n", reader.ObjectCount());
    std::printf("unreadable: %d\n", unreadable);
    std::printf("pages: %d\n", pages);
    return reader.FailureCode == 0 ? 0 : 1;
}

const Command kCommands[] = {
    {"check", "check FILE", 1, 1, RunCheck},
    {"join", foldant::kJoinUsage, 0, kAnyCount, foldant::RunJoin},
    {"encrypt", foldant::kEncryptUsage, 0, kAnyCount, foldant::RunEncrypt},
    {"compact", foldant::kCompactUsage, 0, kAnyCount, foldant::RunCompact},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const Command& command : kCommands) {
        std::fprintf(out, "  foldant-pdf %.*s\n", static_cast<int>(command.usage.size()),
                     command.usage.data());
    }
}

int Usage() {
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    foldant::platform::Utf8Arguments utf8(argc, argv);
    argc = utf8.Count();
    argv = utf8.Values();
    if (argc < 2) {
        return Usage();
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h") {
        PrintUsage(stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    for (const Command& command : kCommands) {
        if (command.name != name) {
            continue;
        }
        const std::vector<std::string> arguments(argv + 2, argv + argc);
        if (arguments.size() < command.minArguments || arguments.size() > command.maxArguments) {
            return Usage();
        }
        try {
            return command.run(arguments);
        } catch (const std::exception& error) {
            std::string context = argv[1];
            for (const std::string& argument : arguments) {
                context += ' ' + argument;
            }
            std::fprintf(stderr, "foldant-pdf %s: %s\n", context.c_str(), error.what());
            return kExitUsage;
        }
    }
    return Usage();
}
