#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "pdf/encrypted_copy.h"
#include "pdf/pdf_crypt.h"
#include "pdf/smart_pdf_reader.h"
#include "security_support.h"
#include "tests/support/corpus.h"

// Known answers from an independent implementation: files encrypted by qpdf are checked against
// this engine's algorithms, and this engine's copies of corpus files are checked by qpdf and
// rendered by poppler.

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing_security::CommandResult;
using testing_security::Hex;
using testing_security::JsonMember;
using testing_security::OpenedFile;
using testing_security::Quoted;
using testing_security::ReadFile;
using testing_security::RunCommand;
using testing_security::ScratchFolder;

const fs::path kCorpus = fs::path(FOLDANT_CORPUS_DIR) / "pdf";

struct QpdfReport {
    std::string json;
    std::string key;
};

QpdfReport ShowEncryption(const fs::path& file, const fs::path& capture,
                          const std::string& password = "") {
    const CommandResult result =
        RunCommand("qpdf --json=2 --json-key=encrypt --show-encryption-key --password='" +
                       password + "' " + Quoted(file),
                   capture);
    return {result.output, JsonMember(result.output, "key")};
}

std::string FirstIdString(TSmartPDFReader& reader) {
    auto* id = As<TPDFArray>(reader.Trailer->GetValue("ID", true));
    auto* first = id != nullptr ? As<TPDFString>(id->Item(0)) : nullptr;
    return first != nullptr ? first->Value : std::string();
}

class SecurityQpdf : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing_security::HaveTool("qpdf")) {
            GTEST_SKIP() << "qpdf is not installed";
        }
        if (!foldant::testing::CorpusAvailable()) {
            GTEST_SKIP() << foldant::testing::CorpusMissing();
        }
    }
    // qpdf encrypts the sample with the given options.
    fs::path QpdfEncrypt(const std::string& options, const std::string& name) {
        const fs::path output = scratch_ / name;
        const std::string command = "qpdf --allow-weak-crypto --encrypt " + options + " -- " +
                                    Quoted(kCorpus / "j-Embedded_font.pdf") + " " + Quoted(output);
        EXPECT_EQ(RunCommand(command, scratch_ / "out.txt").status, 0) << command;
        return output;
    }

    ScratchFolder scratch_{"qpdf"};
};

TEST_F(SecurityQpdf, Rc4OwnerUserAndFileKeyAgreeWithQpdfsFiles) {
    const struct {
        std::string options;
        std::string owner;
        std::string user;
        int32_t revision;
        size_t keyLength;
    } cases[] = {
        {"'' '' 40", "", "", 2, 5},
        {"'' '' 40 --print=n --modify=n", "", "", 2, 5},
        {"'' '' 128 --use-aes=n", "", "", 3, 16},
        {"'' '' 128 --use-aes=n --print=low --extract=n --assemble=n", "", "", 3, 16},
        {"user owner 128 --use-aes=n", "owner", "user", 3, 16},
    };
    int index = 0;
    for (const auto& c : cases) {
        const fs::path file = QpdfEncrypt(c.options, "rc4-" + std::to_string(index++) + ".pdf");
        const QpdfReport report = ShowEncryption(file, scratch_ / "report.txt", c.user);
        TMemoryStream stream(ReadFile(file));
        TSmartPDFReader reader(stream);
        TSmartPDFInfo info(reader, false, std::u16string());
        const TSmartPDFEncryption& read = info.Encryption;
        ASSERT_EQ(read.Revision, c.revision) << c.options;

        EXPECT_EQ(ComputeRc4OwnerValue(c.owner, c.user, c.revision, c.keyLength), read.OwnerEntry)
            << c.options;
        const std::string id = FirstIdString(reader);
        const std::string key = ComputeRc4FileKey(c.user, read.OwnerEntry, read.Permissions, id,
                                                  true, c.revision, c.keyLength);
        EXPECT_EQ(Hex(key), report.key) << c.options;
        const std::string user = ComputeRc4UserValue(key, id, c.revision);
        const size_t compared = c.revision == 2 ? 32 : 16;
        EXPECT_EQ(Hex(user.substr(0, compared)), Hex(read.UserEntry.substr(0, compared)))
            << c.options;
    }
}

TEST_F(SecurityQpdf, AesFilesOpenWithQpdfsKey) {
    const struct {
        std::string options;
        std::u16string password;
        std::string qpdfPassword;
        int32_t revision;
    } cases[] = {
        {"'' '' 128 --use-aes=y", u"", "", 4},
        {"'' '' 256 --force-R5", u"", "", 5},
        {"'' '' 256", u"", "", 6},
        {"user owner 256", u"user", "user", 6},
        {"user owner 256", u"owner", "owner", 6},
        {"u\xc3\xa4 owner 256", u"u\u00e4", "u\xc3\xa4", 6},
    };
    int index = 0;
    for (const auto& c : cases) {
        const fs::path file = QpdfEncrypt(c.options, "aes-" + std::to_string(index++) + ".pdf");
        const QpdfReport report = ShowEncryption(file, scratch_ / "report.txt", c.qpdfPassword);
        TMemoryStream stream(ReadFile(file));
        TSmartPDFReader reader(stream);
        TSmartPDFInfo info(reader, false, c.password);
        EXPECT_EQ(info.Encryption.Revision, c.revision) << c.options;
        EXPECT_EQ(info.Encryption.UsesAES, 1) << c.options;
        ASSERT_TRUE(info.Authenticated) << c.options;
        EXPECT_EQ(Hex(info.Crypt->FileKey), report.key) << c.options;
    }
}

