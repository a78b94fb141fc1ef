#pragma once
// Every section and value name of the per-user settings store, in one place.
// The store keeps the same names on every platform.

namespace quillon::settings {

// Where the application's values live: \Software\Borvik\Quillon.
inline constexpr const char* CompanyKey = "\\Software\\Borvik\\";
inline constexpr const char* ApplicationKey = "Quillon\\";

// The main window's settings.
inline constexpr const char* SectionCurrent = "Current";
inline constexpr const char* KeyAutoRender = "AutoRender";
inline constexpr const char* KeyToolMode = "ToolMode";
inline constexpr const char* KeyMaxSteps = "MaxSteps";
inline constexpr const char* KeyMaxAbs = "MaxAbs";
inline constexpr const char* KeyAnimationSpeed = "AnimationSpeed";
inline constexpr const char* KeyAnimationDirection = "AnimationDirection";
inline constexpr const char* KeyInteriorVisible = "InteriorVisible";
inline constexpr const char* KeyInteriorFactor = "InteriorFactor";
inline constexpr const char* KeyColorOffset = "ColorOffset";
inline constexpr const char* KeyColorWrapping = "ColorWrapping";
inline constexpr const char* KeyColorMap = "ColorMap";
inline constexpr const char* KeySmoothColors = "SmoothColors";

inline constexpr const char* SectionView = "View";
inline constexpr const char* KeyQuickHelpVisible = "QuickHelpVisible";
inline constexpr const char* KeyJuliaPreviewVisible = "JuliaPreviewVisible";

// Window placements: one section per form, named after the form.
inline constexpr const char* SectionMainDialog = "MainDialog";
inline constexpr const char* KeyLeft = "Left";
inline constexpr const char* KeyTop = "Top";
inline constexpr const char* KeyWidth = "Width";
inline constexpr const char* KeyHeight = "Height";
inline constexpr const char* KeyMonitor = "Monitor";

// Options dialog.
inline constexpr const char* SectionOptions = "Options";
inline constexpr const char* KeyFirstChapterVisible = "FirstChapterVisible";
inline constexpr const char* KeyStretchView = "StretchView";

// Palette chapter.
inline constexpr const char* SectionPalette = "Palette";
inline constexpr const char* KeyRandomNodeCount = "RandomNodeCount";
inline constexpr const char* KeyRandomColorCount = "RandomColorCount";

// Quick-help window.
inline constexpr const char* SectionQuickHelpDialog = "QuickHelpDialog";
inline constexpr const char* KeyOffsetX = "Offset.x";
inline constexpr const char* KeyOffsetY = "Offset.y";

// Julia preview window: its offset, with the quick-help window's value names.
inline constexpr const char* SectionJuliaPreview = "JuliaPreview";

} // namespace quillon::settings
