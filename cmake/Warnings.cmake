# Warnings are errors for the project's own targets; call varnel_warnings(target).
function(varnel_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
    -Werror)
  # Once libstdc++ is inlined at -O2 and above, GCC 12 and 13 report
  # -Warray-bounds, -Wrestrict (GCC bug 105651) and -Wnull-dereference inside
  # the standard library's own string and stream code. They stay visible as
  # warnings but do not fail the build; debug builds keep them as errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 14)
    target_compile_options(${target} PRIVATE
      "$<$<NOT:$<CONFIG:Debug>>:-Wno-error=array-bounds;-Wno-error=restrict;-Wno-error=null-dereference>")
  endif()
endfunction()

# One static library per subsystem: varnel_library(name SOURCES ... DEPS ...)
# Headers are included as "name/header.h" from src/.
function(varnel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(varnel_${name} STATIC ${ARG_SOURCES})
  target_include_directories(varnel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(varnel_${name} PUBLIC ${ARG_DEPS})
  varnel_warnings(varnel_${name})
endfunction()

# A GoogleTest executable registered with CTest: varnel_test(name LABEL l SOURCES ... DEPS ...)
function(varnel_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  varnel_warnings(${name})
  gtest_discover_tests(${name} PROPERTIES LABELS "${ARG_LABEL}" DISCOVERY_TIMEOUT 60)
endfunction()