// Sanitizer builds copy a smaller sample; FOLDANT_SECURITY_SAMPLES sets the size.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultSamples = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kDefaultSamples = 8;
#else
constexpr int kDefaultSamples = 48;
#endif
#else
constexpr int kDefaultSamples = 48;
#endif

// Files that poppler draws differently after qpdf's own rewrite too, so a copy cannot match.
bool DrawnDifferentlyAfterAnyRewrite(const std::string& name) {
    // The last revision drops the page's contents; poppler misses an object of that revision,
    // rebuilds the cross-reference data from the whole file and draws an earlier revision's
    // contents. A rewrite keeps only the last revision.
    return name == "q-incremental-3.pdf";
}

// Every n-th clean, unencrypted corpus file with pages; FOLDANT_SECURITY_SAMPLES sets how many.
std::vector<std::string> CorpusSample() {
    std::vector<std::pair<long, std::string>> clean;
    std::ifstream manifest(kCorpus.parent_path() / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.size() < 5 || fields[3] != "no" || fields[4] != "clean" || fields[2].empty() ||
            !std::all_of(fields[2].begin(), fields[2].end(), ::isdigit) || fields[2] == "0") {
            continue;
        }
        clean.emplace_back(std::atol(fields[1].c_str()), fields[0]);
    }
    std::sort(clean.begin(), clean.end());
    const char* wanted = std::getenv("FOLDANT_SECURITY_SAMPLES");
    const size_t count = std::max(1, wanted != nullptr ? std::atoi(wanted) : kDefaultSamples);
    std::vector<std::string> sample;
    const size_t step = std::max<size_t>(1, clean.size() / count);
    for (size_t i = step / 2; i < clean.size() && sample.size() < count; i += step) {
        sample.push_back(clean[i].second);
    }
    return sample;
}

TEST_F(SecurityQpdf, EveryLevelOfCorpusCopiesIsAcceptedAndRendersAsTheSource) {
    const bool render = testing_security::HaveTool("pdftoppm");
    const struct {
        uint8_t level;
        uint8_t permissions;
        uint8_t extras;
        std::string version;
        std::string revision;
        std::string bits;
    } levels[] = {
        {0, 1, 0, "1", "2", "40"},  {1, 1, 0, "2", "3", "128"}, {2, 15, 15, "4", "4", "128"},
        {3, 0, 0, "5", "5", "256"}, {5, 3, 5, "5", "6", "256"},
    };
    const std::vector<std::string> sample = CorpusSample();
    ASSERT_FALSE(sample.empty());
    for (const std::string& name : sample) {
        const fs::path source = kCorpus / name;
        std::string sourcePage;
        if (render) {
            RunCommand("pdftoppm -r 30 -f 1 -l 1 " + Quoted(source), scratch_ / "source.ppm");
            sourcePage = ReadFile(scratch_ / "source.ppm");
        }
        for (const auto& level : levels) {
            const std::string context = name + " level " + std::to_string(level.level);
            const fs::path copy = scratch_ / "copy.pdf";
            TPdfLibrary::Refusal failureCode = TPdfLibrary::kNoRefusal;
            ASSERT_TRUE(EncryptedCopyFiles(source.string(), copy.string(), level.permissions,
                                           level.extras, level.level, failureCode))
                << context;

            const QpdfReport report = ShowEncryption(copy, scratch_ / "report.txt");
            EXPECT_EQ(JsonMember(report.json, "V"), level.version) << context;
            EXPECT_EQ(JsonMember(report.json, "R"), level.revision) << context;
            EXPECT_EQ(JsonMember(report.json, "bits"), level.bits) << context;
            EXPECT_EQ(JsonMember(report.json, "P"),
                      std::to_string(static_cast<int32_t>(
                          BuildPermissionWord(level.level, level.permissions, level.extras))))
                << context;
            EXPECT_EQ(JsonMember(report.json, "userpasswordmatched"), "true") << context;
            EXPECT_EQ(JsonMember(report.json, "ownerpasswordmatched"), "true") << context;
            OpenedFile opened(ReadFile(copy));
            ASSERT_TRUE(opened.info->Authenticated) << context;
            EXPECT_EQ(Hex(opened.info->Crypt->FileKey), report.key) << context;

            const CommandResult check =
                RunCommand("qpdf --password='' --check " + Quoted(copy), scratch_ / "check.txt");
            EXPECT_EQ(check.status, 0) << context << "\n" << check.output;
            if (render && !DrawnDifferentlyAfterAnyRewrite(name)) {
                RunCommand("pdftoppm -r 30 -f 1 -l 1 " + Quoted(copy), scratch_ / "copy.ppm");
                const std::string page = ReadFile(scratch_ / "copy.ppm");
                EXPECT_FALSE(page.empty()) << context;
                // Every value of the page is written back as read, so the copy draws the same.
                EXPECT_TRUE(page == sourcePage) << context << ": the first page differs";
            }
        }
    }
}

}  // namespace
}  // namespace foldant
