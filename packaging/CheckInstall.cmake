# Installs the build into PREFIX and checks that everything a desktop needs
# arrived; the MIME definitions must compile into a database that knows our
# file types. Run by ctest: cmake -DBUILD_DIR=.. -DPREFIX=.. -DBUILD_UI=ON|OFF -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

set(expected bin/quillon-render share/mime/packages/quillon.xml)
if(BUILD_UI)
  list(APPEND expected bin/quillon share/applications/quillon.desktop
       share/icons/hicolor/scalable/apps/quillon.svg)
  foreach(size 16 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quillon.png)
  endforeach()
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
  execute_process(COMMAND ${UPDATE_MIME_DATABASE} ${PREFIX}/share/mime RESULT_VARIABLE rc ERROR_VARIABLE err)
  file(READ ${PREFIX}/share/mime/globs2 globs)
  foreach(glob "application/x-quillon-scenery:*.qsf" "application/x-quillon-colormap:*.clm")
    string(FIND "${globs}" "${glob}" at)
    if(NOT rc EQUAL 0 OR at EQUAL -1)
      message(FATAL_ERROR "MIME database lacks ${glob} (${rc}): ${err}")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE ${PREFIX})
