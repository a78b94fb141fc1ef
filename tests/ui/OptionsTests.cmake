# Tests of the options dialog, its chapters and controls, and the About box.
# Included from tests/ui/CMakeLists.txt (uses quillon_add_qtest from there).
quillon_add_qtest(quillon_ui_options_tests
  SOURCES OptionsDialogTest.cpp
  LIBS quillon::ui_main quillon::ui_optionsdlg quillon::ui_common quillon::resources quillon::settings
       quillon::colormap)

# The window in deep views, the View chapter included.
quillon_add_qtest(quillon_ui_deep_tests
  SOURCES MainDlgDeepTest.cpp
  LIBS quillon::ui_main quillon::ui_optionsdlg quillon::ui_common quillon::resources quillon::settings)

quillon_add_qtest(quillon_ui_options_chapters_tests
  SOURCES OptionsChaptersTest.cpp
  LIBS quillon::ui_main quillon::ui_optionsdlg quillon::ui_common quillon::resources quillon::settings
       quillon::colormap)

# Limits allocations through its own operator new and delete, so every
# allocation of the process, Qt's own included, goes through the test program.
# ThreadSanitizer then cannot tell Qt's memory hand-overs between its threads
# from races: the label keeps it out of that stage.
quillon_add_qtest(quillon_ui_options_memory_tests
  SOURCES OptionsMemoryLimitTest.cpp
  LIBS quillon::ui_main quillon::ui_optionsdlg quillon::ui_common quillon::resources quillon::settings)
set_tests_properties(quillon_ui_options_memory_tests PROPERTIES LABELS "ui;own-allocator")

quillon_add_qtest(quillon_ui_palette_editor_tests
  SOURCES OptionsPaletteTest.cpp
  LIBS quillon::ui_optionsdlg quillon::ui_common quillon::colormap)

quillon_add_qtest(quillon_ui_about_tests
  SOURCES AboutDlgTest.cpp
  LIBS quillon::ui_aux quillon::ui_common)

# Not a test: pictures of each chapter and of the About box under a real X
# server, for a person to look at (see the source).
add_executable(quillon_options_showcase OptionsShowcase.cpp)
quillon_target_defaults(quillon_options_showcase)
target_link_libraries(quillon_options_showcase PRIVATE quillon::ui_main quillon::ui_aux quillon::resources Qt6::Test Qt6::Widgets)
