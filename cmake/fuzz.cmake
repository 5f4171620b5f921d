# libFuzzer targets: one program per fuzz/*.cpp, linked with the archive library.
file(GLOB MORV_FUZZ_SRCS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
foreach(src ${MORV_FUZZ_SRCS})
  get_filename_component(n ${src} NAME_WE)
  add_executable(fuzz_${n} ${src})
  target_link_libraries(fuzz_${n} PRIVATE morv_archive)
  target_link_options(fuzz_${n} PRIVATE -fsanitize=fuzzer)
endforeach()
