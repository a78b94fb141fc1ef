# The options dialog: its framework, the four chapters, the color map editor
# and the grid list. Included from ui/CMakeLists.txt.
qt_add_library(quillon_ui_optionsdlg STATIC
  options/AlgorithmChapter.cpp
  options/AlgorithmChapter.h
  options/ChapterFrm.cpp
  options/ChapterFrm.h
  options/ColorMapFrm.cpp
  options/ColorMapFrm.h
  options/CustomDlg.cpp
  options/CustomDlg.h
  options/EffectsChapter.cpp
  options/EffectsChapter.h
  options/GridList.cpp
  options/GridList.h
  options/OptionsChapters.cpp
  options/OptionsChapters.h
  options/OptionsDlg.cpp
  options/OptionsDlg.h
  options/PaletteChapter.cpp
  options/PaletteChapter.h
  options/ViewChapter.cpp
  options/ViewChapter.h
)
add_library(quillon::ui_optionsdlg ALIAS quillon_ui_optionsdlg)
set_target_properties(quillon_ui_optionsdlg PROPERTIES AUTOMOC ON)
target_include_directories(quillon_ui_optionsdlg PUBLIC ${PROJECT_SOURCE_DIR})
quillon_target_defaults(quillon_ui_optionsdlg)
target_link_libraries(quillon_ui_optionsdlg
  PUBLIC Qt6::Widgets quillon::engine quillon::colormap quillon::session quillon::settings quillon::ui_common)
