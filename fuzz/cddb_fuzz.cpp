// FreeDB replies: CDDB query and read replies, xmcd entries and the web search page.
#include "FuzzTarget.h"

#include "net/FreeDB.h"

SONVALE_FUZZ_TARGET(cddb) {
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)ParseCddbQueryReply(body);
    (void)CddbReadError(body);
    (void)ParseXmcd(body);
    (void)ParseFreeDBSearchPage(body, QStringLiteral("www.example.org"));
}
