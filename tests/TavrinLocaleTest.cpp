#include "TavrinLocale.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "CatalogImage.h"
#include "Tavrin.h"
#include "platform/TestPlatform.h"
#include "platform/locale.h"

namespace {

std::string Cset(uint32_t codeSet)
{
    return Be32(codeSet) + std::string(28, '\0');
}

std::string Lookup(locale::Catalog *cat, LONG id, const char *def)
{
    return locale::GetCatalogStr(cat, id, def);
}

TEST(CatalogDefaults, EveryNumberOnceWithItsGermanText)
{
    std::set<LONG> ids;
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++)
        ids.insert(gb_CatalogDefaults[i].id);
    EXPECT_EQ(ids.size(), 87u);
    EXPECT_EQ(
        ids.count(ERR_StartFromWorkbench) + ids.count(ERR_CantLayoutMenu) + ids.count(ERR_CouldntLockPubScreen), 3u);

    EXPECT_STREQ(GetString(TX_WinTitle), "Kestrel Review Newsübersicht");
    EXPECT_STREQ(GetString(ERR_URLNotAvailable), "URL: Device nicht vorhanden zum Anzeigen der News.\n[%s]");
    EXPECT_STREQ(GetString(TX_PGad_Request), GetString(TX_PGad_Anzeige));
    EXPECT_NE(STR_TX_PGad_Request, STR_TX_PGad_Anzeige);

    const char *quit = GetString(TX_Menu_Quit);
    EXPECT_STREQ(quit, "Q");
    EXPECT_STREQ(quit + 2, "Beenden");
    EXPECT_STREQ(GetString(TX_Menu_About) + 2, "Über ...");
}

TEST(CatalogReader, ReadsRecordsWithNulsAndSkipsUnknownChunks)
{
    std::string strs = Record(TX_Ok, "Fine") + Record(TX_Menu_Quit, std::string("X\0Exit", 6)) + Record(4711, "odd");
    auto *cat = Parse(Form(kFver + Chunk("ANNO", "odd") + Chunk("LANG", std::string("english") + '\0')
        + Chunk("CSET", Cset(106)) + Chunk("STRS", strs)));
    ASSERT_NE(cat, nullptr);
    EXPECT_EQ(Lookup(cat, TX_Ok, STR_TX_Ok), "Fine");
    const char *quit = locale::GetCatalogStr(cat, TX_Menu_Quit, STR_TX_Menu_Quit);
    EXPECT_STREQ(quit, "X");
    EXPECT_STREQ(quit + 2, "Exit");
    EXPECT_EQ(Lookup(cat, TX_GadPrefs, STR_TX_GadPrefs), "_Prefs"); // not in the catalog
    locale::CloseCatalog(cat);

    // Code set 0 and 4 are ISO-8859-1, shown as UTF-8.
    for (uint32_t codeSet : {0u, 4u}) {
        cat = Parse(Form(kFver + Chunk("CSET", Cset(codeSet))
            + Chunk("STRS",
                Record(TX_Ok,
                    "\xdc"
                    "ber"))));
        ASSERT_NE(cat, nullptr) << codeSet;
        EXPECT_EQ(Lookup(cat, TX_Ok, STR_TX_Ok), "Über");
        locale::CloseCatalog(cat);
    }
}

