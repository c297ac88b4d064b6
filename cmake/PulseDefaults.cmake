# Common compile settings for every target of the project.
add_library(pulse_defaults INTERFACE)
target_compile_options(pulse_defaults INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports impossible overlaps inside std::string's inlined copies (-O2).
  target_compile_options(pulse_defaults INTERFACE -Wno-restrict)
endif()
if(PULSE_WERROR)
  target_compile_options(pulse_defaults INTERFACE -Werror)
endif()
target_include_directories(pulse_defaults INTERFACE ${PROJECT_SOURCE_DIR})

if(PULSE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(PULSE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

find_package(Threads REQUIRED)

# pulse_library(name SOURCES ... LIBS ...). Every library is named pulse_<part>, so a
# link line reads as this project's pieces next to Qt's and the system's.
function(pulse_library name)
  if(NOT name MATCHES "^pulse_")
    message(FATAL_ERROR "library ${name}: library names start with pulse_")
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC pulse_defaults ${A_LIBS})
endfunction()

# pulse_test(name SOURCES ... LIBS ... [LABELS ...]): a GoogleTest binary run by CTest, with
# the shared test helpers (tests/support).
function(pulse_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE pulse_defaults GTest::gtest pulse_test_support ${A_LIBS})
  if(NOT "GTest::gtest_main" IN_LIST A_LIBS AND NOT A_LIBS MATCHES "gtest_main|pulse_qtest_main")
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
    TIMEOUT 300)
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
endfunction()
