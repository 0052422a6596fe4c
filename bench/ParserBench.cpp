// Feed parsing speed against a bare tag scan and an XML parser, on the same bytes.
// Prints one line per feed: parse <size>: <MB/s> MB/s, <ratio> x memmem scan, <ratio> x expat

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <expat.h>
#include <map>
#include <string>
#include <vector>

#include "FeedGen.h"
#include "TavrinPipeline.h"

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
    return 0;
}
