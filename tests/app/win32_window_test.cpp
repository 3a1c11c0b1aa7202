// The Windows programs' attachments window, run under wine on a virtual X display and driven
// with real key presses and clicks. The Windows stage of the test command names the folder of
// the Windows programs in FOLDANT_WINDOWS_PROGRAMS and the wine prefix in WINEPREFIX.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/attachments_layout.h"
#include "platform/windows1252.h"
#include "tests/app/app_test_support.h"

namespace foldant {
namespace {

using apptest::ProgramRun;
using apptest::RunningProgram;
using apptest::TestFolder;
using apptest::VirtualDisplay;

const QColor kSelected(128, 128, 192);
const QColor kWhite(255, 255, 255);
constexpr char kDeclined[] = "The module declined this sending job.";

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The Windows name of a Linux path (wine maps drive Z: to the root).
std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

class Win32WindowUnderWine : public ::testing::Test {
  protected:
    // One display for all: the wine prefix keeps its desktop for the display it first saw.
    static void SetUpTestSuite() {
        const char* programs = std::getenv("FOLDANT_WINDOWS_PROGRAMS");
        std::optional<std::string> wine = apptest::FindProgram("wine");
        if (programs == nullptr || *programs == '\0' || !wine) {
            skipReason_ =
                "the Windows stage of scripts/test.sh runs these tests under wine "
                "(FOLDANT_WINDOWS_PROGRAMS names the Windows programs' folder)";
            return;
        }
        programs_ = programs;
        wine_ = *wine;
        display_ = VirtualDisplay::Start(skipReason_).release();
    }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }

    void SetUp() override {
        if (display_ == nullptr) {
            GTEST_SKIP() << skipReason_;
        }
    }

    std::string Program(const std::string& name) const {
        return WindowsPath(programs_ + "/" + name + ".exe");
    }

    std::string Sample(const std::string& sample, const std::string& name) const {
        return WindowsPath(folder_.Sample(sample, name));
    }

    // A sending job through foldant-host.exe, with foldant.exe's window on the display.
    std::unique_ptr<RunningProgram> Send(const std::vector<std::string>& attachments,
                                         const std::string& target,
                                         const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {
            Program("foldant-host"), "send",      "--module",           Program("foldant"), "--db",
            WindowsPath(db_.Path()), "--caption", "Rechnung 2026-0815", "--target",         target};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.insert(arguments.end(), attachments.begin(), attachments.end());
        return std::make_unique<RunningProgram>(wine_, arguments, folder_);
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

    void Click(const std::string& window, int x, int y) {
        ASSERT_TRUE(display_->Tool(
            {"mousemove", "--window", window, "--sync", std::to_string(x), std::to_string(y)}));
        ASSERT_TRUE(display_->Tool({"click", "1"}));
    }

    // What the X server shows of the window, once its list is drawn selected.
    QImage Screenshot(const std::string& window, const std::string& picture) {
        TAttachmentsLayout layout = LayOutAttachmentsForm(kFormWidth, kFormHeight);
        QImage image;
        apptest::WaitFor([&] {
            std::filesystem::remove(picture);
            TestFolder scratch("grab");
            if (apptest::RunProgram(FOLDANT_GRAB_PROGRAM, {window, picture}, scratch).exitCode !=
                0) {
                return false;
            }
            image = QImage(QString::fromStdString(picture));
            return !image.isNull() &&
                   QColor(image.pixel(layout.LB.Right() - 2, layout.LB.Top + 2)) == kSelected;
        });
        return image;
    }

    static inline VirtualDisplay* display_ = nullptr;
    static inline std::string skipReason_;
    static inline std::string programs_;
    static inline std::string wine_;
    TestFolder folder_{"Anh\xE4nge \xE4"};
    TestFolder db_{"db"};
};

// Placement, the picture against the layout, Enter, and the response conversation that joins.
TEST_F(Win32WindowUnderWine, ListsThePdfAttachmentsAndEnterJoinsThem) {
    std::string target = Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string first = Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string note = Sample("Notiz.txt", "Notiz.txt");
    std::string second = Sample(
        "Preis\xC3\xBC"
        "bersicht M\xC3\xA4rz.pdf",
        "Preis\xFC"
        "bersicht M\xE4rz.pdf");
    auto pages = [&](const std::string& name) {
        return apptest::PdfPageCount(folder_.Path(name)).value_or(-1);
    };
    int expectedPages = pages("Ziel.pdf") + pages("Rechnung.pdf") +
                        pages(
                            "Preis\xFC"
                            "bersicht M\xE4rz.pdf");
    auto host = Send({first, note, second}, target, {"--point", "640", "512"});
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());

