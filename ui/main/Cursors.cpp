#include "ui/main/Cursors.h"

#include <QtGui/QPixmap>

#include <map>

#include "engine/Errors.h"

namespace quillon {
namespace {

std::map<int, QCursor>& Registry()
{
    static std::map<int, QCursor> cursors;
    return cursors;
}

std::vector<QCursor>& Frames()
{
    static std::vector<QCursor> frames;
    return frames;
}

} // namespace

QCursor LoadCursorResource(const QString& Path, int HotX, int HotY)
{
    QPixmap pixmap(Path);
    if (pixmap.isNull())
        throw EQuillonError("The specified resource name cannot be found in the image file.");
    return QCursor(pixmap, HotX, HotY);
}

void RegisterCustomCursors()
{
    auto& reg = Registry();
    reg[crCross] = LoadCursorResource(QStringLiteral(":/cursors/cursor_cross.png"), 16, 16);
    reg[crMove] = LoadCursorResource(QStringLiteral(":/cursors/cursor_move.png"), 16, 16);
    reg[crTurn] = LoadCursorResource(QStringLiteral(":/cursors/cursor_turn.png"), 16, 16);
    reg[crStretch] = LoadCursorResource(QStringLiteral(":/cursors/cursor_stretch.png"), 16, 16);
    std::vector<QCursor> frames;
    for (int k = 0; k < 8; ++k)
        frames.push_back(LoadCursorResource(QStringLiteral(":/cursors/cursor_animate_%1.png").arg(k), 16, 16));
    Frames() = frames;
    reg[crAnimate] = frames.front();
}

QCursor Cursor(int Id)
{
    const auto& reg = Registry();
    const auto it = reg.find(Id);
    return it == reg.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

const std::vector<QCursor>& AnimatedCursorFrames()
{
    return Frames();
}

} // namespace quillon
