# drovik_module(NAME [FROM FOLDER] [ONLY|EXCEPT PARTS...] [USES MODULES...] [LIBS ...]): a
# static library drovik_NAME from every .cpp below src/FOLDER (FOLDER defaults to NAME; not
# below src/gui/sdl, the window host, which has its own target). ONLY keeps, EXCEPT drops,
# the sources whose first path part below the folder, without its extension, is one of
# PARTS. A module with no sources yet is an interface target so that its dependents still
# link.
#
# A module's sources see the headers of its own folder and of the modules it USES, and no
# others: each module folder gets an include folder in the build tree holding only a link
# to it, and a module passes its uses on to the linker but not their include folders. An
# include of a module above therefore fails to compile.
function(drovik_module name)
  cmake_parse_arguments(M "" "FROM" "ONLY;EXCEPT;USES;LIBS" ${ARGN})
  if(NOT M_FROM)
    set(M_FROM ${name})
    drovik_include_folder(${name})
  endif()
  set(includes ${CMAKE_BINARY_DIR}/include/${M_FROM})
  set(links ${M_LIBS})
  foreach(used ${M_USES})
    list(APPEND includes ${CMAKE_BINARY_DIR}/include/${used})
    if(TARGET drovik_${used})
      list(APPEND links $<LINK_ONLY:drovik_${used}>)
    endif()
  endforeach()

  set(folder ${PROJECT_SOURCE_DIR}/src/${M_FROM})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/src/gui/sdl/")
  set(parts ${M_ONLY} ${M_EXCEPT})
  list(JOIN parts "|" parts_regex)
  set(parts_regex "^${folder}/(${parts_regex})[/.]")
  if(M_ONLY)
    list(FILTER sources INCLUDE REGEX "${parts_regex}")
  elseif(M_EXCEPT)
    list(FILTER sources EXCLUDE REGEX "${parts_regex}")
  endif()

  if(sources)
    add_library(drovik_${name} STATIC ${sources})
    target_include_directories(drovik_${name} PUBLIC ${includes})
    target_link_libraries(drovik_${name} PUBLIC ${links})
  else()
    add_library(drovik_${name} INTERFACE)
    target_include_directories(drovik_${name} INTERFACE ${includes})
    target_link_libraries(drovik_${name} INTERFACE ${links})
  endif()
endfunction()

# drovik_include_folder(MODULE): the include folder of src/MODULE (see drovik_module), for
# targets outside the modules that must see only it.
function(drovik_include_folder module)
  set(folder ${CMAKE_BINARY_DIR}/include/${module})
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${module} ${folder}/${module} SYMBOLIC)
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
