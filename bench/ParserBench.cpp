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

struct Feed {
    const char *label;
    std::string text;
};

std::vector<Feed> &Feeds()
{
    static std::vector<Feed> feeds = {
        {"200KB", GenerateFeed(200 * 1024, 1)},
        {"2MB", GenerateFeed(2 * 1024 * 1024, 2)},
    };
    return feeds;
}

void ParseFeed(benchmark::State &state, const Feed *feed)
{
    std::vector<char> buffer(feed->text.size() + 1);
    exec::List list;
    exec::NewList(&list);
    size_t entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FreigebenList(&list);
        memcpy(buffer.data(), feed->text.c_str(), buffer.size());
        state.ResumeTiming();
        ParseNewsfile(&list, buffer.data(), Kestrel_german);
    }
    for (exec::Node *n = exec::GetHead(&list); n; n = exec::GetSucc(n))
        entries++;
    FreigebenList(&list);
    state.counters["entries"] = double(entries);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed->text.size()));
}

// The least any tag scanner must do: find the four opening tags in turn.
void MemmemScan(benchmark::State &state, const Feed *feed)
{
    static const char *const tags[] = {"<title>", "<link>", "<description>", "<pubDate>"};
    const char *text = feed->text.data();
    const char *end = text + feed->text.size();
    for (auto _ : state) {
        const char *p = text;
        size_t found = 0;
        for (int t = 0; p; t = (t + 1) % 4) {
            size_t len = strlen(tags[t]);
            p = static_cast<const char *>(memmem(p, size_t(end - p), tags[t], len));
            if (p) {
                p += len;
                found++;
            }
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed->text.size()));
}

// An XML parser pulling out the same four fields of every item.
struct ExpatItems {
    std::string fields[4];
    int field = -1;
    size_t items = 0;
};

void XMLCALL ExpatStart(void *data, const XML_Char *name, const XML_Char **)
{
    static const char *const names[] = {"title", "link", "description", "pubDate"};
    auto *items = static_cast<ExpatItems *>(data);
    items->field = -1;
    for (int i = 0; i < 4; i++) {
        if (strcmp(name, names[i]) == 0) {
            items->field = i;
            items->fields[i].clear();
        }
    }
}

void XMLCALL ExpatEnd(void *data, const XML_Char *name)
{
    auto *items = static_cast<ExpatItems *>(data);
    items->field = -1;
    if (strcmp(name, "item") == 0)
        items->items++;
}

void XMLCALL ExpatText(void *data, const XML_Char *s, int len)
{
    auto *items = static_cast<ExpatItems *>(data);
    if (items->field >= 0)
        items->fields[items->field].append(s, size_t(len));
}

void Expat(benchmark::State &state, const Feed *feed)
{
    ExpatItems items;
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &items);
        XML_SetElementHandler(parser, ExpatStart, ExpatEnd);
        XML_SetCharacterDataHandler(parser, ExpatText);
        if (XML_Parse(parser, feed->text.data(), int(feed->text.size()), 1) != XML_STATUS_OK)
            state.SkipWithError(XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
    }
    benchmark::DoNotOptimize(items.items);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed->text.size()));
}

// Keeps each run's speed for the summary lines.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> bytesPerSecond;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end() && run.run_type == Run::RT_Iteration)
                bytesPerSecond[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    gb_Debug = 0;
    for (const Feed &feed : Feeds()) {
        std::string size = feed.label;
        benchmark::RegisterBenchmark(("parse/" + size).c_str(), ParseFeed, &feed)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("memmem/" + size).c_str(), MemmemScan, &feed)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("expat/" + size).c_str(), Expat, &feed)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Feed &feed : Feeds()) {
        std::string size = feed.label;
        double parse = reporter.bytesPerSecond["parse/" + size];
        double scan = reporter.bytesPerSecond["memmem/" + size];
        double expat = reporter.bytesPerSecond["expat/" + size];
        if (parse == 0 || scan == 0 || expat == 0)
            continue;
        printf("parse %s: %.1f MB/s, %.2f x memmem scan, %.2f x expat\n", size.c_str(), parse / 1e6, parse / scan,
            parse / expat);
    }
    return 0;
}
