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

# The application manifest names the processor architecture of the program
# and of the common controls it binds to. The 64-bit edition needs amd64
# there: with x86, Windows (and Wine) binds it to the 32-bit common controls
# and it does not start. The resource compiler searches include directories
# before the .rc file's own folder, so the edition's copy of the manifest,
# made from the one beside the .rc file, takes its place.
function(norvek_edition_manifest target manifest)
  norvek_edition_suffix(_edition)
  if(NOT _edition STREQUAL "64")
    return()
  endif()
  file(READ ${manifest} _text)
  string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"amd64\"" _amd64 "${_text}")
  if(_amd64 STREQUAL _text)
    message(FATAL_ERROR "${manifest} names no x86 processor architecture to replace for the 64-bit edition")
  endif()
  get_filename_component(_name ${manifest} NAME)
  set(_dir ${CMAKE_BINARY_DIR}/edition-manifest)
  file(CONFIGURE OUTPUT ${_dir}/${_name} CONTENT "${_amd64}" @ONLY)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})
  target_include_directories(${target} BEFORE PRIVATE ${_dir})
endfunction()
