// The attachments window on a virtual X display, driven with real key presses and clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <filesystem>

#include "app/attachments_layout.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/windows1252.h"
#include "tests/app/app_test_support.h"
#include "tests/exchange/test_support.h"
#include "ui/fonts.h"

namespace foldant {
namespace {

using apptest::ProgramRun;
using apptest::RunningProgram;
using apptest::TestFolder;
using apptest::VirtualDisplay;

const QColor kSelected(128, 128, 192);

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class WindowOnDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason;
        display_ = VirtualDisplay::Start(reason);
        if (!display_) {
            GTEST_SKIP() << "window tests skipped: " << reason;
        }
    }

    // A sending job through foldant-host, with the window on the display.
    std::unique_ptr<RunningProgram> Send(const std::vector<std::string>& attachments,
                                         const std::string& target,
                                         const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {
            "send",     "--module",  FOLDANT_MODULE_PROGRAM, "--db",
            db_.Path(), "--caption", "Rechnung 2026-0815",   "--target",
            target};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.insert(arguments.end(), attachments.begin(), attachments.end());
        return std::make_unique<RunningProgram>(FOLDANT_HOST_PROGRAM, arguments, folder_);
    }

    std::string Window(RunningProgram& host) {
        auto window = display_->WaitForWindow(apptest::kWindowTitle);
        EXPECT_TRUE(window) << host.OutputSoFar();
        return window.value_or("");
    }

    void Key(const std::string& window, const std::string& key) {
        ASSERT_TRUE(display_->Tool({"windowfocus", "--sync", window}));
        ASSERT_TRUE(display_->Tool({"key", key}));
    }

    std::unique_ptr<VirtualDisplay> display_;
    TestFolder folder_{"Anh\xE4nge \xE4"};
    TestFolder db_{"db"};
};

TEST_F(WindowOnDisplay, ListsThePdfAttachmentsSelectedAndEnterJoinsThem) {
    std::string target = folder_.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string first = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string note = folder_.Sample("Notiz.txt", "Notiz.txt");
    std::string second = folder_.Sample(
        "Preis\xC3\xBC"
        "bersicht M\xC3\xA4rz.pdf",
        "Preis\xFC"
        "bersicht M\xE4rz.pdf");
    auto pages = [](const std::string& path) { return apptest::PdfPageCount(path).value_or(-1); };
    int expectedPages = pages(target) + pages(first) + pages(second);
    auto host = Send({first, note, second}, target, {"--point", "640", "512"});
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());

    auto geometry = display_->Tool({"getwindowgeometry", window});
    ASSERT_TRUE(geometry);
    EXPECT_NE(geometry->find("Position: 377,304"), std::string::npos) << *geometry;
    EXPECT_NE(geometry->find("Geometry: 526x416"), std::string::npos) << *geometry;

    Key(window, "Return");
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module chose 2 attachment(s)."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("replaces 2 attachment(s):\n  " + AnsiToUtf8(first) + "\n  " +
                              AnsiToUtf8(second) + "\n"),
              std::string::npos)
        << run.output;
    if (apptest::HasPdfChecker()) {
        EXPECT_EQ(pages(target), expectedPages);
    }
}

