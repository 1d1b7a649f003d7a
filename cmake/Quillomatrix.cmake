# Adds every direct sub-folder of DIR that holds a CMakeLists.txt, in name order.
function(qm_add_subdirectories dir)
  file(GLOB children RELATIVE ${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(child STREQUAL "support" AND dir STREQUAL "tests")
      continue()
    endif()
    if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# Our own code builds with warnings on.
function(qm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# qm_library(NAME SOURCES ... [LIBS ...]): a static library of one src folder.
function(qm_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  qm_warnings(${name})
endfunction()

# qm_executable(NAME SOURCES ... [LIBS ...]): a program landing in build/bin.
function(qm_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  qm_warnings(${name})
endfunction()

# qm_test(NAME LABEL SOURCES ... [LIBS ...]): a GoogleTest program whose cases CTest runs
# under LABEL (the folder name), each with the offscreen Qt platform. The leak checker does not
# track dynamic thread-local blocks (see scripts/test).
function(qm_test name label)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE qm_test_support ${ARG_LIBS})
  qm_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label} TIMEOUT 300
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/lsan.supp:intercept_tls_get_addr=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# qm_benchmark(NAME SOURCES ... [LIBS ...]): a Google Benchmark program in build/bin.
function(qm_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE benchmark::benchmark ${ARG_LIBS})
  qm_warnings(${name})
endfunction()
