#include "exchange/exchange_object.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "exchange/marker_file.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/child_process.h"
#include "platform/message_loop.h"
#include "tests/exchange/test_support.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

using testing::kPatienceMs;
using testing::ManagedClock;
using testing::TestBlock;

// The module shell around the object: a main window that records close requests.
class TestShell : public TModuleState {
  public:
    explicit TestShell(bool debugRun = false)
        : debugRun_(debugRun), window_(platform::AllocateHiddenWindow([this](auto& message) {
              if (message.Msg == platform::kCloseMessage) {
                  ++closeRequests;
              }
          })) {}
    ~TestShell() override { platform::DeallocateHiddenWindow(window_); }
    platform::WindowHandle MainWindowHandle() const override { return window_; }
    bool IsDebugRun() const override { return debugRun_; }

    int closeRequests = 0;

  private:
    bool debugRun_;
    platform::WindowHandle window_;
};

struct Received {
    std::string handler;
    std::string text;
};

class ExchangeTest : public ::testing::Test {
  protected:
    std::unique_ptr<TExChangeObject> Make(const std::string& channel, const TestShell& shell) {
        return std::make_unique<TExChangeObject>(channel, Recorder("data"), Recorder("response"),
                                                 shell, clock_.Manager());
    }
    TExChangeObject::THandler Recorder(const std::string& name) {
        return [this, name](TExChangeObject&, TQvCustomJSON& document) {
            received_.push_back({name, TQvJSONText::PrintCompact(document)});
        };
    }
    bool WaitForReceived(std::size_t count) {
        return platform::DispatchMessagesUntil([&] { return received_.size() >= count; },
                                               kPatienceMs);
    }
    bool WaitForBlock(const TestBlock& block, const std::string& text) {
        return platform::DispatchMessagesUntil([&] { return block.Text() == text; }, kPatienceMs);
    }
    static std::string KeepAlive(const TExChangeObject& exchange) {
        return "{\"UID\":\"" + exchange.OwnUID() + "\",\"Infinite\":true}";
    }
    // Lets the object's waiting thread read the block several times.
    void LetThreadsRun() {
        platform::DispatchMessagesUntil([] { return false; }, 300);
    }

    ManagedClock clock_;
    std::vector<Received> received_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST_F(ExchangeTest, ModeFollowsTheChannelPrefix) {
    TestShell shell;
    struct Case {
        std::string channel;
        TExchangeMode mode;
    };
    for (const auto& [channel, mode] : std::vector<Case>{
             {"varnel-1", TExchangeMode::Data},
             {"spooler-1", TExchangeMode::Response},
             {"error-1", TExchangeMode::None},
             {"VARNEL-1", TExchangeMode::None},
             {"xvarnel-1", TExchangeMode::None},
             {"", TExchangeMode::None},
         }) {
        auto exchange = Make(channel, shell);
        EXPECT_EQ(exchange->Mode(), mode) << channel;
        EXPECT_EQ(exchange->ChannelName(), channel);
        bool marker = PathIsFile(MarkerFilePath());
        EXPECT_EQ(marker, mode == TExchangeMode::None) << channel;
        if (marker) {
            EXPECT_EQ(ReadFile(MarkerFilePath()), platform::CurrentExecutablePath());
        }
        exchange.reset();
        EXPECT_FALSE(PathIsFile(MarkerFilePath())) << channel;
    }
}

TEST_F(ExchangeTest, OwnUidIsAnUpperCaseGuidWithoutBraces) {
    TestShell shell;
    auto first = Make("varnel-a", shell);
    auto second = Make("varnel-b", shell);
    std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(first->OwnUID(), guid)) << first->OwnUID();
    EXPECT_NE(first->OwnUID(), second->OwnUID());
}

