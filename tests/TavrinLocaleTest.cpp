#include "TavrinLocale.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "CatalogImage.h"
#include "Tavrin.h"
#include "platform/TestPlatform.h"
#include "platform/locale.h"

namespace {

using namespace std::string_literals;

// What the program shows for a text while the catalog made of these bytes is in use; "(refused)" when
// the reader refuses the bytes. A translation must keep the printf conversions of its default.
TEST(CatalogReader, Table)
{
    const auto Cset = [](uint32_t codeSet) { return Chunk("CSET", Be32(codeSet) + std::string(28, '\0')); };
    const std::string fine = Chunk("STRS", Record(TX_Ok, "Fine")), uber = Chunk("STRS", Record(TX_Ok, "\xdc"s + "ber"));
    const auto Translated = [](LONG id, const char *text) { return Form(kFver + Chunk("STRS", Record(id, text))); };
    const struct {
        std::string bytes;
        LONG id;
        std::string shown;
    } kCases[] = {
        {Form(kFver + Chunk("ANNO", "odd") + Chunk("LANG", "english\0"s) + Cset(106)
             + Chunk("STRS", Record(4711, "odd") + Record(TX_Ok, "Fine"))),
            TX_Ok, "Fine"},
        {Form(kFver + fine), TX_GadPrefs, "_Prefs"}, // not in the catalog
        {Form(kFver + Cset(0) + uber), TX_Ok, "Über"}, // code sets 0 and 4 are ISO-8859-1
        {Form(kFver + Cset(4) + uber), TX_Ok, "Über"},
        {Translated(ERR_DamagedConfig, "Broken file (%s)"), ERR_DamagedConfig, "Broken file (%s)"},
        {Translated(ERR_DamagedConfig, "Broken file (%s) %s"), ERR_DamagedConfig, STR_ERR_DamagedConfig},
        {Translated(ERR_DamagedConfig, "Broken file (%ld)"), ERR_DamagedConfig, STR_ERR_DamagedConfig},
        {Translated(TX_Ok, "100%% ok"), TX_Ok, "100%% ok"},
        {Form(fine), TX_Ok, "(refused)"}, // no FVER
        {Form(Chunk("FVER", "$VER: Tavrin.catalog 2.0 (1.1.2020)\0"s) + fine), TX_Ok, "(refused)"},
        {"FORM" + Be32(8) + "ILBM" + Be32(0), TX_Ok, "(refused)"},
        {Form(kFver + Cset(2) + fine), TX_Ok, "(refused)"}, // an unknown code set
        {Form(kFver + Chunk("STRS", Be32(TX_Ok) + Be32(100) + "abc")), TX_Ok, "(refused)"},
        {Form(kFver + "STRS" + Be32(1000)), TX_Ok, "(refused)"},
        // The last chunk's records lie behind the FORM's end, though inside the file.
        {Form(kFver + "STRS" + Be32(16)) + Record(TX_Ok, "Fine"), TX_Ok, "(refused)"},
    };
    for (const auto &c : kCases) {
        gb_Catalog = Parse(c.bytes);
        EXPECT_EQ(gb_Catalog ? GetString(c.id) : "(refused)", c.shown) << &c - kCases;
        locale::CloseCatalog(gb_Catalog);
    }
    gb_Catalog = nullptr;

    // Each prefix of a valid catalog is refused; ASan sees any read beyond the exact copy.
    const std::string full = Form(kFver + Cset(106) + fine);
    for (size_t len = 0; len < full.size(); len++) {
        const std::vector<unsigned char> copy(full.begin(), full.begin() + long(len));
        EXPECT_EQ(locale::ParseCatalog(copy.data(), len, 1), nullptr) << len;
    }
}

// The English catalog that the build compiles is found through PROGDIR: by English users only, and
// shows an English text for every number: the reader takes a translation only when it keeps the printf
// conversions of its built-in default.
TEST(CatalogFiles, TheShippedEnglishCatalog)
{
    const std::string path = testplat::BuildPath("Catalogs/english/Tavrin.catalog");
    ASSERT_TRUE(testplat::FileExists(path)) << path << " was not built";
    testplat::Devices devices;
    std::filesystem::create_directories(devices.progdir() + "Catalogs/english");
    std::filesystem::copy_file(path, devices.progdir() + "Catalogs/english/Tavrin.catalog");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "en_GB.UTF-8", 1);
    setenv("LC_ALL", "", 1);
    locale::Catalog *cat = locale::OpenCatalog("Tavrin.catalog", 1);
    ASSERT_NE(cat, nullptr);
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++) {
        const CatalogDefault &d = gb_CatalogDefaults[i];
        EXPECT_NE(locale::GetCatalogStr(cat, d.id, d.text), d.text) << d.id << " is not shown in English";
    }
    locale::CloseCatalog(cat);
    setenv("LC_ALL", "de_DE.UTF-8", 1); // wins over LANG: German is built in
    EXPECT_EQ(locale::OpenCatalog("Tavrin.catalog", 1), nullptr);
    unsetenv("LC_ALL");
    unsetenv("LANG");
}

} // namespace
