#include "dialogs/helptexts.h"

#include <array>

namespace mb {
namespace {

constexpr char kOverview[] =
    "Marrowby is a simple little card game, made for fun: get your ten cards into order before "
    "anybody else does.\n\n"
    "Up to four people play at one table and up to five more can watch. Every player runs a "
    "copy of the program; started on its own it is a solo game against the computer.";

constexpr char kConnecting[] =
    "SOLO GAMES\n"
    "Start Marrowby without anything on its command line. It hosts a game on this computer and "
    "seats you as \"You\"; the computer plays the second seat. Press Start Game to begin. No "
    "internet connection is needed, but a firewall must let the game use the local network, "
    "since even a solo game talks to its own host.\n\n"
    "PLAYING WITH OTHERS: THE LOBBY\n"
    "Start the Marrowby Lobby (\"Play with Others\" in the menu entry, or marrowby-lobby). Type "
    "your name. The lobby lists the tables on this network: each table's name, address, how "
    "many seats are taken, how many watch and whether a game is running; a table of another "
    "version is marked. Choose one and press Join, or type the name or address of a table "
    "elsewhere. Host a Table starts a table of your own that the others see in their lobby; "
    "Play Solo starts a solo game. While the game runs the lobby stays out of the way; when "
    "it ends the lobby comes back and says how. Listing tables needs the Avahi service; "
    "without it, joining by address still works.\n\n"
    "HOSTING AND JOINING BY HAND\n"
    "  marrowby NAME HOST true    hosts a game as NAME\n"
    "  marrowby NAME HOST false   joins the game hosted at HOST as NAME\n"
    "A host must accept incoming connections on TCP port 7772. The first player in the list is "
    "normally the host; if the host leaves, the game ends for everybody and every copy "
    "closes.\n\n"
    "THE DEDICATED HOST\n"
    "marrowby-host runs a game host without a table of its own, for example on a server:\n"
    "  marrowby-host [--port N] [--bot-speed fast|normal|slow|MS] [--name TEXT]\n"
    "It appears in the lobby under its name (the machine's name unless --name says otherwise; "
    "--no-announce keeps it unlisted). The first player to connect gets seat 1 and with it the "
    "host's rights: their window shows Start Game and can remove players. Players join it "
    "from the lobby or with \"marrowby NAME HOST false\".";

constexpr char kGamePlay[] =
    "THE GOAL\n"
    "Put the ten cards of your hand in order, from the lowest on the left to the highest on the "
    "right. The numbers need not follow one another: 3, 7, 12, 15, ... is in order.\n\n"
    "YOUR TURN\n"
    "When \"Your Turn.\" shows, click the discard pile (its top card is face up) or the draw "
    "pile (you see the card once you take it). Then click the card of your hand that the new "
    "card should replace; the replaced card goes onto the discard pile. The turn then passes "
    "on.\n\n"
    "THE TABLE\n"
    "The piles lie in the middle, the seats and their scores at the top right, your hand below, "
    "the chat at the bottom. An arrow points at the player whose turn it is. The deck has 40, "
    "50 or 60 cards, depending on how many seats play. Empty seats are played by the "
    "computer.\n\n"
    "THE END\n"
    "The first player whose cards are all in order ends the round and scores the sum of the "
    "numbers on them. A new round starts a few seconds later. The game ends when a player "
    "reaches the play-to score that the host chose when starting the game.\n\n"
    "WATCHING\n"
    "Seats 5 to 9 are for spectators: they see the table and chat, but do not play. View, Spy "
    "List shows them. Options, Just Watch lets a seated player sit out; the computer plays the "
    "seat meanwhile. The host can right-click a player's name to remove the player or to set "
    "or unset Just Watch.";

constexpr char kScoring[] =
    "The first player to get all ten cards in order scores the sum of the numbers on them; "
    "nobody else scores that round. The scores add up from round to round, and the first "
    "player to reach the play-to score wins the game.\n\n"
    "View, View Tally keeps a tally of your games against each opponent: who won, and how many "
    "turns you needed to put your cards in order. It is kept between runs.";

constexpr char kOptions[] =
    "OPTIONS MENU\n"
    "Play Sounds - the game's own sounds (your turn, a card taken, a round won).\n"
    "Player Phrase Sounds - the chatter sounds other players send; when off, they show as a "
    "line in the chat instead.\n"
    "Turn Sound - Classic or New, the sound that tells you it is your turn.\n"
    "Bot Speed - how quickly the computer players move: Slow, Normal or Fast. It counts on "
    "the copy that hosts the game.\n"
    "Text Color - the colour of the lines you send.\n"
    "Text Size - the size of the chat text.\n"
    "Scroll Chat Off (Ctrl+S) - stops the chat from following new lines, so you can read back.\n"
    "Clear Main Chat - empties the chat.\n"
    "Reset Screen Location - puts the window back in the top left corner at its first size.\n"
    "Just Watch - sit out and watch; the computer plays your seat.\n\n"
    "CHAT\n"
    "Type a line and press Enter. A line that starts with /me is sent as an action. The nine "
    "phrase buttons send a stored phrase with one click, at most once every 2 seconds; View, "
    "Phrase List changes the phrases. The musical button sends a short chatter sound to "
    "everybody, and the smiley button adds a small picture to your line. Web addresses in the "
    "chat can be clicked.\n\n"
    "OTHER WINDOWS\n"
    "View, View Tally: your record against each opponent. View, Spy List: the spectators. "
    "Help, Quick Instructions (Ctrl+I): the rules on one page.\n\n"
    "Every option is saved at once in the settings file kestrolobby.ini.";

constexpr char kDocumentation[] =
    "VERSION HISTORY\n"
    "1.0.0.0 - first alpha release.\n\n"
    "FILES\n"
    "Marrowby keeps its settings in kestrolobby.ini (section [Marrowby]; other sections are "
    "left alone) and the tally in Marrowbytally.tld, both beside the program when its "
    "directory can be written, otherwise in your own configuration and data directories "
    "(~/.config/Marrowby and ~/.local/share/Marrowby).";

constexpr char kLicense[] =
    "Marrowby is copyright Kestro Software.\n\n"
    "You may use this program free of charge and give unchanged copies of it to others, as "
    "long as nothing is charged for it.\n\n"
    "The program is provided as it is, without warranty of any kind. Kestro Software is not "
    "liable for any damage arising from its use.";

constexpr char kLobby[] =
    "The Kestro Lobby is a separate program where players meet, chat and arrange games. When a "
    "game is arranged there, the lobby starts Marrowby for every player, with the player's "
    "name, the host's address and whether this copy hosts, and Marrowby keeps a link to the "
    "lobby open on local port 9001 while it runs.\n\n"
    "The lobby is not part of Marrowby. A solo game offers to download and install it; without "
    "it, games can still be hosted and joined from the command line (see Connecting).";

constexpr std::array<HelpTopic, 8> kTopics{{
    {1, "Overview", kOverview},
    {2, "Connecting", kConnecting},
    {3, "Game Play", kGamePlay},
    {4, "Scoring", kScoring},
    {7, "Options", kOptions},
    {5, "Documentation", kDocumentation},
    {6, "License", kLicense},
    {8, "Kestro Lobby", kLobby},
}};

}  // namespace

std::span<const HelpTopic> helpTopics() {
    return kTopics;
}

}  // namespace mb
