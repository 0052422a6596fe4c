#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "EntryList.h"

// Browsers are stand-in scripts on a PATH of their own, started for real: each records its arguments
// and says something on both outputs.

namespace {

using Args = std::vector<std::string>;

constexpr char Recorder[] = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\nprintf 'out\\n'\nprintf 'err\\n' >&2\n";
// Found on PATH, but the system cannot run it.
constexpr char Broken[] = "#!/nonexistent/sh\n";
constexpr char Link[] = "https://kestrel-review.example/de/news/1.html";
constexpr char Page[] = "<html><body>Seite \xE4</body></html>";
constexpr char BuiltinReport[] = "https://kestrel-review.example/login.php?redirect=posting.php&mode=newtopic&f=31";

std::string NotAvailable(const std::string &address)
{
    return "URL: Device nicht vorhanden zum Anzeigen der News.\n[" + address + "]";
}

// ShowLink, also with nothing selected or while the page cannot be written; ReportLink; StartBrowser.
enum Action { Show, ShowNothing, ShowUnwritten, Report, Start };

// Who gets which address. A hostile address runs nothing: the stand-in "pw" would leave a file behind
// if any shell ran it.
TEST(BrowserTest, WhichBrowserGetsWhat)
{
    testplat::Devices dev;
    testplat::TempDir bin;
    ChannelList channel;
    setenv("PATH", bin.path().c_str(), 1);
    const auto Install = [&](const char *name, const char *script) {
        testplat::WriteFile(bin.file(name), script);
        std::filesystem::permissions(bin.file(name), std::filesystem::perms::owner_all);
    };
    // The arguments a stand-in was last started with, once every started program has ended; empty
    // when it did not run since the last look.
    const auto Recorded = [&](const char *name) {
        testplat::WaitForChildren();
        const std::string path = bin.file(name) + ".args", bytes = testplat::ReadFile(path);
        std::filesystem::remove(path);
        Args args;
        for (size_t at = 0; at < bytes.size(); at = bytes.find('\0', at) + 1)
            args.emplace_back(bytes.c_str() + at);
        return args;
    };
    Install("mybrowser", Recorder);
    constexpr char hostile[] = "x\";pw;\"$(pw)`pw`'|pw";
    Install("pw", "#!/bin/sh\n: > \"$0.ran\"\n");
    gb_NewslistGad = gui::NewListBrowser(GID_Newslist, nullptr);
    CreateEntry(&channel.list, "Eins", Link, Page, "", Kestrel_german);
    const std::string page = dev.ram() + "trmeldung.html";
    // "URL:" and the address in 299 bytes, and in 300, which the device's command cannot hold whole.
    const std::string fits = "https://kestrel-review.example/" + std::string(264, 'a'), tooLong = fits + "b";
    const std::string longOption = "-" + std::string(1100, 'o'); // a requester's body is cut at 1023 bytes
    const struct {
        const char *name;
        const char *urlHandler; // the script installed as xdg-open, or null
        UBYTE anzeige;
        Action action;
        const char *address; // for Report the REPORTLINK tool type, for Start the address
        const char *browser;
        Args handlerGot, browserGot;
        std::string shown;
    } cases[] = {
        {"online: the URL device", Recorder, 0, Show, "", "mybrowser --new-window", {Link}, {}, ""},
        {"online without it", nullptr, 0, Show, "", "mybrowser --new-window", {}, {"--new-window", Link}, ""},
        {"local", Recorder, 1, Show, "", "mybrowser --new-window", {}, {"--new-window", page}, ""},
        {"local report", Recorder, 1, Report, "", "mybrowser", {}, {BuiltinReport}, ""},
        {"tool type report", Recorder, 0, Report, "https://r.example/", "mybrowser", {"https://r.example/"}, {}, ""},
        {"no browser", nullptr, 0, Show, "", "nosuchbrowser", {}, {}, NotAvailable(Link)},
        {"handler fails", Broken, 0, Show, "", "mybrowser", {}, {}, "Error: can not start browser."},
        {"nothing selected", Recorder, 0, ShowNothing, "", "mybrowser", {}, {}, ""},
        // A page that is not written whole is not shown: the browser would show the article shown before.
        {"page not written", Recorder, 1, ShowUnwritten, "", "mybrowser", {}, {}, ""},
        {"hostile", nullptr, 0, Start, hostile, "mybrowser --new-window", {}, {"--new-window", hostile}, ""},
        {"hostile, URL device", Recorder, 0, Start, hostile, "mybrowser", {hostile}, {}, ""},
        {"words at blanks", nullptr, 0, Start, " -x", " mybrowser\t--new-window  --private ", {},
            {"--new-window", "--private", " -x"}, ""},
        // A leading '-' is refused before either way of opening the address is chosen.
        {"short option", Recorder, 0, Start, "-x", "mybrowser", {}, {}, NotAvailable("-x")},
        {"long option", nullptr, 0, Start, longOption.c_str(), "mybrowser", {}, {},
            NotAvailable(longOption).substr(0, 1023)},
        {"longest address", Recorder, 0, Start, fits.c_str(), "mybrowser", {fits}, {}, ""},
        {"address too long to be cut", Recorder, 0, Start, tooLong.c_str(), "mybrowser", {}, {},
            "Error: can not start browser."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        testplat::Reset();
        std::filesystem::remove(bin.file("xdg-open"));
        std::filesystem::remove(dev.ram() + "t/tr.out");
        if (c.urlHandler)
            Install("xdg-open", c.urlHandler);
        gb_PrefsData.Anzeige = c.anzeige;
        Strlcpy(gb_ReportLink, c.action == Report ? c.address : "", sizeof(gb_ReportLink));
        Strlcpy(gb_PrefsData.Browser, c.browser, sizeof(gb_PrefsData.Browser));
        gui::SetListBrowserLabels(gb_NewslistGad, &channel.list, c.action == ShowNothing ? -1 : 0);
        testplat::LimitFileSize(c.action == ShowUnwritten ? 5 : -1);
        if (c.action == Start)
            StartBrowser(c.address);
        else
            c.action == Report ? ReportLink() : ShowLink();
        EXPECT_EQ(Recorded("xdg-open"), c.handlerGot);
        EXPECT_EQ(Recorded("mybrowser"), c.browserGot);
        EXPECT_EQ(testplat::LastRequesterBody(), c.shown);
        EXPECT_EQ(testplat::ReadFile(dev.ram() + "t/tr.out"), c.browserGot.empty() ? "" : "out\nerr\n");
    }
    // Written by the local row, kept by the row that could not write it.
    EXPECT_EQ(testplat::ReadFile(page), Page);
    EXPECT_FALSE(testplat::FileExists(bin.file("pw.ran")));
    gui::DisposeObject(gb_NewslistGad);
}

} // namespace