    // The client area is the designed size; the outer window, caption and frame included, is
    // centred on the point, so the client area's left edge lies where the Linux window's does.
    auto geometry = display_->Tool({"getwindowgeometry", window});
    ASSERT_TRUE(geometry);
    EXPECT_NE(geometry->find("Geometry: 526x416"), std::string::npos) << *geometry;
    EXPECT_NE(geometry->find("Position: 377,"), std::string::npos) << *geometry;

    std::string picture = std::string(FOLDANT_BINARY_DIR) + "/window-win32.png";
    QImage image = Screenshot(window, picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(526, 416));
    TAttachmentsLayout layout = LayOutAttachmentsForm(kFormWidth, kFormHeight);
    int x = layout.LB.Right() - 2;
    // Two PDF files, both selected, in items of equal height; below them the white list.
    int band = 0;
    while (band < layout.LB.Height && QColor(image.pixel(x, layout.LB.Top + band)) == kSelected) {
        ++band;
    }
    EXPECT_EQ(band % 2, 0) << band;
    int itemHeight = band / 2;
    // Three times the height of "Wg" in bold Tahoma of 13 pixels.
    EXPECT_GE(itemHeight, 3 * 13);
    EXPECT_LE(itemHeight, 3 * 20);
    EXPECT_EQ(QColor(image.pixel(x, layout.LB.Top + band + 1)), kWhite);
    EXPECT_EQ(QColor(image.pixel(layout.LB.Left - 1, layout.LB.Top + 5)), kWhite);
    // Each item's white text starts 10 pixels in, centred in its height.
    bool textSeen = false;
    for (int y = layout.LB.Top; y < layout.LB.Top + itemHeight; ++y) {
        for (int dx = 0; dx < 10; ++dx) {
            EXPECT_EQ(QColor(image.pixel(layout.LB.Left + dx, y)), kSelected);
        }
        for (int dx = 10; dx < 40; ++dx) {
            if (QColor(image.pixel(layout.LB.Left + dx, y)).lightness() > 200) {
                textSeen = true;
                int fromMiddle = y - (layout.LB.Top + itemHeight / 2);
                EXPECT_LT(std::abs(fromMiddle), itemHeight / 3) << "text at y " << y;
            }
        }
    }
    EXPECT_TRUE(textSeen);
    // The header line, the icon, the navy header text, the blue link, the button's frame.
    EXPECT_EQ(QColor(image.pixel(200, layout.Bevel5.Top)), QColor(160, 160, 160));
    auto anyPixel = [&](const TLayoutRect& area, auto&& test) {
        for (int y = area.Top; y <= area.Bottom(); ++y) {
            for (int dx = area.Left; dx <= area.Right(); ++dx) {
                if (test(QColor(image.pixel(dx, y)))) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(anyPixel(layout.Image1, [](const QColor& c) { return c != QColor(Qt::white); }));
    EXPECT_TRUE(anyPixel(layout.HL, [](const QColor& c) {
        return c.blue() >= 96 && c.red() < 64 && c.green() < 64;
    }));
    TLayoutRect link{layout.HTMLabel1.X, layout.HTMLabel1.Y, 200, 14};
    EXPECT_TRUE(anyPixel(
        link, [](const QColor& c) { return c.blue() > 200 && c.red() < 64 && c.green() < 64; }));
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Left, layout.FOK.CenterY())), kSelected);
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Right(), layout.FOK.CenterY())), kSelected);
    EXPECT_EQ(QColor(image.pixel(layout.FOK.Left - 2, layout.FOK.CenterY())), kWhite);
    EXPECT_EQ(QColor(image.pixel(300, layout.Panel2.Top + 20)), kWhite);

    Key(window, "Return");
    ProgramRun run = host->Finish();
    // The Windows program ends its lines with CR LF.
    std::erase(run.output, '\r');
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module chose 2 attachment(s)."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("replaces 2 attachment(s):\n  " + AnsiToUtf8(first) + "\n  " +
                              AnsiToUtf8(second) + "\n"),
              std::string::npos)
        << run.output;
    if (apptest::HasPdfChecker()) {
        EXPECT_EQ(pages("Ziel.pdf"), expectedPages);
    }
}

