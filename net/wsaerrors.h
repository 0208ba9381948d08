#pragma once
// Socket errors are shown to users under their classic Windows Sockets numbers and names,
// so messages read the same on every platform the game has run on.
#include <QString>

namespace mb {

// Maps a POSIX errno (or a getaddrinfo EAI_* code passed through lookupErrorToWsa) to the
// Windows Sockets number; unknown values map to 10000 + errno, which prints as "UNKNOWN ERROR".
int errnoToWsa(int err);
int lookupErrorToWsa(int eaiCode);
// "WSAECONNREFUSED" for 10061, ..., "UNKNOWN ERROR" for anything without a name.
QString wsaErrorName(int wsa);
// "Error #10061 (WSAECONNREFUSED)"
QString wsaErrorText(int wsa);

}  // namespace mb
