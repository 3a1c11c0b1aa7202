#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pdf/byte_stream.h"
#include "pdf/name_tree.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_library.h"
#include "pdf/smart_pdf_document.h"
#include "pdf/smart_pdf_reader.h"
#include "tests/pdf/pdf_builder.h"
#include "tests/support/command_output.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing_pdf::PdfBuilder;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// Where the named destinations of a test file live.
enum class Kind { Tree, Dictionary };

struct Named {
    std::string key;
    int page;  // 0-based
};

// Catalog 1, page-tree root 2, pages 3.. and then, numbered on: one link on the first page and
// one outline item per name, alternating between a "Dest" entry and a GoTo action, and the
// names in a two-leaf tree (keys as strings) or in the catalog's "Dests" dictionary (keys as
// name objects). Every other destination is an indirect destination dictionary.
std::string NamedDocument(int pages, Kind kind, const std::vector<Named>& names) {
    int next = 3 + pages;
    std::vector<std::pair<int, std::string>> objects;
    auto add = [&](const std::string& body) {
        objects.emplace_back(next, body);
        return next++;
    };
    auto key = [&](const std::string& text) {
        return kind == Kind::Tree ? "<" + Hex(text) + ">" : "/" + text;
    };
    auto ref = [](int number) { return std::to_string(number) + " 0 R"; };

    std::string links;
    std::vector<std::string> values;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string page = ref(3 + names[i].page);
        values.push_back(i % 2 == 0 ? "[ " + page + " /Fit ]"
                                    : ref(add("<< /D [ " + page + " /XYZ 0 792 0 ] >>")));
        const std::string use = i % 2 == 0 ? "/Dest " + key(names[i].key)
                                           : "/A << /S /GoTo /D " + key(names[i].key) + " >>";
        links +=
            ref(add("<< /Type /Annot /Subtype /Link /Rect [ 0 0 10 10 ] " + use + " >>")) + " ";
    }
    const int outlines = next++;
    std::vector<int> items;
    for (size_t i = 0; i < names.size(); ++i) {
        items.push_back(next + static_cast<int>(i));
    }
    next += static_cast<int>(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        std::string body = "<< /Title (item) /Parent " + ref(outlines);
        if (i > 0) {
            body += " /Prev " + ref(items[i - 1]);
        }
        if (i + 1 < names.size()) {
            body += " /Next " + ref(items[i + 1]);
        }
        body += i % 2 == 0 ? " /Dest " + key(names[i].key)
                           : " /A " + ref(add("<< /S /GoTo /D " + key(names[i].key) + " >>"));
        objects.emplace_back(items[i], body + " >>");
    }
    objects.emplace_back(outlines, "<< /Type /Outlines /First " + ref(items.front()) + " /Last " +
                                       ref(items.back()) + " /Count " +
                                       std::to_string(names.size()) + " >>");

    std::string catalogNames;
    if (kind == Kind::Tree) {
        std::string leaves;
        for (size_t half = 0; half < 2; ++half) {
            const size_t from = half * (names.size() + 1) / 2;
            const size_t to = std::min(names.size(), (half + 1) * (names.size() + 1) / 2);
            if (from >= to) {
                continue;
            }
            std::string pairs;
            for (size_t i = from; i < to; ++i) {
                pairs += key(names[i].key) + " " + values[i] + " ";
            }
            leaves += ref(add("<< /Limits [ " + key(names[from].key) + " " +
                              key(names[to - 1].key) + " ] /Names [ " + pairs + "] >>")) +
                      " ";
        }
        catalogNames = "/Names << /Dests " + ref(add("<< /Kids [ " + leaves + "] >>")) + " >>";
    } else {
        std::string entries;
        for (size_t i = 0; i < names.size(); ++i) {
            entries += key(names[i].key) + " " + values[i] + " ";
        }
        catalogNames = "/Dests " + ref(add("<< " + entries + ">>"));
    }

    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R /Outlines " + ref(outlines) + " " + catalogNames +
                      " >>");
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += ref(3 + i) + " ";
    }
    pdf.Object(2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(pages) +
                      " /MediaBox [ 0 0 612 792 ] >>");
    for (int i = 0; i < pages; ++i) {
        pdf.Object(3 + i, "<< /Type /Page /Parent 2 0 R" +
                              (i == 0 ? " /Annots [ " + links + "]" : std::string()) +
                              (i == pages - 1 ? " /AA << /O << /S /GoTo /D " +
                                                    key(names[1 % names.size()].key) + " >> >>"
                                              : std::string()) +
                              " >>");
    }
    std::sort(objects.begin(), objects.end());
    for (const auto& [number, body] : objects) {
        pdf.Object(number, body);
    }
    pdf.Finish("/Root 1 0 R");
    return pdf.Text();
}

