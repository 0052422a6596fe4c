// Fuzz target: a catalog file through the catalog reader, then every program text looked up in it.
// A text that the catalog replaces must take the same printf arguments as its built-in default, as
// the C library's own format parser sees them, so that no catalog can make a caller read an
// argument it did not pass.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "CatalogImage.h"
#include "FuzzCheck.h"
#include "TavrinLocale.h"
#include "platform/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    locale::Catalog *catalog = locale::ParseCatalog(data, size, 1);
    if (!catalog)
        return 0;
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++) {
        const CatalogDefault &entry = gb_CatalogDefaults[i];
        const char *text = locale::GetCatalogStr(catalog, entry.id, entry.text);
        if (text != entry.text && ArgumentTypes(text) != ArgumentTypes(entry.text))
            Fail("a catalog text takes other arguments than its default");
    }
    locale::CloseCatalog(catalog);
    return 0;
}
