#include "net/wsaerrors.h"

#include <netdb.h>

#include <cerrno>
#include <utility>

namespace mb {

namespace {

constexpr int kUnknownBase = 10000;

struct Named {
    int number;
    const char* name;
};

constexpr Named kNames[] = {
    {10004, "WSAEINTR"},           {10009, "WSAEBADF"},        {10013, "WSAEACCES"},
    {10014, "WSAEFAULT"},          {10022, "WSAEINVAL"},       {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},     {10036, "WSAEINPROGRESS"},  {10037, "WSAEALREADY"},
    {10038, "WSAENOTSOCK"},        {10039, "WSAEDESTADDRREQ"}, {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},      {10042, "WSAENOPROTOOPT"},  {10043, "WSAEPROTONOSUPPORT"},
    {10044, "WSAESOCKTNOSUPPORT"}, {10045, "WSAEOPNOTSUPP"},   {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},    {10048, "WSAEADDRINUSE"},   {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},        {10051, "WSAENETUNREACH"},  {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},    {10054, "WSAECONNRESET"},   {10055, "WSAENOBUFS"},
    {10056, "WSAEISCONN"},         {10057, "WSAENOTCONN"},     {10058, "WSAESHUTDOWN"},
    {10059, "WSAETOOMANYREFS"},    {10060, "WSAETIMEDOUT"},    {10061, "WSAECONNREFUSED"},
    {10062, "WSAELOOP"},           {10063, "WSAENAMETOOLONG"}, {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},    {10066, "WSAENOTEMPTY"},    {10067, "WSAEPROCLIM"},
    {10068, "WSAEUSERS"},          {10069, "WSAEDQUOT"},       {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},         {10091, "WSASYSNOTREADY"},  {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WSANOTINITIALISED"},  {10101, "WSAEDISCON"},      {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},       {11003, "WSANO_RECOVERY"},  {11004, "WSANO_DATA"},
};

constexpr std::pair<int, int> kErrnoMap[] = {
    {EINTR, 10004},           {EBADF, 10009},           {EACCES, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},          {EMFILE, 10024},
    {ENFILE, 10024},          {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},        {ENETUNREACH, 10051},
    {ENETRESET, 10052},       {ECONNABORTED, 10053},    {ECONNRESET, 10054},
    {ENOBUFS, 10055},         {EISCONN, 10056},         {ENOTCONN, 10057},
    {EPIPE, 10058},           {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},       {EUSERS, 10068},          {EDQUOT, 10069},
    {ESTALE, 10070},          {EREMOTE, 10071},
};

}  // namespace

int errnoToWsa(int err) {
    for (const auto& [posix, wsa] : kErrnoMap)
        if (posix == err) return wsa;
    return kUnknownBase + err;
}

int lookupErrorToWsa(int eaiCode) {
    switch (eaiCode) {
        case EAI_NONAME:
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
        case EAI_NODATA:
            return 11004;
        default:
            return 11003;
    }
}

QString wsaErrorName(int wsa) {
    for (const auto& entry : kNames)
        if (entry.number == wsa) return QString::fromLatin1(entry.name);
    return QStringLiteral("UNKNOWN ERROR");
}

QString wsaErrorText(int wsa) {
    return QStringLiteral("Error #%1 (%2)").arg(wsa).arg(wsaErrorName(wsa));
}

}  // namespace mb
