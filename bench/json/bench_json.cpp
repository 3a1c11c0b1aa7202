#include <benchmark/benchmark.h>

#include <string>

#include "json/fast_json.h"
#include "json/json_text.h"

namespace foldant {
namespace {

// A host data message of exactly 51,199 bytes: the most a channel block holds.
std::string HostMessage() {
    std::string attachments;
    for (int i = 0; attachments.size() < 50000; ++i) {
        attachments +=
            "/daten/Anh\xE4nge/Rechnung \x96 M\xE4rz " + std::to_string(i) + " \x80.pdf\\r\\n";
    }
    std::string head =
        "{\"UID\":\"{6F9619FF-8B86-D011-B42D-00C04FC964FF}\",\"DBPath\":"
        "\"/daten/Varnel\",\"JSONFileName\":\"/tmp/QvTempDir/job.json\","
        "\"InfoCaption\":\"";
    std::string tail = "\",\"Attachments\":\"" + attachments + "\"}";
    std::string caption(51199 - head.size() - tail.size(), 'x');
    return head + caption + tail;
}

// Order data of about the given size: many positions with a dozen members each, and one flat
// object with a member per position so that lookups by name cross a large index.
std::string OrderDocument(size_t bytes) {
    std::string parts;
    std::string index;
    for (int i = 0; parts.size() + index.size() < bytes; ++i) {
        std::string n = std::to_string(i);
        if (i > 0) {
            parts += ',';
            index += ',';
        }
        parts += "{\"Pos\":" + n + ",\"Artikel\":\"A-" + n +
                 "\",\"Text\":\"Schraube M4 \xD7 20 \x96 verzinkt\",\"Menge\":12.5,\"Preis\":"
                 "0.35,\"Rabatt\":null,\"Lager\":true,\"Einheit\":\"St\xFC"
                 "ck\",\"Konto\":8400,"
                 "\"Steuer\":19,\"Gewicht\":1.25e-3,\"Notiz\":\"\"}";
        index += "\"K" + n + "\":" + n;
    }
    return "{\"Order\":[{\"Adress\":[{\"R1\":\"M\xFCller GmbH\",\"L2\":\"Stra\xDF"
           "e 1\"}],"
           "\"Parts\":[" +
           parts + "],\"Index\":{" + index + "}}]}";
}

const std::string& Message() {
    static const std::string text = HostMessage();
    return text;
}

const std::string& Document(size_t megabytes) {
    static std::string texts[6];
    if (texts[megabytes].empty()) {
        texts[megabytes] = OrderDocument(megabytes * 1000000);
    }
    return texts[megabytes];
}

const std::string& Input(const benchmark::State& state) {
    return state.range(0) == 0 ? Message() : Document(static_cast<size_t>(state.range(0)));
}

void SetBytes(benchmark::State& state, size_t size) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["bytes"] = static_cast<double>(size);
}

void MainParse(benchmark::State& state) {
    const std::string& text = Input(state);
    for (auto _ : state) {
        auto tree = TQvJSONText::ParseJsonText(text);
        benchmark::DoNotOptimize(tree.get());
    }
    SetBytes(state, text.size());
}

void MainPrintCompact(benchmark::State& state) {
    const std::string& text = Input(state);
    auto tree = TQvJSONText::ParseJsonText(text);
    for (auto _ : state) {
        std::string printed = TQvJSONText::PrintCompact(*tree);
        benchmark::DoNotOptimize(printed.data());
    }
    SetBytes(state, text.size());
}

void FastParse(benchmark::State& state) {
    const std::string& text = Input(state);
    TFastJSON document;
    for (auto _ : state) {
        document.Parse(text);
        benchmark::DoNotOptimize(document.RootObject());
    }
    SetBytes(state, text.size());
}

void FastToText(benchmark::State& state) {
    const std::string& text = Input(state);
    TFastJSON document;
    document.Parse(text);
    for (auto _ : state) {
        std::string printed = document.ToText();
        benchmark::DoNotOptimize(printed.data());
    }
    SetBytes(state, text.size());
}

// Reads every member of the flat index object by name.
void MainLookupAllMembers(benchmark::State& state) {
    auto tree = TQvJSONText::ParseJsonText(Document(static_cast<size_t>(state.range(0))));
    TQvCustomJSON* index = JsonFindNode(JsonChild(JsonFindNode(tree.get(), "Order"), 0), "Index");
    int count = index->ChildCount();
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            benchmark::DoNotOptimize(JsonReadText(index, "K" + std::to_string(i)));
        }
    }
    state.counters["members"] = count;
    state.SetItemsProcessed(state.iterations() * count);
}

// Argument 0 is the 51,199-byte message, 1 to 5 the order document in megabytes.
#define FOLDANT_SIZES Arg(0)->Arg(1)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)
BENCHMARK(MainParse)->FOLDANT_SIZES;
BENCHMARK(MainPrintCompact)->FOLDANT_SIZES;
BENCHMARK(FastParse)->FOLDANT_SIZES;
BENCHMARK(FastToText)->FOLDANT_SIZES;
BENCHMARK(MainLookupAllMembers)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace foldant

BENCHMARK_MAIN();
