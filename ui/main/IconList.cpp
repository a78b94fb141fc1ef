#include "ui/main/IconList.h"

#include <array>

namespace quillon {

QIcon IconListIcon(int Index)
{
    static constexpr std::array<const char*, iiCount> names = {
        "render", "open", "saveas", "saveimage", "screenshot", "stop", "deleteselection",
        "interior", "home", "fullscreen", "zoomin", "zoomout", "autorender", "animatepalette",
        "record", "options", "julia", "modecursor", "modeselection", "quickhelp", "exit",
        "lastview", "nextview"};
    if (Index < 0 || Index >= iiCount)
        return {};
    return QIcon(QStringLiteral(":/icons/%1.png").arg(QString::fromLatin1(names[static_cast<std::size_t>(Index)])));
}

} // namespace quillon