TEST_F(ExchangeTest, HostMessagesGoToTheHandlerOfTheMode) {
    TestShell shell;
    TestBlock data("varnel-");
    TestBlock response("spooler-");
    TestBlock unknown("error-");
    auto dataExchange = Make(data.Name(), shell);
    auto responseExchange = Make(response.Name(), shell);
    auto unknownExchange = Make(unknown.Name(), shell);
    data.Write("{\"UID\":\"host\",\"DBPath\":\"/db\"}");
    response.Write("{\"UID\":\"host\",\"PDFFileName\":\"/t.pdf\"}");
    unknown.Write("{\"UID\":\"host\",\"x\":1}");
    ASSERT_TRUE(WaitForReceived(2));
    LetThreadsRun();
    ASSERT_EQ(received_.size(), 2u);
    for (const auto& item : received_) {
        if (item.handler == "data") {
            EXPECT_EQ(item.text, "{\"UID\":\"host\",\"DBPath\":\"\\/db\"}");
        } else {
            EXPECT_EQ(item.text, "{\"UID\":\"host\",\"PDFFileName\":\"\\/t.pdf\"}");
        }
    }
}

// A host writes Windows-1252: the en dash, umlauts, the euro sign and the rest of bytes 128
// to 159 must reach the handler as the same names, not as control characters or "fÃ¼r".
TEST_F(ExchangeTest, WindowsFileNamesOfAHostMessageArriveIntact) {
    TestShell shell;
    TestBlock block("varnel-");
    std::vector<std::string> names;
    TExChangeObject exchange(
        block.Name(),
        [&](TExChangeObject&, TQvCustomJSON& document) {
            names.push_back(JsonReadText(&document, "Attachments"));
        },
        Recorder("response"), shell, clock_.Manager());
    const std::string attachments =
        "C:/Rechnung \x96 M\xE4rz.pdf\r\nC:/Angebot f\xFCr 500 \x80.pdf\r\n"
        "C:/\x8C\x84\x93\x82\x91\x85\x89\x99\x9A\x9E\x9F.pdf";
    std::string escaped;
    for (char c : attachments) {
        if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    block.Write("{\"UID\":\"host\",\"Attachments\":\"" + escaped + "\"}");
    ASSERT_TRUE(platform::DispatchMessagesUntil([&] { return !names.empty(); }, kPatienceMs));
    EXPECT_EQ(names[0], attachments);
}

TEST_F(ExchangeTest, OwnMessagesAreDroppedAndOnesWithoutUidAccepted) {
    TestShell shell(true);
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    block.Write("{\"UID\":\"" + exchange->OwnUID() + "\",\"x\":1}");
    LetThreadsRun();
    EXPECT_TRUE(received_.empty());
    block.Write("{\"x\":2}");
    ASSERT_TRUE(WaitForReceived(1));
    EXPECT_EQ(received_[0].text, "{\"x\":2}");
}

TEST_F(ExchangeTest, UnparsableTextsAreDropped) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    block.Write("not json at all");
    LetThreadsRun();
    EXPECT_TRUE(received_.empty());
}

// A response that parses only up to some point must not be joined and answered as if the host
// had sent what parsed.
TEST_F(ExchangeTest, AResponseThatParsesOnlyInPartReachesNoHandler) {
    TestShell shell;
    TestBlock block("spooler-");
    auto exchange = Make(block.Name(), shell);
    block.Write(
        "{\"UID\":\"host\",\"Response\":\"{\\\"AddAttachments\\\":\\\"/c.pdf\\\"}\","
        "\"PDFFileName\":\"/t.pdf\",!!! not JSON }");
    LetThreadsRun();
    EXPECT_TRUE(received_.empty()) << received_.front().text;
    exchange.reset();
    EXPECT_TRUE(received_.empty());
}

TEST_F(ExchangeTest, SendResultStampsAfterTheCallersMembersAndCloses) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON answer;
    answer.SetTextMember("AddAttachments", "/a.pdf\r\n");
    exchange->SendResult(answer);
    EXPECT_EQ(block.Text(), "{\"AddAttachments\":\"\\/a.pdf\\r\\n\",\"UID\":\"" +
                                exchange->OwnUID() + "\",\"Succeded\":1,\"Infinite\":false}");
    EXPECT_TRUE(exchange->TerminalSent());
    EXPECT_TRUE(exchange->Closing());
    platform::DispatchPendingMessages();
    EXPECT_EQ(shell.closeRequests, 1);
    // Once closing, nothing more is sent.
    exchange->SendCancel();
    EXPECT_EQ(JsonReadText(TQvJSONText::ParseJsonText(block.Text()).get(), "Succeded"), "1");
}

