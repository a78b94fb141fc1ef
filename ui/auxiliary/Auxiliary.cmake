# The auxiliary windows: the About box with its version data and web links.
# Included from ui/CMakeLists.txt.
set(QUILLON_VERSION_LANGUAGE 0409)
set(QUILLON_VERSION_CODEPAGE 04E4)
set(QUILLON_VERSION_BLOCK ${QUILLON_VERSION_LANGUAGE}${QUILLON_VERSION_CODEPAGE})
set(QUILLON_COMPANY_NAME "Borvik")
set(QUILLON_FILE_DESCRIPTION "Quillon - Mandelbrot Set Renderer")
set(QUILLON_LEGAL_COPYRIGHT "Copyright (C) Borvik")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/auxiliary/VersionData.cpp.in
               ${CMAKE_CURRENT_BINARY_DIR}/auxiliary/VersionData.cpp @ONLY)

qt_add_library(quillon_ui_aux STATIC
  auxiliary/AboutBox.cpp
  auxiliary/AboutBox.h
  auxiliary/CustomBox.cpp
  auxiliary/CustomBox.h
  auxiliary/VersionInfo.cpp
  auxiliary/VersionInfo.h
  auxiliary/WebLink.cpp
  auxiliary/WebLink.h
  ${CMAKE_CURRENT_BINARY_DIR}/auxiliary/VersionData.cpp
)
add_library(quillon::ui_aux ALIAS quillon_ui_aux)
set_target_properties(quillon_ui_aux PROPERTIES AUTOMOC ON)
target_include_directories(quillon_ui_aux PUBLIC ${PROJECT_SOURCE_DIR})
quillon_target_defaults(quillon_ui_aux)
target_link_libraries(quillon_ui_aux PUBLIC Qt6::Widgets quillon::engine quillon::ui_optionsdlg)

# The main window's Options and About commands.
target_sources(quillon_ui_main PRIVATE main/MainDlgOptions.cpp main/MainDlgOptions.h)
target_link_libraries(quillon_ui_main PUBLIC quillon::ui_optionsdlg quillon::ui_aux)
