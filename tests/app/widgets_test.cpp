#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>

#include "tests/app/app_test_support.h"
#include "ui/fonts.h"
#include "ui/html_label.h"
#include "ui/html_text.h"
#include "ui/path_ellipsis.h"

namespace foldant {
namespace {

void EnsureApplication() {
    apptest::EnsureOffscreenApplication();
}

TEST(HtmlSubset, BoldAndLinksInAnyLetterCase) {
    auto runs = ParseHtmlSubset("<B>Warte</B> auf <a href=x>Daten</A>");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (THtmlRun{"Warte", true, ""}));
    EXPECT_EQ(runs[1], (THtmlRun{" auf ", false, ""}));
    EXPECT_EQ(runs[2], (THtmlRun{"Daten", false, "x"}));
}

TEST(HtmlSubset, AnUnclosedBoldTagLastsToTheEnd) {
    auto runs = ParseHtmlSubset("<b>Rechnung [/db]");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0].Bold);
    EXPECT_EQ(runs[0].Text, "Rechnung [/db]");
}

TEST(HtmlSubset, OtherTagsAndStrayBracketsAreShownAsText) {
    auto runs = ParseHtmlSubset("a<i>b</i> <c & d &amp; &lt;e&gt; <a href=\"q r\">L</a> <");
    std::vector<THtmlRun> expected = {
        {"a<i>b</i> <c & d & <e> ", false, ""}, {"L", false, "q r"}, {" <", false, ""}};
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(ParseHtmlSubset("<a>no target</a>")[0].Text, "<a>no target");
}

TEST(HtmlLabel, CutsWithAnEllipsisWhenTooWide) {
    EnsureApplication();
    QFont font = DesignFont(12);
    auto runs = ParseHtmlSubset("<b>Eine sehr lange Beschreibung des Auftrags [/daten/bank]");
    auto full = PlaceRuns(runs, font, 10'000, true);
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].Run.Text, runs[0].Text);
    auto cut = PlaceRuns(runs, font, full[0].Width / 2, true);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].Run.Text.endsWith("..."));
    EXPECT_TRUE(runs[0].Text.startsWith(cut[0].Run.Text.chopped(3)));
    EXPECT_LE(cut[0].Left + cut[0].Width, full[0].Width / 2);
    EXPECT_TRUE(cut[0].Run.Bold);
    // Without the ellipsis the text is placed in full.
    EXPECT_EQ(PlaceRuns(runs, font, 10, false)[0].Run.Text, runs[0].Text);
}

TEST(HtmlLabel, TheLinkIsWhereItsTextIs) {
    EnsureApplication();
    THTMLabel label;
    label.setFont(DesignFont(12));
    label.SetAutoSize(true);
    label.SetHtml("vor <a href=x>Link</a>");
    QRect link = label.LinkRect();
    QFontMetrics metrics(label.font());
    EXPECT_EQ(link.left(), metrics.horizontalAdvance("vor "));
    EXPECT_GT(link.width(), 0);
    EXPECT_GE(label.width(), link.right());
    EXPECT_EQ(label.ShownText(), "vor Link");
    QString clicked;
    label.OnAnchorClick = [&](const QString& target) { clicked = target; };
    auto release = [&](QPoint at) {
        QMouseEvent event(QEvent::MouseButtonRelease, at, label.mapToGlobal(at), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&label, &event);
    };
    release(QPoint(2, link.center().y()));
    EXPECT_TRUE(clicked.isEmpty());
    release(link.center());
    EXPECT_EQ(clicked, "x");
}

TEST(PathEllipsis, KeepsTheFileNameAndCutsTheFolders) {
    EnsureApplication();
    QFontMetrics metrics(DesignFont(13, true));
    QString path = "/home/buchhaltung/auftraege/2026/dezember/kunde-meier/Rechnung 2026-0815.pdf";
    EXPECT_EQ(PathEllipsis(path, metrics, 10'000), path);
    int width = metrics.horizontalAdvance("/home/bu.../Rechnung 2026-0815.pdf");
    QString shown = PathEllipsis(path, metrics, width);
    EXPECT_LE(metrics.horizontalAdvance(shown), width);
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(".../Rechnung 2026-0815.pdf")) << shown.toStdString();
}

TEST(PathEllipsis, ANameTooLongAloneIsCutAtItsEnd) {
    EnsureApplication();
    QFontMetrics metrics(DesignFont(13, true));
    QString path = "/a/Ein sehr langer Dateiname ohne Ende in Sicht.pdf";
    int width = metrics.horizontalAdvance("Ein sehr lang");
    QString shown = PathEllipsis(path, metrics, width);
    EXPECT_LE(metrics.horizontalAdvance(shown), width);
    EXPECT_TRUE(shown.startsWith(".../Ein")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("...")) << shown.toStdString();
}

}  // namespace
}  // namespace foldant
