# A library made of every .cpp of the calling folder (plus EXTRA_DIRS), so a
# new file needs no CMake change. A folder without sources yet gives an
# interface library with the same dependencies.
function(norvek_library name)
  cmake_parse_arguments(A "" "" "DEPS;EXTRA_DIRS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(_d ${A_EXTRA_DIRS})
    file(GLOB _more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${_d}/*.cpp)
    list(APPEND _src ${_more})
  endforeach()
  if(_src)
    add_library(${name} STATIC ${_src})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${A_DEPS})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# A GoogleTest program from the calling folder's .cpp files.
function(norvek_test name)
  cmake_parse_arguments(A "" "LABEL" "LIBS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${_src})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main GTest::gmock Threads::Threads)
  if(NOT A_LABEL)
    set(A_LABEL unit)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS ${A_LABEL})
endfunction()

# The Windows edition this build makes: "" for the 32-bit one (norvek.exe),
# "64" for the 64-bit one (norvek64.exe, norvek64-demo.exe). The wire and the
# package block are the same in both; only pointer-bearing records differ.
function(norvek_edition_suffix out)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows" AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(${out} "64" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()