// Escape in the list reaches the window and the list; only one call-off goes out.
TEST_F(Win32WindowUnderWine, EscapeInTheListSendsTheCallOffOnce) {
    auto host = Send({Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf")},
                     WindowsPath(folder_.Path("t.pdf")));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    Key(window, "Tab");
    Key(window, "Escape");
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(kDeclined), std::string::npos) << run.output;
    EXPECT_EQ(CountOf(run.output, "\"CallServerExeNameOff\":true"), 1) << run.output;
}

TEST_F(Win32WindowUnderWine, TheCloseBoxSendsTheCallOff) {
#ifndef FOLDANT_CLOSE_PROGRAM
    GTEST_SKIP() << "built without Xlib, so there is no way to ask for the close";
#else
    auto host = Send({Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf")},
                     WindowsPath(folder_.Path("t.pdf")));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    TestFolder scratch("close");
    ASSERT_EQ(apptest::RunProgram(FOLDANT_CLOSE_PROGRAM, {window}, scratch).exitCode, 0);
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(kDeclined), std::string::npos) << run.output;
    EXPECT_EQ(CountOf(run.output, "\"CallServerExeNameOff\":true"), 1) << run.output;
#endif
}

TEST_F(Win32WindowUnderWine, TheLinkCancelsTheSendingProcess) {
    auto host = Send({Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf")},
                     WindowsPath(folder_.Path("t.pdf")));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty());
    TAttachmentsLayout layout = LayOutAttachmentsForm(kFormWidth, kFormHeight);
    Click(window, layout.HTMLabel1.X + 40, layout.HTMLabel1.Y + 6);
    ProgramRun run = host->Finish();
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("The module cancelled the sending process."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\"Succeded\":2"), std::string::npos) << run.output;
}

TEST_F(Win32WindowUnderWine, AForbiddingSetupScriptDeclinesWithoutAWindow) {
    db_.Text("foldant.setup/setup.pas", "begin\r\n  ThisForBidden := True;\r\nend.\r\n");
    std::string order =
        db_.Text("order.json", R"({"Order":[{"Nr":"4711","Adress":[{"R1":"x"}]}]})");
    auto host = Send({Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf")},
                     WindowsPath(folder_.Path("t.pdf")), {"--order", WindowsPath(order)});
    bool windowSeen = false;
    apptest::WaitFor([&] {
        windowSeen = windowSeen || display_->WindowVisible(apptest::kWindowTitle);
        return windowSeen || host->WaitFor(0).has_value();
    });
    ProgramRun run = host->Finish();
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(kDeclined), std::string::npos) << run.output;
}

// A debug instance waits hidden; a later start hands it the host's channel by WM_COPYDATA and
// ends at once, and the debug instance's window shows the host's job. (foldant-host itself stops
// waiting when the module it started ends: the suite would go on waiting on its channel.)
TEST_F(Win32WindowUnderWine, ASecondStartHandsItsChannelToTheRunningInstance) {
    RunningProgram debug(wine_, {Program("foldant"), "DEBUG"}, folder_);
    // The debug instance's window exists, hidden, once it listens for hand-overs.
    ASSERT_TRUE(apptest::WaitFor([&] {
        auto found = display_->Tool({"search", "--name", apptest::kWindowTitle});
        return found && !found->empty();
    })) << debug.OutputSoFar();
    EXPECT_FALSE(display_->WindowVisible(apptest::kWindowTitle));

    auto host = Send({Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf")},
                     WindowsPath(folder_.Path("t.pdf")));
    std::string window = Window(*host);
    ASSERT_FALSE(window.empty()) << host->OutputSoFar();
    ProgramRun handedOver = host->Finish();
    EXPECT_NE(handedOver.output.find("the module ended without a final message"), std::string::npos)
        << handedOver.output;
    // A debug run stays after its answer.
    Key(window, "Return");
    EXPECT_FALSE(debug.WaitFor(2000));
    EXPECT_TRUE(display_->WindowVisible(apptest::kWindowTitle));
    debug.Finish(0);
}

}  // namespace
}  // namespace foldant