std::string Output(const std::string& command) {
    return testing::CommandOutput(command, " 2>&1");
}

std::string Quoted(const fs::path& path) {
    return testing::ShellQuoted(path);
}

bool HasTools() {
    return testing::CommandStatus("/usr/bin/python3 -c 'import pypdf'") == 0 &&
           testing::CommandStatus("qpdf --version") == 0;
}

// The keys of the joined file's destination tree, in tree order.
std::vector<std::string> JoinedTreeKeys(const std::string& bytes) {
    TMemoryStream stream(bytes);
    TSmartPDFReader reader(stream);
    TSmartPDFDocument document(reader);
    auto resolve = [&document](TPDFObject* object) { return document.Resolve(object); };
    auto* names = As<TPDFDictionary>(resolve(document.Catalog->GetValue("Names")));
    std::vector<std::string> keys;
    if (names != nullptr) {
        for (const TNameTreeEntry& entry : ReadNameTree(names->GetValue("Dests"), resolve)) {
            keys.push_back(entry.Key);
        }
    }
    return keys;
}

class NamedDestinationJoin : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HasTools()) {
            GTEST_SKIP() << "pypdf (/usr/bin/python3) or qpdf not available";
        }
        scratch_ =
            fs::temp_directory_path() / ("foldant-names-" + std::to_string(std::random_device{}()));
        fs::create_directories(scratch_);
    }
    void TearDown() override {
        if (!scratch_.empty()) {
            fs::remove_all(scratch_);
        }
    }

    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path path = scratch_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Joins the files and checks the result with qpdf and with the destination checker, whose
    // report is returned.
    std::string JoinAndCheck(const fs::path& first, const fs::path& second) {
        const fs::path joined = scratch_ / "joined.pdf";
        TPdfLibraryEx library;
        EXPECT_TRUE(library.JoinFiles(first.string(), second.string(), joined.string()));
        return Check(joined, {first, second});
    }

    // The same for a one-pass join of several files onto the first.
    std::string JoinAndCheck(const fs::path& first, const std::vector<fs::path>& items) {
        const fs::path joined = scratch_ / "joined.pdf";
        std::vector<std::string> names;
        for (const fs::path& item : items) {
            names.push_back(item.string());
        }
        TPdfLibraryEx library;
        EXPECT_TRUE(library.JoinFiles(first.string(), names, joined.string()));
        std::vector<fs::path> inputs{first};
        inputs.insert(inputs.end(), items.begin(), items.end());
        return Check(joined, inputs);
    }

    std::string Check(const fs::path& joined, const std::vector<fs::path>& inputs) {
        EXPECT_EQ(testing::CommandStatus("qpdf --check " + Quoted(joined)), 0)
            << Output("qpdf --check " + Quoted(joined));
        std::string command = "/usr/bin/python3 " FOLDANT_SOURCE_DIR
                              "/tests/pdf/destination_pages.py " +
                              Quoted(joined);
        for (const fs::path& input : inputs) {
            command += " " + Quoted(input);
        }
        const testing::ShellResult checked = testing::RunShell(command + " 2>&1");
        EXPECT_EQ(checked.status, 0) << checked.output;
        const std::string& report = checked.output;
        std::ifstream input(joined, std::ios::binary);
        joinedBytes_.assign(std::istreambuf_iterator<char>(input), {});
        return report;
    }

    fs::path scratch_;
    std::string joinedBytes_;
};

TEST(NameTree, ReadsKidsInTreeOrderAndEndsWhereKidsLeadBack) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Kids [ 2 0 R 3 0 R 1 0 R ] >>");
    pdf.Object(2, "<< /Limits [ (a) (b) ] /Names [ (a) 4 0 R /NotAKey 5 (b) [ 9 0 R /Fit ] ] >>");
    pdf.Object(3, "<< /Kids [ 3 0 R 2 0 R ] /Names [ (c) 6 0 R (d) ] >>");
    pdf.Finish("");
    TMemoryStream stream(pdf.Text());
    TSmartPDFReader reader(stream);
    auto resolve = [&reader](TPDFObject* object) {
        auto* reference = As<TPDFIndRef>(object);
        return reference != nullptr ? reader.GetObject(reference->RefNumber, nullptr) : object;
    };
    TPDFStructure store;
    const std::vector<TNameTreeEntry> entries = ReadNameTree(&store.NewReference(1, 0), resolve);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Key, "a");
    EXPECT_EQ(entries[0].Value->WriteToText(), "4 0 R");
    EXPECT_EQ(entries[1].Key, "b");
    EXPECT_EQ(entries[1].Value->WriteToText(), "[ 9 0 R /Fit ]");
    EXPECT_EQ(entries[2].Key, "c");
}

