# Tests of the options dialog, its chapters and controls, and the About box.
# Included from tests/ui/CMakeLists.txt (uses quillon_add_qtest from there).
quillon_add_qtest(quillon_ui_options_tests
  SOURCES OptionsDialogTest.cpp
  LIBS quillon::ui_main quillon::ui_optionsdlg quillon::ui_common quillon::resources quillon::settings
       quillon::colormap)

quillon_add_qtest(quillon_ui_palette_editor_tests
  SOURCES OptionsPaletteTest.cpp
  LIBS quillon::ui_optionsdlg quillon::ui_common quillon::colormap)

quillon_add_qtest(quillon_ui_about_tests
  SOURCES AboutDlgTest.cpp
  LIBS quillon::ui_aux quillon::ui_common)
