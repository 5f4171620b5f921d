# GoogleTest from the system's sources, built with whichever toolchain is active.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)

file(GLOB MORV_SUPPORT_SRCS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(morv_testsupport STATIC ${MORV_SUPPORT_SRCS})
target_link_libraries(morv_testsupport PUBLIC gtest morv_core)
target_compile_definitions(morv_testsupport PUBLIC
  MORV_SHARED_DIR="${MORV_SHARED_DIR}"
  MORV_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  MORV_BINARY_DIR="${CMAKE_BINARY_DIR}")

set(MORV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# One test program per folder of tests/, named after it, so a failure names its
# subsystem. A folder without sources yet is skipped; EXTRA adds helper sources
# kept in another folder.
function(morv_test_folder dir)
  cmake_parse_arguments(ARG "" "" "LIBS;EXTRA" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  string(REPLACE "/" "_" name "test_${dir}")
  add_executable(${name} ${srcs} ${ARG_EXTRA})
  target_link_libraries(${name} PRIVATE morv_testsupport gtest_main ${ARG_LIBS})
  if(MORV_WIN32)
    # Only a static initialiser: linked into each program, not taken from a
    # library where nothing would pull it in.
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/win32/unmanaged_windows.cpp)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  # Under Wine a program that hangs (rare, inside Wine) is stopped well before
  # CI's limit, and the suite's rerun takes it again.
  if(MORV_WIN32)
    set(timeout 900)
  else()
    set(timeout 1800)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout}
    ENVIRONMENT "WINEPREFIX=${MORV_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=d")
endfunction()

morv_test_folder(framework/core LIBS morv_core)
morv_test_folder(archive/core LIBS morv_archive)
morv_test_folder(archive/codecs LIBS morv_archive)
morv_test_folder(archive/formats LIBS morv_archive)
morv_test_folder(archive/convert LIBS morv_archive)
morv_test_folder(archive/lister LIBS morv_archive
  EXTRA ${CMAKE_SOURCE_DIR}/tests/archive/formats/readers_util.cpp)
# The portable texts and orders of the list controls run natively as well.
if(MORV_WIN32)
  morv_test_folder(controls/portable LIBS morv_controls)
  # It runs in a second; a start that Wine now and then leaves hanging is
  # stopped soon, so the rerun comes before the whole suite waits on it.
  if(TARGET test_controls_portable)
    set_tests_properties(test_controls_portable PROPERTIES TIMEOUT 120)
  endif()
else()
  morv_test_folder(controls/portable LIBS morv_core EXTRA
    ${CMAKE_SOURCE_DIR}/controls/views/datetext.cpp ${CMAKE_SOURCE_DIR}/controls/views/explorertext.cpp
    ${CMAKE_SOURCE_DIR}/controls/views/prncells.cpp)
  morv_test_folder(controls/commands/core LIBS morv_commands_core)
  morv_test_folder(controls/menutables LIBS morv_commands_core)
endif()
if(MORV_WIN32)
  morv_test_folder(archive/external LIBS morv_archive)
  # It runs in seconds; now and then an extraction through Wine's cabinet
  # library spins, and a short limit lets the rerun come soon.
  if(TARGET test_archive_external)
    set_tests_properties(test_archive_external PROPERTIES TIMEOUT 300)
  endif()
  morv_test_folder(framework/ui LIBS morv_ui)
  morv_test_folder(zipbridge LIBS morv_zipbridge)
  morv_test_folder(controls/views LIBS morv_controls)
  # Deletes go to the recycle bin, which Wine keeps under XDG_DATA_HOME: a
  # folder of the build, not the user's own.
  if(TARGET test_controls_views)
    set_property(TEST test_controls_views APPEND PROPERTY ENVIRONMENT "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/xdg-data")
  endif()
  morv_test_folder(controls/commands LIBS morv_controls EXTRA ${MORV_MENU_BITMAPS_RC})
  morv_test_folder(controls/menutables LIBS morv_controls)
  morv_test_folder(libs LIBS morv_archive)
  if(TARGET brimshex)
    morv_test_folder(shellext LIBS morv_shellext)
    # The tests start this recording stand-in in Morv's place.
    add_executable(morv_standin WIN32 ${CMAKE_SOURCE_DIR}/tests/shellext/standin/standin.c)
    target_link_options(morv_standin PRIVATE -mwindows)
    set_target_properties(morv_standin PROPERTIES OUTPUT_NAME morv
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/shellext-standin)
    add_dependencies(test_shellext brimshex morv_standin)
    # Its end-to-end tests hand over to the real program.
    if(TARGET morv)
      add_dependencies(test_shellext morv)
    endif()
    # The product DLL's export table shows plain names only if built right
    # for 32 bits; the x86-64 build cannot show a decoration fault.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_OBJDUMP)
      add_test(NAME shellext_exports
        COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:brimshex>
                -P ${CMAKE_SOURCE_DIR}/tests/shellext/check_exports.cmake)
    endif()
  endif()
  if(TARGET morv_dialogs)
    morv_test_folder(dialogs LIBS morv_dialogs)
  endif()
  if(TARGET morv_app)
    morv_test_folder(app LIBS morv_app EXTRA ${MORV_MENU_BITMAPS_RC})
    # The end-to-end tests start the program itself.
    if(TARGET morv)
      add_dependencies(test_app morv)
    endif()
  endif()
endif()

# Programs that drive windows through the one display's mouse, keyboard focus
# and foreground take turns; the others run beside them.
foreach(t test_framework_ui test_controls_views test_controls_commands test_app test_dialogs test_zipbridge
          test_shellext)
  if(TEST ${t})
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endforeach()