// The same window as a picture from the X server, held against the designed layout.
TEST_F(WindowOnDisplay, TheScreenshotMatchesTheLayout) {
    std::string target = folder_.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::vector<std::string> attachments = {
        folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung 2026-0815.pdf"),
        folder_.Sample("Notiz.txt", "Notiz.txt"),
        folder_.Sample("Preis\xC3\xBC"
                       "bersicht M\xC3\xA4rz.pdf",
                       "Preis\xFC"
                       "bersicht M\xE4rz.pdf"),
        folder_.Sample("Lieferschein 2026-0815.pdf", "Lieferschein 2026-0815.pdf")};
    auto host = Send(attachments, target);
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());

    std::string picture = std::string(FOLDANT_BINARY_DIR) + "/window.png";
    std::filesystem::remove(picture);
    // The first frames may still be on their way; a picture whose list is drawn is the one.
    QImage image;
    TAttachmentsLayout layout = LayOutAttachmentsForm(526, 416);
    apptest::WaitFor([&] {
        TestFolder scratch("grab");
        if (apptest::RunProgram(FOLDANT_GRAB_PROGRAM, {window, picture}, scratch).exitCode != 0) {
            return false;
        }
        image = QImage(QString::fromStdString(picture));
        return !image.isNull() &&
               QColor(image.pixel(layout.LB.Right() - 2, layout.LB.Top + 2)) == kSelected;
    });
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(526, 416));

    apptest::EnsureOffscreenApplication();
    int itemHeight = 3 * QFontMetrics(DesignFont(13, true)).boundingRect("Wg").height();
    int x = layout.LB.Right() - 2;
    // Three PDF files, all selected, in items three "Wg" high; below them the white list.
    for (int y = layout.LB.Top; y < layout.LB.Top + 3 * itemHeight; ++y) {
        EXPECT_EQ(QColor(image.pixel(x, y)), kSelected) << "at y " << y;
    }
    EXPECT_EQ(QColor(image.pixel(x, layout.LB.Top + 3 * itemHeight + 1)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(layout.LB.Left - 1, layout.LB.Top + 5)), QColor(Qt::white));
    // Each item's white text starts 10 pixels in, centred in its height.
    bool textSeen = false;
    for (int y = layout.LB.Top; y < layout.LB.Top + itemHeight; ++y) {
        for (int dx = 0; dx < 10; ++dx) {
            EXPECT_EQ(QColor(image.pixel(layout.LB.Left + dx, y)), kSelected);
        }
        for (int dx = 10; dx < 40; ++dx) {
            QColor colour(image.pixel(layout.LB.Left + dx, y));
            if (colour.lightness() > 200) {
                textSeen = true;
                int fromMiddle = y - (layout.LB.Top + itemHeight / 2);
                EXPECT_LT(std::abs(fromMiddle), itemHeight / 3) << "text at y " << y;
            }
        }
    }
    EXPECT_TRUE(textSeen);
    // The header line, the icon, the button's frame and the white window.
    EXPECT_EQ(QColor(image.pixel(200, layout.Bevel5.Top)), QColor(160, 160, 160));
    bool iconDrawn = false;
    for (int y = layout.Image1.Top; y <= layout.Image1.Bottom(); ++y) {
        for (int dx = layout.Image1.Left; dx <= layout.Image1.Right(); ++dx) {
            iconDrawn = iconDrawn || QColor(image.pixel(dx, y)) != QColor(Qt::white);
        }
    }
    EXPECT_TRUE(iconDrawn);
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Left, layout.FOK.CenterY())), kSelected);
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Right(), layout.FOK.CenterY())), kSelected);
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Left - 2, layout.FOK.CenterY())), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(300, layout.Panel2.Top + 20)), QColor(Qt::white));

    Key(window, "Escape");
    host->Finish();
}

TEST_F(WindowOnDisplay, EscapeSendsTheCallOffOnce) {
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    auto host = Send({pdf}, folder_.Path("t.pdf"));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    Key(window, "Escape");
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module declined this sending job."), std::string::npos)
        << run.output;
    EXPECT_EQ(CountOf(run.output, "\"CallServerExeNameOff\":true"), 1) << run.output;
}

TEST_F(WindowOnDisplay, TheCloseBoxSendsTheCallOff) {
#ifndef FOLDANT_CLOSE_PROGRAM
    GTEST_SKIP() << "built without Xlib, so there is no way to ask for the close";
#else
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    auto host = Send({pdf}, folder_.Path("t.pdf"));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    TestFolder scratch("close");
    ASSERT_EQ(apptest::RunProgram(FOLDANT_CLOSE_PROGRAM, {window}, scratch).exitCode, 0);
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module declined this sending job."), std::string::npos)
        << run.output;
    EXPECT_EQ(CountOf(run.output, "\"CallServerExeNameOff\":true"), 1) << run.output;
#endif
}

TEST_F(WindowOnDisplay, TheLinkCancelsTheSendingProcess) {
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    auto host = Send({pdf}, folder_.Path("t.pdf"));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    TAttachmentsLayout layout = LayOutAttachmentsForm(526, 416);
    std::string x = std::to_string(layout.HTMLabel1.X + 40);
    std::string y = std::to_string(layout.HTMLabel1.Y + 6);
    ASSERT_TRUE(display_->Tool({"mousemove", "--window", window, "--sync", x, y}));
    ASSERT_TRUE(display_->Tool({"click", "1"}));
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("The module cancelled the sending process."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\"Succeded\":2"), std::string::npos) << run.output;
}

