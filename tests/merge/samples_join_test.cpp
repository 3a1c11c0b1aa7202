#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "json/json_text.h"
#include "merge/foldant.h"
#include "platform/windows1252.h"
#include "tests/merge/merge_files.h"
#include "tests/support/command_output.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

using testing_merge::ScratchFolder;
using testing_merge::fs::path;

std::string CommandOutput(const std::string& command) {
    return testing::CommandOutput(command);
}

int CountOutlineItems(TQvCustomJSON* items) {
    int count = 0;
    for (int i = 0; items != nullptr && i < items->ChildCount(); ++i) {
        ++count;
        count += CountOutlineItems(JsonFindNode(JsonChild(items, i), "kids"));
    }
    return count;
}

// Outline items and form fields as an independent checker sees them.
struct FormAndOutline {
    int outlineItems = -1;
    int fields = -1;
};

FormAndOutline Inspect(const path& file) {
    const std::string json = CommandOutput("qpdf --json --json-key=outlines --json-key=acroform " +
                                           testing::ShellQuoted(file));
    std::unique_ptr<TQvCustomJSON> root = TQvJSONText::ParseJsonText(json);
    if (root == nullptr) {
        return {};
    }
    TQvCustomJSON* fields = JsonFindNode(JsonFindNode(root.get(), "acroform"), "fields");
    return {CountOutlineItems(JsonFindNode(root.get(), "outlines")),
            fields != nullptr ? fields->ChildCount() : -1};
}

TEST(SamplesJoin, OutlinesAndFieldsOfEveryFileAreKept) {
    if (testing::CommandStatus("qpdf --version") != 0) {
        GTEST_SKIP() << "qpdf not available";
    }
    const path samples = path(FOLDANT_SOURCE_DIR) / "samples";
    const std::vector<path> files = {samples / "Rechnung 2026-0815.pdf",
                                     samples / "Lieferschein 2026-0815.pdf",
                                     samples / u8"Preisübersicht März.pdf"};
    FormAndOutline expected{0, 0};
    int pages = 0;
    for (const path& file : files) {
        const FormAndOutline found = Inspect(file);
        ASSERT_GT(found.outlineItems, 0) << file;
        ASSERT_GT(found.fields, 0) << file;
        expected.outlineItems += found.outlineItems;
        expected.fields += found.fields;
        pages += testing_merge::PagesOf(file);
    }
    for (size_t first = 0; first < files.size(); ++first) {
        ScratchFolder folder;
        const std::string target = folder.File("target.pdf");
        ASSERT_TRUE(CopyFileRetry(Utf8ToAnsi(files[first].string()), target));
        std::vector<std::string> items;
        for (size_t i = 1; i < files.size(); ++i) {
            items.push_back(Utf8ToAnsi(files[(first + i) % files.size()].string()));
        }
        TFoldant job(TFoldant::BuildJobText(items));
        ASSERT_TRUE(job.MergeAll("", target));
        const FormAndOutline joined = Inspect(target);
        EXPECT_EQ(joined.outlineItems, expected.outlineItems);
        EXPECT_EQ(joined.fields, expected.fields);
        EXPECT_EQ(testing_merge::PagesOf(target), pages);
        EXPECT_EQ(testing::CommandStatus("qpdf --check " + testing::ShellQuoted(target)), 0);
    }
}

}  // namespace
}  // namespace foldant
