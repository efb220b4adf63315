# Turns a loader store file into a C++ source holding its bytes, after
# checking that it has the store's size and the zero tails the upload relies
# on: the 1280-byte loaders of groups 2 and 3 are sent with their last six
# bytes replaced by the header, so those bytes must be zero fill, and group 8
# ends the same way. A file that fails either check would send a broken
# loader to every drive with such a chip; refuse it at configure time.
function(norvek_embed_loader_store file output)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Loader store file not found: ${file}")
  endif()
  file(SIZE "${file}" _size)
  if(NOT _size EQUAL 19590)
    message(FATAL_ERROR "Loader store ${file} has ${_size} bytes; it must have exactly 19590 "
                        "(22 loaders end to end in group order).")
  endif()
  file(READ "${file}" _hex HEX)
  # Group start offsets of the three 1280-byte loaders (groups 2, 3 and 8).
  foreach(_start 766 2046 6512)
    math(EXPR _tail "(${_start} + 1280 - 8) * 2")
    string(SUBSTRING "${_hex}" ${_tail} 16 _last8)
    if(NOT _last8 STREQUAL "0000000000000000")
      message(FATAL_ERROR "Loader store ${file}: the 1280-byte loader at offset ${_start} does not "
                          "end in eight zero bytes (found ${_last8}); its tail is overwritten by "
                          "the upload header.")
    endif()
  endforeach()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(REPEAT "0x[0-9a-f][0-9a-f]," 16 _row)
  string(REGEX REPLACE "(${_row})" "\\1\n    " _bytes "${_bytes}")
  set(_source "// Generated from ${file} by the build; do not edit.\n")
  string(APPEND _source "#include \"src/flash/chip_table.h\"\n\n" "namespace {\n"
         "const std::uint8_t kLoaderStore[kLoaderStoreSize] = {\n    ${_bytes}\n};\n"
         "}  // namespace\n\n"
         "const std::uint8_t* LoaderStore() { return kLoaderStore; }\n")
  file(CONFIGURE OUTPUT "${output}" CONTENT "${_source}" @ONLY)
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  endif()
endfunction()

# Script mode, for checking a loader file without a build:
#   cmake -DLOADER_FILE=<file> -DOUTPUT=<source> -P embed_loaders.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  norvek_embed_loader_store("${LOADER_FILE}" "${OUTPUT}")
endif()