TEST(NameTree, BuildsLeavesSortedAsBytesWithLimitsAndKeepsTheFirstOfEqualKeys) {
    TPDFStructure store;
    std::vector<TNameTreeEntry> entries;
    for (int i = 299; i >= 0; --i) {
        entries.push_back({"k" + std::to_string(1000 + i), &store.NewNumber(i)});
    }
    entries.push_back({"\xE9t\xE9", &store.NewNumber(-1)});
    entries.push_back({"k1005", &store.NewNumber(-2)});
    int32_t numbered = 0;
    std::vector<TPDFDictionary*> leaves;
    TPDFDictionary& root = BuildNameTree(entries, store, [&](TPDFDictionary& leaf) -> TPDFIndRef& {
        leaves.push_back(&leaf);
        return store.NewReference(++numbered, 0);
    });

    EXPECT_EQ(root.GetValue("Names"), nullptr);
    EXPECT_EQ(root.GetValue("Limits"), nullptr);
    ASSERT_EQ(leaves.size(), 3u);
    EXPECT_EQ(root.GetValue("Kids")->WriteToText(), "[ 1 0 R 2 0 R 3 0 R ]");
    EXPECT_EQ(leaves[0]->GetValue("Limits")->WriteToText(), "[ (k1000) (k1127) ]");
    EXPECT_EQ(leaves[2]->GetValue("Limits")->WriteToText(), "[ (k1256) <E974E9> ]");
    auto* first = As<TPDFArray>(leaves[0]->GetValue("Names"));
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->Count(), 256);
    EXPECT_EQ(first->Item(10)->WriteToText(), "(k1005)");
    EXPECT_EQ(first->Item(11)->WriteToText(), "5");

    auto resolve = [&](TPDFObject* object) -> TPDFObject* {
        auto* reference = As<TPDFIndRef>(object);
        return reference != nullptr ? leaves.at(reference->RefNumber - 1) : object;
    };
    const std::vector<TNameTreeEntry> read = ReadNameTree(&root, resolve);
    ASSERT_EQ(read.size(), 301u);
    EXPECT_TRUE(std::is_sorted(read.begin(), read.end(),
                               [](const auto& x, const auto& y) { return x.Key < y.Key; }));
    EXPECT_EQ(read.back().Key, "\xE9t\xE9");
}

TEST(NameTree, KeepsASmallTreeInItsRoot) {
    TPDFStructure store;
    bool leafAdded = false;
    TPDFDictionary& root = BuildNameTree({{"b", &store.NewNumber(2)}, {"a", &store.NewNumber(1)}},
                                         store, [&](TPDFDictionary&) -> TPDFIndRef& {
                                             leafAdded = true;
                                             return store.NewReference(1, 0);
                                         });
    EXPECT_FALSE(leafAdded);
    EXPECT_EQ(root.WriteToText(), "<<\n/Names [ (a) 1 (b) 2 ]\n>>\n");
}

TEST_F(NamedDestinationJoin, NameOfBothFilesIsRenamedInTheSecondFilesLinksAndOutline) {
    const fs::path first = Write(
        "first.pdf", NamedDocument(3, Kind::Tree, {{"chapter", 2}, {"shared", 1}, {"start", 0}}));
    const fs::path second =
        Write("second.pdf",
              NamedDocument(4, Kind::Dictionary, {{"other", 0}, {"shared", 3}, {"shared-2", 2}}));
    const std::string report = JoinAndCheck(first, second);
    EXPECT_NE(report.find("links 6 resolved 6; outline items 6 resolved 6"), std::string::npos)
        << report;
    EXPECT_EQ(
        JoinedTreeKeys(joinedBytes_),
        (std::vector<std::string>{"chapter", "other", "shared", "shared-2", "shared-3", "start"}));
    TMemoryStream output(joinedBytes_);
    TSmartPDFReader joined(output);
    std::vector<std::string> openActions;
    ForEachPage(joined, [&](TPDFDictionary& page) {
        if (auto* actions = As<TPDFDictionary>(page.GetValue("AA"))) {
            openActions.push_back(
                As<TPDFDictionary>(actions->GetValue("O"))->GetValue("D")->WriteToText());
        }
    });
    EXPECT_EQ(openActions, (std::vector<std::string>{"<" + Hex("shared") + ">", "/shared-3"}));
}

