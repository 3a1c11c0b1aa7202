#include <gtest/gtest.h>

#include "app/attachment_rules.h"
#include "app/attachments_layout.h"
#include "app/command_line.h"
#include "app/instance_lock.h"
#include "app/module_constants.h"
#include "app/registration_record.h"

namespace foldant {
namespace {

TEST(PdfAttachments, KeepOnlyLinesWhoseExtensionIsPdfInAnyCase) {
    EXPECT_EQ(PdfAttachments("/a/Rechnung.PDF\r\n/a/brief.docx\r\n/a/b.pdf.bak\r\n"),
              std::vector<std::string>{"/a/Rechnung.PDF"});
    EXPECT_EQ(PdfAttachments("/a/x.pdf\n/a/y.Pdf\r/a/z.pdfx\r\n\r\n/a/ohne\r\n"),
              (std::vector<std::string>{"/a/x.pdf", "/a/y.Pdf"}));
}

TEST(PdfAttachments, TheExtensionComesAfterTheLastFolderDelimiter) {
    EXPECT_FALSE(IsPdfAttachment("/a/ordner.pdf/datei"));
    EXPECT_FALSE(IsPdfAttachment("/a/ordner.pdf/"));
    EXPECT_TRUE(IsPdfAttachment("/a/ordner.x/.pdf"));
    EXPECT_FALSE(IsPdfAttachment(""));
    // Only ASCII letters are lowered: "\xC4" (A umlaut) stays itself.
    EXPECT_TRUE(
        IsPdfAttachment("/Anh\xE4nge/Pr\xFC"
                        "fung.PdF"));
}

TEST(AnswerTexts, EveryLineEndsWithCrLfAndTheHeaderLeavesBoldOpen) {
    EXPECT_EQ(LinesWithCrLf({"/a.pdf", "/b.pdf"}), "/a.pdf\r\n/b.pdf\r\n");
    EXPECT_EQ(LinesWithCrLf({}), "");
    EXPECT_EQ(HeaderMarkup("Rechnung 7", "/db"), "<b>Rechnung 7 [/db]");
}

TEST(CommandLine, CoordinatesAreDecimalIntegersOrZero) {
    EXPECT_EQ(CoordinateArgument("800"), 800);
    EXPECT_EQ(CoordinateArgument("-20"), -20);
    EXPECT_EQ(CoordinateArgument(" 12 "), 12);
    EXPECT_EQ(CoordinateArgument("12px"), 0);
    EXPECT_EQ(CoordinateArgument(""), 0);
    EXPECT_EQ(CoordinateArgument("0x20"), 0);
    EXPECT_EQ(CoordinateArgument("99999999999"), 0);
    EXPECT_EQ(CoordinateArgument("+-3"), 0);
}

TEST(CommandLine, ModesByArgumentOne) {
    EXPECT_TRUE(IsInstallArgument("INSTALLVOK"));
    EXPECT_FALSE(IsInstallArgument("installvok"));
    EXPECT_TRUE(IsDebugArgument("debug"));
    EXPECT_TRUE(IsDebugArgument("DeBuG"));
    EXPECT_FALSE(IsDebugArgument("DEBUG2"));
    TModuleArguments read = ReadModuleArguments({"/bin/foldant", "varnel-1", "800", "x"});
    EXPECT_EQ(read.ProgramPath, "/bin/foldant");
    EXPECT_EQ(read.Channel, "varnel-1");
    EXPECT_EQ(read.X, 800);
    EXPECT_EQ(read.Y, 0);
    EXPECT_EQ(ReadModuleArguments({"/bin/foldant"}).Channel, "");
}

TEST(CommandLine, TheWindowIsCentredOnThePointOnlyWhenBothCoordinatesAreSet) {
    EXPECT_EQ(PlacementAround(800, 600, 526, 416), (TPlacement{537, 392}));
    EXPECT_EQ(PlacementAround(0, 300, 526, 416), std::nullopt);
    EXPECT_EQ(PlacementAround(300, 0, 526, 416), std::nullopt);
    // The halves are truncated toward zero.
    EXPECT_EQ(PlacementAround(-10, 10, 527, 417), (TPlacement{-273, -198}));
}

TEST(ModuleConstants, TheFilterScriptIsThirteenLinesEachEndedByCrLf) {
    EXPECT_EQ(ModuleFilterScript(),
              "var i: Integer;\r\n"
              "begin\r\n"
              "  ThisResult := False;\r\n"
              "  if attachments <> nil then\r\n"
              "    for i := 0 to attachments.Count - 1 do\r\n"
              "    begin\r\n"
              "      if LowerCase(ExtractFileExt(attachments[i])) = '.pdf' then\r\n"
              "      begin\r\n"
              "        ThisResult := True;\r\n"
              "        Exit;\r\n"
              "      end;\r\n"
              "    end;\r\n"
              "end.\r\n");
    EXPECT_STREQ(kModuleGuid, "{5B1E7A3C-8D42-4F09-B6A1-3C9E2D7F4A18}");
}

TEST(RegistrationRecord, IsCompactWithTheSevenMembersInOrder) {
    std::string text = RegistrationRecordText(
        TRegistration{"Foldant", "C:\\Programme\\foldant.exe", "a\r\nb\r\n", kModuleGuid});
    EXPECT_EQ(text,
              "{\"Items\":[{\"Info\":\"Foldant\",\"ServerExeName\":\"C:\\\\Programme\\\\"
              "foldant.exe\",\"Required\":\"a\\r\\nb\\r\\n\",\"Filter.POT\":\"rechnung\","
              "\"Filter.Output\":\"mail\",\"Destination\":\"Extern\",\"UID\":"
              "\"{5B1E7A3C-8D42-4F09-B6A1-3C9E2D7F4A18}\"}]}");
}

TEST(InstanceLock, OnlyOneHolderAtATime) {
    auto first = TInstanceLock::Acquire("{TEST-LOCK}");
    ASSERT_TRUE(first);
    EXPECT_FALSE(TInstanceLock::Acquire("{TEST-LOCK}"));
    EXPECT_TRUE(TInstanceLock::Acquire("{OTHER-LOCK}"));
    first->Release();
    EXPECT_TRUE(TInstanceLock::Acquire("{TEST-LOCK}"));
}

TEST(FormLayout, DesignedSizeAndGrowth) {
    TAttachmentsLayout layout = LayOutAttachmentsForm(526, 416);
    EXPECT_EQ(layout.Panel2, (TLayoutRect{0, 375, 526, 41}));
    EXPECT_EQ(layout.HTMLabel1, (TLayoutPoint{12, 375 + 12}));
    EXPECT_EQ(layout.FOK, (TLayoutRect{380 + 13, 375 + 4, 116, 30}));
    EXPECT_EQ(layout.HL, (TLayoutRect{32, 10, 473, 20}));
    EXPECT_EQ(layout.Image1, (TLayoutRect{8, 8, 18, 18}));
    EXPECT_EQ(layout.LB, (TLayoutRect{5, 48, 516, 375 - 48 - 5}));
    TAttachmentsLayout wide = LayOutAttachmentsForm(800, 600);
    EXPECT_EQ(wide.HL.Width, 473 + 274);
    EXPECT_EQ(wide.FOK.TopLeft(), (TLayoutPoint{800 - 146 + 13, 600 - 41 + 4}));
    EXPECT_EQ(wide.LB.Bottom(), 600 - 41 - 5 - 1);
}

}  // namespace
}  // namespace foldant
