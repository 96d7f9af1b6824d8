# drovik_module(NAME DEPS ...): a static library from every .cpp below src/NAME (not
# below src/NAME/sdl, which is the window host and has its own target). A module with no
# sources yet is an interface target so that its dependents still link.
function(drovik_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/src/gui/sdl/")
  if(sources)
    add_library(drovik_${name} STATIC ${sources})
    target_include_directories(drovik_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(drovik_${name} PUBLIC ${M_DEPS})
  else()
    add_library(drovik_${name} INTERFACE)
    target_include_directories(drovik_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(drovik_${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# drovik_test(NAME SOURCES ... LIBS ...): one GoogleTest executable registered with CTest.
# Tests get DROVIK_SOURCE_DIR (fixture scripts) and DROVIK_FIXTURE_DIR (cached images).
function(drovik_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} drovik_test_support GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900
    ENVIRONMENT "DROVIK_SOURCE_DIR=${PROJECT_SOURCE_DIR};DROVIK_FIXTURE_DIR=${CMAKE_BINARY_DIR}/fixtures;DROVIK_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endfunction()

macro(drovik_optional_subdirectory dir)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()