TEST_F(ExchangeTest, SendResultOverwritesAnExistingUidInPlace) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON answer;
    answer.SetTextMember("UID", "old");
    answer.SetBoolMember("CallServerExeNameOff", true);
    exchange->SendResult(answer);
    EXPECT_EQ(block.Text(), "{\"UID\":\"" + exchange->OwnUID() +
                                "\",\"CallServerExeNameOff\":true,\"Succeded\":1,"
                                "\"Infinite\":false}");
}

TEST_F(ExchangeTest, SendCancelWritesSuccededTwo) {
    TestShell shell;
    TestBlock block("spooler-");
    auto exchange = Make(block.Name(), shell);
    exchange->SendCancel();
    EXPECT_EQ(block.Text(),
              "{\"UID\":\"" + exchange->OwnUID() + "\",\"Succeded\":2,\"Infinite\":false}");
    platform::DispatchPendingMessages();
    EXPECT_EQ(shell.closeRequests, 1);
}

TEST_F(ExchangeTest, DebugRunNeverClosesTheMainWindow) {
    TestShell shell(true);
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    exchange->SendCancel();
    TQvJSON answer;
    exchange->SendResult(answer);
    platform::DispatchPendingMessages();
    EXPECT_EQ(shell.closeRequests, 0);
    EXPECT_FALSE(exchange->Closing());
    EXPECT_EQ(JsonReadText(TQvJSONText::ParseJsonText(block.Text()).get(), "Succeded"), "1");
}

TEST_F(ExchangeTest, NoMainWindowMeansNoClose) {
    class Headless : public TModuleState {
        platform::WindowHandle MainWindowHandle() const override { return 0; }
        bool IsDebugRun() const override { return false; }
    } shell;
    TestBlock block("varnel-");
    auto exchange =
        std::make_unique<TExChangeObject>(block.Name(), nullptr, nullptr, shell, clock_.Manager());
    exchange->SendCancel();
    EXPECT_FALSE(exchange->Closing());
    EXPECT_TRUE(exchange->TerminalSent());
}

TEST_F(ExchangeTest, KeepAliveStopsAfterTheResultOutsideADebugRun) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    clock_.ShowTime(12, 0, 0);
    EXPECT_TRUE(WaitForBlock(block, KeepAlive(*exchange)));
    TQvJSON answer;
    exchange->SendResult(answer);
    std::string result = block.Text();
    clock_.ShowTime(12, 0, 59);
    clock_.ShowTime(12, 1, 0);
    LetThreadsRun();
    EXPECT_EQ(block.Text(), result);
}

TEST_F(ExchangeTest, KeepAliveGoesOnAfterTheResultInADebugRun) {
    TestShell shell(true);
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON answer;
    exchange->SendResult(answer);
    clock_.ShowTime(12, 0, 30);
    LetThreadsRun();
    EXPECT_NE(block.Text().find("\"Succeded\":1"), std::string::npos);
    clock_.ShowTime(12, 1, 0);
    EXPECT_TRUE(WaitForBlock(block, KeepAlive(*exchange)));
}

// The host may write its message just before second 0: the keep-alive must not replace it
// before the module has read it, or the module never answers and the sending job hangs.
TEST_F(ExchangeTest, KeepAliveNeverReplacesAHostMessageThatWasNotReadYet) {
    TestShell shell(true);
    TestBlock block("spooler-");
    auto exchange = Make(block.Name(), shell);
    for (int round = 0; round < 20; ++round) {
        std::string message = "{\"UID\":\"host\",\"round\":" + std::to_string(round) + "}";
        block.Write(message);
        if (round % 2 == 0) {
            exchange->SendKeepAlive();
        } else {
            clock_.ShowTime(12, round, 59);
            block.Write(message + " ");
            clock_.ShowTime(12, round + 1, 0);
        }
        ASSERT_TRUE(WaitForReceived(static_cast<std::size_t>(round) + 1))
            << "the host message of round " << round << " was never handed on";
        EXPECT_EQ(received_.back().text, message);
        EXPECT_TRUE(WaitForBlock(block, KeepAlive(*exchange))) << round;
    }
}