TEST(CatalogReader, RejectsBrokenCatalogs)
{
    const std::string strs = Chunk("STRS", Record(TX_Ok, "Fine"));
    const struct {
        const char *what;
        std::string bytes;
    } kCases[] = {
        {"no FVER", Form(strs)},
        {"other version", Form(Chunk("FVER", std::string("$VER: Tavrin.catalog 2.0 (1.1.2020)") + '\0') + strs)},
        {"not a catalog", "FORM" + Be32(8) + "ILBM" + Be32(0)},
        {"unknown code set", Form(kFver + Chunk("CSET", Cset(2)) + strs)},
        {"record longer than chunk", Form(kFver + Chunk("STRS", Be32(TX_Ok) + Be32(100) + "abc"))},
        {"chunk longer than form", Form(kFver + "STRS" + Be32(1000))},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(Parse(c.bytes), nullptr) << c.what;
}

TEST(CatalogReader, NoPrefixOfAValidCatalogReadsPastItsEnd)
{
    const std::string full = Form(kFver + Chunk("CSET", Cset(106)) + Chunk("STRS", Record(TX_Ok, "Fine")));
    for (size_t len = 0; len < full.size(); len++) {
        // A copy of exactly `len` bytes, so that ASan sees any read beyond it.
        auto *copy = new unsigned char[len ? len : 1];
        memcpy(copy, full.data(), len);
        EXPECT_EQ(locale::ParseCatalog(copy, len, 1), nullptr) << len;
        delete[] copy;
    }
}

TEST(CatalogReader, TranslationMustKeepTheConversionsOfItsDefault)
{
    const struct {
        LONG id;
        const char *def;
        std::string translated;
        bool used;
    } kCases[] = {
        {ERR_DamagedConfig, STR_ERR_DamagedConfig, "Broken file (%s)", true},
        {ERR_DamagedConfig, STR_ERR_DamagedConfig, "Broken file (%s) %s", false},
        {ERR_DamagedConfig, STR_ERR_DamagedConfig, "Broken file (%ld)", false},
        {TX_Ok, STR_TX_Ok, "100%% ok", true},
    };
    for (const auto &c : kCases) {
        auto *cat = Parse(Form(kFver + Chunk("STRS", Record(static_cast<uint32_t>(c.id), c.translated))));
        ASSERT_NE(cat, nullptr);
        EXPECT_EQ(Lookup(cat, c.id, c.def), c.used ? c.translated : std::string(c.def)) << c.translated;
        locale::CloseCatalog(cat);
    }
}

TEST(CatalogLanguage, FromLocaleNames)
{
    EXPECT_STREQ(locale::LanguageFromLocale("de_DE.UTF-8"), "deutsch");
    EXPECT_STREQ(locale::LanguageFromLocale("en_US.UTF-8"), "english");
    EXPECT_STREQ(locale::LanguageFromLocale("fr_FR@euro"), "français");
    EXPECT_EQ(locale::LanguageFromLocale("C"), nullptr);
}

// The English catalog compiled by the build, found through PROGDIR: for an English user.
struct CatalogFiles : testing::Test {
    testplat::Devices devices;
    void SetUp() override
    {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        std::filesystem::create_directories(devices.progdir() + "Catalogs/english");
        std::filesystem::copy_file(std::string(getenv("TAVRIN_BUILD_DIR")) + "/Catalogs/english/Tavrin.catalog",
            devices.progdir() + "Catalogs/english/Tavrin.catalog");
    }
    void TearDown() override { unsetenv("LANG"); }
};

TEST_F(CatalogFiles, EnglishUserGetsTheShippedCatalog)
{
    setenv("LANG", "en_GB.UTF-8", 1);
    locale::Catalog *cat = locale::OpenCatalog("Tavrin.catalog", 1);
    ASSERT_NE(cat, nullptr);
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++) {
        const CatalogDefault &d = gb_CatalogDefaults[i];
        EXPECT_NE(locale::GetCatalogStr(cat, d.id, d.text), d.text) << d.id << " has no English text";
    }
    EXPECT_EQ(Lookup(cat, TX_GadGerman, STR_TX_GadGerman), "_German");
    EXPECT_STREQ(locale::GetCatalogStr(cat, TX_Menu_Quit, STR_TX_Menu_Quit) + 2, "Quit");
    locale::CloseCatalog(cat);
    EXPECT_EQ(locale::OpenCatalog("Tavrin.catalog", 2), nullptr);
}

TEST_F(CatalogFiles, GermanIsBuiltInAndADamagedFileGivesNoCatalog)
{
    setenv("LANG", "en_US.UTF-8", 1);
    setenv("LC_ALL", "de_DE.UTF-8", 1); // wins over LANG
    EXPECT_EQ(locale::OpenCatalog("Tavrin.catalog", 1), nullptr);
    unsetenv("LC_ALL");
    const std::string path = devices.progdir() + "Catalogs/english/Tavrin.catalog";
    std::string bytes = testplat::ReadFile(path);
    testplat::WriteFile(path, bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(locale::OpenCatalog("Tavrin.catalog", 1), nullptr);
}

} // namespace
