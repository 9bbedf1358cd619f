# Checks that the built program carries its version where tools look for
# it: "@(#)relabel VERSION" as text (strings, what) in every build, and in a
# Windows build the version resource's FileVersion and ProductVersion =
# VERSION and OriginalFilename = relabel.exe, texts in UTF-16 (strings -el).
#
# Usage: cmake -DPROGRAM=path -DVERSION=x.y.z [-DWINDOWS=1] -P program_version.cmake
file(STRINGS "${PROGRAM}" marks REGEX "relabel [0-9]")
if(NOT marks STREQUAL "@(#)relabel ${VERSION}")
  message(FATAL_ERROR "${PROGRAM}: expected the one text \"@(#)relabel ${VERSION}\", found: \"${marks}\"")
endif()

# The hex digits of TEXT (ASCII) written in UTF-16LE.
function(utf16_hex text out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out} ${hex} PARENT_SCOPE)
endfunction()

if(WINDOWS)
  file(READ "${PROGRAM}" image HEX)
  # A resource string is its key, NUL, padding to four bytes, the value, NUL.
  foreach(pair "FileVersion=${VERSION}" "ProductVersion=${VERSION}"
               "OriginalFilename=relabel.exe" "ProductName=relabel")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    string(REGEX MATCH "${key_hex}(0000)+${value_hex}0000" found "${image}")
    if(NOT found)
      message(FATAL_ERROR "${PROGRAM}: its version resource has no ${key} \"${value}\"")
    endif()
  endforeach()
endif()
message(STATUS "${PROGRAM} carries relabel ${VERSION}")