TEST_F(ExchangeTest, AKeepAliveDueBeforeTheFinalAnswerNeverReplacesIt) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    exchange->SendKeepAlive();
    TQvJSON answer;
    answer.SetTextMember("AddAttachments", "/a.pdf\r\n");
    exchange->SendResult(answer);
    std::string result = block.Text();
    ASSERT_NE(result.find("AddAttachments"), std::string::npos);
    LetThreadsRun();
    EXPECT_EQ(block.Text(), result);
}

TEST_F(ExchangeTest, AcceptedMessagesClearTerminalSentEvenWithoutHandler) {
    TestShell shell(true);
    TestBlock block("varnel-");
    auto exchange =
        std::make_unique<TExChangeObject>(block.Name(), nullptr, nullptr, shell, clock_.Manager());
    exchange->SendCancel();
    ASSERT_TRUE(exchange->TerminalSent());
    block.Write("{\"UID\":\"host\",\"again\":1}");
    ASSERT_TRUE(
        platform::DispatchMessagesUntil([&] { return !exchange->TerminalSent(); }, kPatienceMs));
}

TEST_F(ExchangeTest, DestructionRightAfterCreationWritesOneCancel) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    std::string uid = exchange->OwnUID();
    exchange.reset();
    EXPECT_EQ(block.Text(), "{\"UID\":\"" + uid + "\",\"Succeded\":2,\"Infinite\":false}");
    platform::DispatchPendingMessages();
    EXPECT_EQ(shell.closeRequests, 0);
}

TEST_F(ExchangeTest, DestructionAfterTheFinalWordSendsNothing) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON answer;
    answer.SetTextMember("AddAttachments", "");
    exchange->SendResult(answer);
    std::string result = block.Text();
    exchange.reset();
    EXPECT_EQ(block.Text(), result);
}

TEST_F(ExchangeTest, DestructionAfterAMessageFollowingTheFinalWordCancels) {
    TestShell shell(true);
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON answer;
    exchange->SendResult(answer);
    block.Write("{\"UID\":\"host\",\"next\":1}");
    ASSERT_TRUE(WaitForReceived(1));
    exchange.reset();
    EXPECT_NE(block.Text().find("\"Succeded\":2"), std::string::npos);
}

// A file name with a euro sign grows from one byte to six when escaped; an answer that fits the
// block only unescaped must still reach the host, in that shorter form.
TEST_F(ExchangeTest, AnAnswerWithAThousandEuroSignsGoesInItsShorterForm) {
    TestShell shell;
    TestBlock block("spooler-");
    auto exchange = Make(block.Name(), shell);
    std::string joined;
    for (int i = 0; i < 1000; ++i) {
        joined += "/Anh\xE4nge/Rechnung " + std::to_string(i) + " \x80 " + std::string(14, 'x') +
                  ".pdf\r\n";
    }
    TQvJSON answer;
    answer.SetTextMember("RemoveAttachments", joined);
    ASSERT_GT(TQvJSONText::PrintCompact(answer).size(), kMaxChannelText);
    exchange->SendResult(answer);
    std::string text = block.Text();
    EXPECT_LE(text.size(), kMaxChannelText);
    EXPECT_EQ(text.find("\\u20ac"), std::string::npos);
    auto written = TQvJSONText::ParseJsonText(text);
    ASSERT_TRUE(written) << text.substr(0, 200);
    EXPECT_TRUE(JsonReadText(written.get(), "RemoveAttachments") == joined);
    EXPECT_EQ(JsonReadText(written.get(), "Succeded"), "1");
    EXPECT_TRUE(exchange->TerminalSent());
    EXPECT_TRUE(exchange->Closing());
}

