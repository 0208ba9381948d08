#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

// The game's pictures, drawn in code rather than loaded from files so that they stay sharp at any
// device pixel ratio. Every function returns a pixmap whose devicePixelRatio() is the requested
// ratio and whose physical size is the logical size times that ratio (rounded), so a widget can
// draw it at its logical size. Results are cached per picture and ratio: asking again is cheap
// and returns a pixmap sharing the same data (equal cacheKey()).
//
// Logical sizes:
//   card                 71 x 96   (index 0 the back, 1..60 the faces)
//   turn arrow           18 x 32   points right; its tip is level with the vertical middle, so a
//                                  picture placed 8 pixels above a name label points at the text
//   "NOT PLAYING"        80 x 16   a label-high badge shown in place of a score
//   "START GAME" button 134 x 27   normal and pressed look
//   eyes                 23 x 10   a pair of eyes looking to the right (towards the name)
//   background tile      96 x 96   a quiet light texture around #DFDFDF that tiles seamlessly
//   smileys              17 x 16   18 faces, index 0..17 (chat codes ":)#10" to ":)#27")
//   logo                308 x 94   the game's name beside a fan of cards (about window, table)
//   quick instructions  588 x 341  the title and a small table with the three how-to-play notes
//   lobby picture       436 x 360  players round a table in front of a globe (download window)
//
// The application icon is square and drawn straight at the pixel size asked for, simplified below
// 48 pixels; it is not cached (it is asked for once per size).
//
// All functions need a QGuiApplication and belong to the thread that runs it; only the drawing
// started by the draw...Ahead() functions runs elsewhere.
namespace mb::art {

inline constexpr int kCardBack = 0;
inline constexpr int kFirstCard = 1;
inline constexpr int kLastCard = 60;
inline constexpr int kCardPictureCount = kLastCard + 1;
inline constexpr int kSmileyCount = 18;

QSize cardSize();
// Card `number` 1..60 shows that face; 0 and anything out of range show the back.
QPixmap card(int number, qreal dpr = 1.0);

QSize turnArrowSize();
QPixmap turnArrow(qreal dpr = 1.0);

QSize notPlayingSize();
QPixmap notPlaying(qreal dpr = 1.0);

QSize startGameButtonSize();
QPixmap startGameButton(qreal dpr = 1.0, bool pressed = false);

QSize eyesSize();
QPixmap eyes(qreal dpr = 1.0);

QSize backgroundTileSize();
QPixmap backgroundTile(qreal dpr = 1.0);

QSize smileySize();
// Index 0..17; anything out of range shows smiley 0, as the chat does with unknown codes.
QPixmap smiley(int index, qreal dpr = 1.0);

QSize logoSize();
QPixmap logo(qreal dpr = 1.0);

QSize quickInstructionsSize();
QPixmap quickInstructions(qreal dpr = 1.0);

QSize lobbyPictureSize();
QPixmap lobbyPicture(qreal dpr = 1.0);
// Starts drawing pictures at `dpr` on a thread of their own, so that the windows built
// meanwhile do not wait for them; asking for one at the same ratio then takes the result,
// waiting for it if need be. Pictures drawn or being drawn already are left out.
// Meant for the start: each call that finds something to draw starts a thread, and the
// threads are joined when the application object goes (or at exit, whichever comes first).
// The lobby picture: the download window shows it at a solo start, and it takes longer to
// draw than all the table's pictures together.
void drawLobbyPictureAhead(qreal dpr);
// What the table shows from its first frame: the background tile, the turn arrow, "NOT
// PLAYING", the eyes, both looks of the start button, and the chat's smileys.
void drawTableAhead(qreal dpr);

inline constexpr int kMaxIconPixels = 1024;
// A square icon `pixels` wide, 1..kMaxIconPixels.
QImage appIcon(int pixels);
// The lobby's icon: the application icon with a globe in its lower right corner, for the
// program that finds tables on the network. Same sizes as appIcon().
QImage lobbyIcon(int pixels);

}  // namespace mb::art
