#include "TavrinLocale.h"

#include "platform/locale.h"

CONST_STRPTR GetString(LONG id)
{
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++) {
        if (gb_CatalogDefaults[i].id == id)
            return locale::GetCatalogStr(gb_Catalog, id, gb_CatalogDefaults[i].text);
    }
    return "";
}
