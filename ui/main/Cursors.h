#pragma once
// The custom cursors of the paint box, registered by id like the
// application's cursor list: 100 cross, 101 move, 102 turn, 103 stretch and
// 104 the animated cursor.
#include <QtGui/QCursor>

#include <vector>

namespace quillon {

constexpr int crDefault = 0; // the ordinary arrow
constexpr int crCross = 100;
constexpr int crMove = 101;
constexpr int crTurn = 102;
constexpr int crStretch = 103;
constexpr int crAnimate = 104;

// A cursor image from the resources with its hot spot; fails when the image
// is missing.
QCursor LoadCursorResource(const QString& Path, int HotX, int HotY);

// Registers the five cursors; fails on the first missing image.
void RegisterCustomCursors();

// A registered cursor, or the arrow for an unknown id.
QCursor Cursor(int Id);
// The frames of the animated cursor (104 shows the first).
const std::vector<QCursor>& AnimatedCursorFrames();

} // namespace quillon
