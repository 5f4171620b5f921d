# libFuzzer targets: one program per fuzz/*.cpp, linked with the archive library.
file(GLOB MORV_FUZZ_SRCS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
foreach(src ${MORV_FUZZ_SRCS})
  get_filename_component(n ${src} NAME_WE)
  add_executable(fuzz_${n} ${src})
  target_link_libraries(fuzz_${n} PRIVATE morv_archive)
  target_link_options(fuzz_${n} PRIVATE -fsanitize=fuzzer)
endforeach()
# The date and path texts of the list controls are portable sources of their own.
target_sources(fuzz_datetext PRIVATE ${CMAKE_SOURCE_DIR}/controls/views/datetext.cpp
  ${CMAKE_SOURCE_DIR}/controls/views/explorertext.cpp)
