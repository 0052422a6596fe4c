// Feed parsing speed against a bare tag scan and an XML parser, on the same bytes.
// Prints one line per feed: parse <size>: <MB/s> MB/s, <ratio> x memmem scan, <ratio> x expat
// and then the reader of feeds given by address against expat alone (CompareReader).

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <expat.h>
#include <map>
#include <string>
#include <vector>

#include "FeedGen.h"
#include "TavrinConvert.h"
#include "TavrinFeed.h"

namespace {

const char *const tags[] = {"<title>", "<link>", "<description>", "<pubDate>"};

void ParseFeed(benchmark::State &state, const std::string &feed)
{
    std::vector<char> buffer(feed.size() + 1);
    exec::List list;
    exec::NewList(&list);
    for (auto _ : state) {
        state.PauseTiming();
        FreigebenList(&list);
        memcpy(buffer.data(), feed.c_str(), buffer.size());
        state.ResumeTiming();
        ParseNewsfile(&list, buffer.data(), Kestrel_german);
    }
    FreigebenList(&list);
}

// The least any tag scanner must do: find the four opening tags in turn.
void MemmemScan(benchmark::State &state, const std::string &feed)
{
    const char *end = feed.data() + feed.size();
    for (auto _ : state) {
        size_t found = 0;
        for (const char *p = feed.data(); p; found++) {
            const size_t len = strlen(tags[found % 4]);
            p = static_cast<const char *>(memmem(p, size_t(end - p), tags[found % 4], len));
            p = p ? p + len : nullptr;
        }
        benchmark::DoNotOptimize(found);
    }
}

// An XML parser pulling out the same four fields of every item.
struct ExpatItems {
    std::string fields[4];
    int field = -1;
};

void Expat(benchmark::State &state, const std::string &feed)
{
    ExpatItems items;
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &items);
        XML_SetElementHandler(
            parser,
            [](void *data, const XML_Char *name, const XML_Char **) {
                static const char *const names[] = {"title", "link", "description", "pubDate"};
                auto *items = static_cast<ExpatItems *>(data);
                items->field = -1;
                for (int i = 0; i < 4; i++) {
                    if (strcmp(name, names[i]) == 0)
                        items->fields[items->field = i].clear();
                }
            },
            [](void *data, const XML_Char *) { static_cast<ExpatItems *>(data)->field = -1; });
        XML_SetCharacterDataHandler(parser, [](void *data, const XML_Char *s, int len) {
            auto *items = static_cast<ExpatItems *>(data);
            if (items->field >= 0)
                items->fields[items->field].append(s, size_t(len));
        });
        if (XML_Parse(parser, feed.data(), int(feed.size()), 1) != XML_STATUS_OK)
            state.SkipWithError(XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
    }
    benchmark::DoNotOptimize(items.fields);
}

constexpr char FEED_URL[] = "https://www.kestrel-review.example/feed/";

// Processor seconds of one call.
template<class F> double Seconds(F f)
{
    const std::clock_t start = std::clock();
    f();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

// The feed reader against expat reading the same bytes without handlers, the floor of any reader
// built on it. They take turns, so that a busy machine slows both alike, and the best turn of each
// counts. Prints: feed reader <feed>: <MB/s> MB/s, <ratio> x bare expat
void CompareReader(const std::string &name, const std::string &feed)
{
    exec::List list;
    exec::NewList(&list);
    double reader = 1e9, bare = 1e9;
    for (int turn = 0; turn < 200; turn++) {
        reader = std::min(
            reader, Seconds([&] { ParseFeedfile(&list, feed.c_str(), ULONG(feed.size()), FEED_URL, Kestrel_german); }));
        FreigebenList(&list);
        bare = std::min(bare, Seconds([&] {
            XML_Parser parser = XML_ParserCreate(nullptr);
            XML_Parse(parser, feed.data(), int(feed.size()), 1);
            XML_ParserFree(parser);
        }));
    }
    printf("feed reader %s: %.1f MB/s, %.2f x bare expat\n", name.c_str(), double(feed.size()) / reader / 1e6,
        reader / bare);
}

// Keeps each run's speed for the summary lines.
struct SummaryReporter : benchmark::ConsoleReporter {
    std::map<std::string, double> bytesPerSecond;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && run.counters.count("bytes_per_second"))
                bytesPerSecond[run.benchmark_name()] = run.counters.at("bytes_per_second");
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    const std::map<std::string, std::string> feeds
        = {{"200KB", GenerateFeed(200 * 1024, 1)}, {"2MB", GenerateFeed(2 * 1024 * 1024, 2)}};
    const std::pair<const char *, void (*)(benchmark::State &, const std::string &)> kinds[]
        = {{"parse/", ParseFeed}, {"memmem/", MemmemScan}, {"expat/", Expat}};
    for (const auto &[size, feed] : feeds) {
        for (auto [kind, run] : kinds) {
            benchmark::RegisterBenchmark((kind + size).c_str(), [&feed = feed, run = run](benchmark::State &state) {
                run(state, feed);
                state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed.size()));
            })->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto &[size, feed] : feeds) {
        double parse = reporter.bytesPerSecond["parse/" + size], scan = reporter.bytesPerSecond["memmem/" + size],
               expat = reporter.bytesPerSecond["expat/" + size];
        if (parse > 0 && scan > 0 && expat > 0)
            printf("parse %s: %.1f MB/s, %.2f x memmem scan, %.2f x expat\n", size.c_str(), parse / 1e6, parse / scan,
                parse / expat);
    }
    // The same 200 KB RSS 2.0 feed in UTF-8, as most sites serve theirs, and as it is made.
    CompareReader("200KB UTF-8", Utf8Feed(feeds.at("200KB")));
    CompareReader("200KB ISO-8859-1", feeds.at("200KB"));
    return 0;
}
