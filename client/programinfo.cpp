#include "client/programinfo.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

#include "core/version.h"
#include "widgets/programicons.h"

namespace mb {
namespace {

constexpr char kUsage[] =
    "Usage: marrowby [NAME HOST true|false]\n"
    "A card game for up to four players and five onlookers.\n"
    "\n"
    "  marrowby                   solo game against the computer, hosted on this machine\n"
    "  marrowby NAME HOST true    host a game on port 7772 as NAME\n"
    "  marrowby NAME HOST false   join the game hosted at HOST as NAME\n"
    "  marrowby -h, --help        show this help and exit\n"
    "  marrowby --version         show the version and exit\n";

}  // namespace

bool answerInformationRequest(int argc, char* argv[]) {
    if (argc != 2) return false;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("marrowby %s\n", kProgramVersion);
        return true;
    }
    return false;
}

void setApplicationIdentity() {
    QGuiApplication::setDesktopFileName(QStringLiteral("marrowby"));
    QGuiApplication::setWindowIcon(compiledIcon(appIconData()));
}

}  // namespace mb