TEST_F(ExchangeTest, AnAnswerTooLargeEvenUnescapedBecomesACancel) {
    TestShell shell;
    TestBlock block("varnel-");
    auto exchange = Make(block.Name(), shell);
    TQvJSON tooLarge;
    tooLarge.SetTextMember("AddAttachments", std::string(kMaxChannelText, '\x80'));
    exchange->SendResult(tooLarge);
    EXPECT_EQ(block.Text(),
              "{\"UID\":\"" + exchange->OwnUID() + "\",\"Succeded\":2,\"Infinite\":false}");
    EXPECT_TRUE(exchange->TerminalSent());
    platform::DispatchPendingMessages();
    EXPECT_EQ(shell.closeRequests, 1);
    std::string cancel = block.Text();
    exchange.reset();
    EXPECT_EQ(block.Text(), cancel);
}

TEST(WithoutHighEscapes, UnescapesOnlyWhatWindows1252HasAByteForFromOneHundredTwentyEight) {
    EXPECT_EQ(WithoutHighEscapes("{\"a\":\"\\u20ac \\u00e4 \\u000A \\\\u20ac \\\\\\u20ac\"}"),
              "{\"a\":\"\x80 \xE4 \\u000A \\\\u20ac \\\\\x80\"}");
    EXPECT_EQ(WithoutHighEscapes("{\"a\":\"\\u4e2d \\u20a \\\"\"}"),
              "{\"a\":\"\\u4e2d \\u20a \\\"\"}");
}

TEST_F(ExchangeTest, HandlersMayAnswerAtOnce) {
    TestShell shell;
    TestBlock block("varnel-");
    TExChangeObject exchange(
        block.Name(),
        [](TExChangeObject& self, TQvCustomJSON& document) {
            TQvJSON answer;
            answer.SetTextMember("AddAttachments", JsonReadText(&document, "Attachments"));
            self.SendResult(answer);
        },
        nullptr, shell, clock_.Manager());
    block.Write("{\"UID\":\"host\",\"Attachments\":\"/x.pdf\"}");
    ASSERT_TRUE(
        platform::DispatchMessagesUntil([&] { return shell.closeRequests == 1; }, kPatienceMs));
    EXPECT_EQ(block.Text(), "{\"AddAttachments\":\"\\/x.pdf\",\"UID\":\"" + exchange.OwnUID() +
                                "\",\"Succeded\":1,\"Infinite\":false}");
}

TEST_F(ExchangeTest, QueryEndSessionIsAnsweredWithOne) {
    TestShell shell;
    auto exchange = Make("varnel-q", shell);
    EXPECT_EQ(
        platform::SendMessageTo(exchange->MessageWindow(), platform::kQueryEndSessionMessage, 0, 0),
        1);
}

platform::TMessage CopyData(const platform::TCopyDataStruct& record) {
    platform::TMessage message;
    message.Msg = platform::kCopyDataMessage;
    message.LParam = reinterpret_cast<std::intptr_t>(&record);
    return message;
}

TEST_F(ExchangeTest, HandOverSwitchesToTheNewChannel) {
    TestShell shell(true);
    auto exchange = Make("DEBUG", shell);
    ASSERT_EQ(exchange->Mode(), TExchangeMode::None);
    std::string uid = exchange->OwnUID();
    TestBlock block("spooler-");
    block.Write("{\"UID\":\"host\",\"PDFFileName\":\"/t.pdf\"}");
    std::string payload = block.Name() + '\0';
    platform::TCopyDataStruct record{ChannelHandOverTag, static_cast<std::uint32_t>(payload.size()),
                                     payload.data()};
    auto message = CopyData(record);
    exchange->HandleCopyData(message);
    EXPECT_EQ(message.Result, 1);
    EXPECT_EQ(exchange->Mode(), TExchangeMode::Response);
    EXPECT_EQ(exchange->ChannelName(), block.Name());
    EXPECT_EQ(exchange->OwnUID(), uid);
    // The new waiting thread delivers what the block already holds.
    ASSERT_TRUE(WaitForReceived(1));
    EXPECT_EQ(received_[0].handler, "response");
}

platform::TCopyDataStruct HandOverRecord(const std::string& payload) {
    return {ChannelHandOverTag, static_cast<std::uint32_t>(payload.size()), payload.data()};
}

