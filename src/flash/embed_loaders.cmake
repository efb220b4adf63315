# The generated test set in the repository: a build that embeds exactly these
# bytes is a test build, whatever path it was given.
set(_norvek_test_loader_set "${CMAKE_CURRENT_LIST_DIR}/loaders.bin")

# Turns a loader store file into a C++ source holding its bytes behind the
# record of src/flash/loader_record.h (which set it is and its SHA-256), after
# checking that it has the store's size and the zero tails the upload relies
# on: the 1280-byte loaders of groups 2, 3 and 8 are sent with their last six
# bytes replaced by the header, so those bytes must be zero fill, and group 8
# ends the same way. A file that fails either check would send a broken
# loader to every drive with such a chip; refuse it at configure time.
# Sets <is_test_set_var> to whether the file is the generated test set.
function(norvek_embed_loader_store file output is_test_set_var)
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
  file(SHA256 "${file}" _sha)
  file(SHA256 "${_norvek_test_loader_set}" _test_sha)
  if(_sha STREQUAL _test_sha)
    set(_kind kTestLoaderSet)
    set(${is_test_set_var} TRUE PARENT_SCOPE)
  else()
    set(_kind kMakersLoaderSet)
    set(${is_test_set_var} FALSE PARENT_SCOPE)
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _sha_bytes "${_sha}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(REPEAT "0x[0-9a-f][0-9a-f]," 16 _row)
  string(REGEX REPLACE "(${_row})" "\\1\n    " _bytes "${_bytes}")
  set(_source "// Generated from ${file} by the build; do not edit.\n")
  string(APPEND _source "#include \"src/flash/embedded_loader_store.h\"\n"
         "#include \"src/flash/loader_record.h\"\n\n" "namespace {\n"
         "// Kept whole although the program reads only the store: tools look for\n"
         "// the record in the built file. Not const: debug information would\n"
         "// carry a second copy of a constant's value, and with it of the record.\n"
         "[[gnu::used]] constinit RecordedLoaderStore gRecordedStore = {\n"
         "    {LoaderRecordMagic(), LittleEndian32(kLoaderStoreSize), ${_kind}, {{0, 0, 0}},\n"
         "     {{${_sha_bytes}}}},\n"
         "    {\n    ${_bytes}\n}};\n"
         "}  // namespace\n\n"
         "LoaderStore EmbeddedLoaderStore() { return LoaderStore(gRecordedStore.store); }\n"
         "bool EmbeddedLoaderStoreIsTestSet() { return gRecordedStore.record.kind == kTestLoaderSet; }\n")
  file(CONFIGURE OUTPUT "${output}" CONTENT "${_source}" @ONLY)
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}" "${_norvek_test_loader_set}")
  endif()
endfunction()

# Script mode, for checking a loader file without a build, or for embedding
# one at build time:
#   cmake -DLOADER_FILE=<file> -DOUTPUT=<source> -P embed_loaders.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  norvek_embed_loader_store("${LOADER_FILE}" "${OUTPUT}" _is_test_set)
endif()