TEST_F(WindowOnDisplay, WithNothingSelectedTheButtonSendsAnEmptyChoice) {
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    auto host = Send({pdf}, folder_.Path("t.pdf"));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    TAttachmentsLayout layout = LayOutAttachmentsForm(526, 416);
    std::string x = std::to_string(layout.LB.Left + 60);
    std::string y = std::to_string(layout.LB.Top + 10);
    ASSERT_TRUE(display_->Tool({"mousemove", "--window", window, "--sync", x, y}));
    ASSERT_TRUE(display_->Tool({"keydown", "ctrl", "click", "1", "keyup", "ctrl"}));
    x = std::to_string(layout.FOK.CenterX());
    y = std::to_string(layout.FOK.CenterY());
    ASSERT_TRUE(display_->Tool({"mousemove", "--window", window, "--sync", x, y}));
    ASSERT_TRUE(display_->Tool({"click", "1"}));
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("\"AddAttachments\":\"\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("The module chose 0 attachment(s)."), std::string::npos)
        << run.output;
}

// A debug instance takes a later start's data channel, stays open after the user's choice, and
// its close box then sends no call-off after it.
TEST_F(WindowOnDisplay, ADebugInstanceAnswersAHandedOverChannelAndClosesQuietlyAfterwards) {
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string sockets =
        AnsiToUtf8(std::string(std::getenv("TMPDIR"))) + "/QvTempDir/TAttachmentsFrm";
    // Sockets that killed modules of earlier tests left behind would look like this one's.
    std::error_code ignored;
    std::filesystem::remove_all(sockets, ignored);
    RunningProgram debug(FOLDANT_MODULE_PROGRAM, {"DEBUG"}, folder_);
    ASSERT_TRUE(apptest::WaitFor([&] {
        std::error_code error;
        return std::filesystem::directory_iterator(sockets, error) !=
               std::filesystem::directory_iterator();
    })) << debug.OutputSoFar();

    testing::TestBlock block("varnel-");
    EXPECT_EQ(apptest::RunProgram(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder_).exitCode, 0);
    TQvJSON data;
    data.SetTextMember("UID", "host");
    data.SetTextMember("DBPath", db_.Path());
    data.SetTextMember("Attachments", pdf + "\r\n");
    block.Write(TQvJSONText::PrintCompact(data));
    std::string window = display_->WaitForWindow(apptest::kWindowTitle).value_or("");
    ASSERT_FALSE(window.empty()) << debug.OutputSoFar();
    Key(window, "Return");
    auto chosen = [&] {
        auto message = TQvJSONText::ParseJsonText(block.Text());
        return message ? JsonReadText(message.get(), "AddAttachments") : std::string();
    };
    ASSERT_TRUE(apptest::WaitFor([&] { return chosen() == pdf + "\r\n"; })) << block.Text();
    // A debug run stays open after its answer.
    EXPECT_FALSE(debug.WaitFor(300));
    EXPECT_TRUE(display_->WindowVisible(apptest::kWindowTitle));

#ifdef FOLDANT_CLOSE_PROGRAM
    TestFolder scratch("close");
    ASSERT_EQ(apptest::RunProgram(FOLDANT_CLOSE_PROGRAM, {window}, scratch).exitCode, 0);
    ProgramRun ended = debug.Finish(apptest::kPatienceMs);
    EXPECT_EQ(ended.exitCode, 0) << ended.output;
    EXPECT_EQ(chosen(), pdf + "\r\n") << block.Text();
#endif
}

TEST_F(WindowOnDisplay, AForbiddingSetupScriptDeclinesWithoutAWindow) {
    db_.Text("foldant.setup/setup.pas", "begin\r\n  ThisForBidden := True;\r\nend.\r\n");
    std::string pdf = folder_.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string order =
        db_.Text("order.json", R"({"Order":[{"Nr":"4711","Adress":[{"R1":"x"}]}]})");
    auto host = Send({pdf}, folder_.Path("t.pdf"), {"--order", order});
    bool windowSeen = false;
    apptest::WaitFor([&] {
        windowSeen = windowSeen || display_->WindowVisible(apptest::kWindowTitle);
        return windowSeen || host->WaitFor(0).has_value();
    });
    ProgramRun run = host->Finish();
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module declined this sending job."), std::string::npos)
        << run.output;
}

}  // namespace
}  // namespace foldant