// Each file of a one-pass join renames what any file before it defined, its own renames
// included.
TEST_F(NamedDestinationJoin, EveryFileOfAOnePassJoinKeepsWhereItsNamesLead) {
    const fs::path first = Write("first.pdf", NamedDocument(2, Kind::Tree, {{"a", 0}, {"b", 1}}));
    const std::vector<fs::path> items{
        Write("one.pdf", NamedDocument(2, Kind::Dictionary, {{"a", 1}, {"c", 0}})),
        Write("two.pdf", NamedDocument(3, Kind::Tree, {{"a", 0}, {"b", 2}, {"c", 1}})),
        Write("three.pdf", NamedDocument(2, Kind::Dictionary, {{"a", 0}, {"d", 1}}))};
    const std::string report = JoinAndCheck(first, items);
    EXPECT_NE(report.find("links 9 resolved 9; outline items 9 resolved 9; names 4; problems 0"),
              std::string::npos)
        << report;
    EXPECT_EQ(JoinedTreeKeys(joinedBytes_),
              (std::vector<std::string>{"a", "a-2", "a-3", "a-4", "b", "b-2", "c", "c-2", "d"}));
}

TEST_F(NamedDestinationJoin, OldStyleDictionaryFirstAndTreeSecond) {
    const fs::path first =
        Write("first.pdf", NamedDocument(2, Kind::Dictionary, {{"a", 1}, {"b", 0}}));
    const fs::path second =
        Write("second.pdf", NamedDocument(2, Kind::Tree, {{"b", 1}, {"c", 0}, {"d", 1}}));
    const std::string report = JoinAndCheck(first, second);
    EXPECT_NE(report.find("links 5 resolved 5; outline items 5 resolved 5"), std::string::npos)
        << report;
    EXPECT_EQ(JoinedTreeKeys(joinedBytes_), (std::vector<std::string>{"b-2", "c", "d"}));
}

TEST_F(NamedDestinationJoin, FileJoinedWithItselfKeepsBothHalvesApart) {
    std::vector<Named> names;
    for (int i = 0; i < 200; ++i) {
        names.push_back({"n" + std::to_string(1000 + i), i % 5});
    }
    const fs::path file = Write("same.pdf", NamedDocument(5, Kind::Tree, names));
    const std::string report = JoinAndCheck(file, file);
    EXPECT_NE(report.find("links 400 resolved 400; outline items 400 resolved 400"),
              std::string::npos)
        << report;
    EXPECT_EQ(JoinedTreeKeys(joinedBytes_).size(), 400u);
}

TEST_F(NamedDestinationJoin, TextStringKeyGetsItsSuffixInTheSameEncoding) {
    const std::string wide = std::string("\xFE\xFF\0K\0\xFC", 6);
    const fs::path first = Write("first.pdf", NamedDocument(1, Kind::Tree, {{wide, 0}}));
    const fs::path second = Write("second.pdf", NamedDocument(1, Kind::Tree, {{wide, 0}}));
    JoinAndCheck(first, second);
    EXPECT_EQ(JoinedTreeKeys(joinedBytes_),
              (std::vector<std::string>{wide, wide + std::string("\0-\0"
                                                                 "2",
                                                                 4)}));
}

TEST_F(NamedDestinationJoin, SecondFileWithoutNamesLeavesTheFirstCatalogAsItWas) {
    const std::string firstBytes = NamedDocument(2, Kind::Tree, {{"a", 1}});
    const fs::path first = Write("first.pdf", firstBytes);
    const fs::path second = Write("second.pdf", testing_pdf::SimpleDocument(2));
    JoinAndCheck(first, second);
    TMemoryStream input(firstBytes);
    TSmartPDFReader reader(input);
    TMemoryStream output(joinedBytes_);
    TSmartPDFReader joined(output);
    auto names = [](TSmartPDFReader& file) {
        return As<TPDFDictionary>(file.GetObject(1, nullptr))->GetValue("Names")->WriteToText();
    };
    EXPECT_EQ(names(joined), names(reader));
}

// Clean corpus files with named destinations, joined after a fixed partner and with themselves.
TEST_F(NamedDestinationJoin, CorpusFilesKeepWhereTheirNamesLead) {
    const fs::path corpus = fs::path(FOLDANT_CORPUS_DIR) / "pdf";
    if (!fs::exists(corpus)) {
        GTEST_SKIP() << "corpus not available at " << corpus;
    }
    const fs::path partner = fs::path(FOLDANT_SOURCE_DIR) / "samples" / "Rechnung 2026-0815.pdf";
    for (const char* name :
         {"j-bug1669099.pdf", "j-issue18529.pdf", "j-issue6204.pdf", "q-outlines-split-01-10.pdf",
          "q-outlines-split-21-30.pdf", "q-outlines-with-actions.pdf",
          "q-outlines-with-old-root-dests-dict.pdf", "q-outlines-with-old-root-dests.pdf"}) {
        SCOPED_TRACE(name);
        const fs::path file = corpus / name;
        ASSERT_TRUE(fs::exists(file));
        JoinAndCheck(partner, file);
        JoinAndCheck(file, file);
    }
}

}  // namespace
}  // namespace foldant
