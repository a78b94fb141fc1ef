#pragma once
// The command icons, by their index in the icon list.
#include <QtGui/QIcon>

namespace quillon {

enum TIconIndex : int {
    iiRender = 0,
    iiOpen,
    iiSaveAs,
    iiSaveImage,
    iiScreenShot,
    iiRenderRunning = 5,
    iiDeleteSelection,
    iiInterior,
    iiHome,
    iiFullScreen,
    iiZoomIn,
    iiZoomOut,
    iiAutoRender,
    iiAnimatePalette,
    iiRecord,
    iiOptions,
    iiJulia,
    iiModeCursor,
    iiModeSelection,
    iiQuickHelp,
    iiExit,
    iiLastView,
    iiNextView,
    iiCount
};

// The icon at Index; an empty icon outside the list.
QIcon IconListIcon(int Index);

} // namespace quillon