// The host of the first conversation would otherwise wait for ever for a final word.
TEST_F(ExchangeTest, HandOverCancelsTheOldConversationThatHadNoFinalWord) {
    TestShell shell(true);
    TestBlock first("varnel-");
    TestBlock second("spooler-");
    auto exchange = Make(first.Name(), shell);
    first.Write("{\"UID\":\"host\",\"Attachments\":\"/a.pdf\"}");
    ASSERT_TRUE(WaitForReceived(1));
    std::string payload = second.Name() + '\0';
    auto record = HandOverRecord(payload);
    auto message = CopyData(record);
    exchange->HandleCopyData(message);
    EXPECT_EQ(first.Text(),
              "{\"UID\":\"" + exchange->OwnUID() + "\",\"Succeded\":2,\"Infinite\":false}");
    EXPECT_EQ(exchange->ChannelName(), second.Name());
    EXPECT_FALSE(exchange->TerminalSent());
    // The new host has not had its final word either.
    std::string uid = exchange->OwnUID();
    exchange.reset();
    EXPECT_EQ(second.Text(), "{\"UID\":\"" + uid + "\",\"Succeded\":2,\"Infinite\":false}");
}

TEST_F(ExchangeTest, HandOverAfterTheFinalWordLeavesTheOldAnswerAlone) {
    TestShell shell(true);
    TestBlock first("varnel-");
    TestBlock second("varnel-");
    auto exchange = Make(first.Name(), shell);
    first.Write("{\"UID\":\"host\",\"Attachments\":\"/a.pdf\"}");
    ASSERT_TRUE(WaitForReceived(1));
    TQvJSON answer;
    answer.SetTextMember("AddAttachments", "/a.pdf\r\n");
    exchange->SendResult(answer);
    std::string result = first.Text();
    std::string payload = second.Name() + '\0';
    auto record = HandOverRecord(payload);
    auto message = CopyData(record);
    exchange->HandleCopyData(message);
    EXPECT_EQ(first.Text(), result);
    EXPECT_EQ(exchange->ChannelName(), second.Name());
}

TEST_F(ExchangeTest, HandOverIsCutTo260Characters) {
    TestShell shell(true);
    auto exchange = Make("varnel-start", shell);
    std::string name = "spooler-" + std::string(292, 'n');
    platform::TCopyDataStruct record{ChannelHandOverTag, 301, name.c_str()};
    auto message = CopyData(record);
    exchange->HandleCopyData(message);
    EXPECT_EQ(exchange->ChannelName(), name.substr(0, 260));
    EXPECT_EQ(exchange->Mode(), TExchangeMode::Response);
}

TEST_F(ExchangeTest, HandOverReadsNoFurtherThanItsData) {
    TestShell shell(true);
    auto exchange = Make("varnel-start", shell);
    const char data[] = {'v', 'a', 'r', 'n', 'e', 'l', '-', 'x', 'y', 'z'};
    platform::TCopyDataStruct record{ChannelHandOverTag, 8, data};
    auto message = CopyData(record);
    exchange->HandleCopyData(message);
    EXPECT_EQ(exchange->ChannelName(), "varnel-x");
}

TEST_F(ExchangeTest, HandOverToAnUnknownChannelOrWithAnotherTagIsIgnored) {
    TestShell shell(true);
    auto exchange = Make("varnel-start", shell);
    for (const auto& [tag, name] : std::vector<std::pair<std::uintptr_t, std::string>>{
             {ChannelHandOverTag, "error-1"},
             {ChannelHandOverTag, "INSTALLVOK"},
             {ChannelHandOverTag, ""},
             {ChannelHandOverTag + 1, "spooler-1"},
         }) {
        platform::TCopyDataStruct record{tag, static_cast<std::uint32_t>(name.size() + 1),
                                         name.c_str()};
        auto message = CopyData(record);
        exchange->HandleCopyData(message);
        EXPECT_EQ(message.Result, 1);
        EXPECT_EQ(exchange->ChannelName(), "varnel-start") << name;
        EXPECT_EQ(exchange->Mode(), TExchangeMode::Data);
    }
    platform::TMessage empty;
    empty.Msg = platform::kCopyDataMessage;
    exchange->HandleCopyData(empty);
    EXPECT_EQ(empty.Result, 1);
}

}  // namespace
}  // namespace foldant
