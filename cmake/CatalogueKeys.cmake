# The public keys the program checks the catalogue's signature with (RSA,
# exponent 65537), built into it from PEM files as generated/CatalogueKeys.h.
#
# VORN_CATALOGUE_KEYS:
#   empty (the default)  a key pair made once in this build tree by
#                        tools/publish, for the tests and the demo; its private
#                        half signs their catalogues (VORN_SIGNING_KEY), and a
#                        second pair (VORN_OTHER_SIGNING_KEY) is trusted by
#                        nothing
#   NONE                 no key: catalogues are used unsigned, as the maker's
#                        old servers publish them
#   files                the PEM files of the public keys, ;-separated (more
#                        than one while the maker rolls over to a new key)
# A release build takes the maker's committed key by default and refuses to
# be configured with no key or a missing key file. Any build refuses a key the
# program would not accept (CatalogueKeyCheck.cmake).
find_program(VORN_OPENSSL openssl)
if(NOT VORN_OPENSSL)
  message(FATAL_ERROR "openssl (Debian package openssl) is needed to read the catalogue keys")
endif()
set(VORN_CATALOGUE_KEYS "" CACHE STRING
    "PEM files of the public keys the catalogue must be signed with; empty: a test key pair made in the build tree; NONE: no signature check")
set(VORN_RELEASE_CATALOGUE_KEY ${CMAKE_SOURCE_DIR}/keys/catalogue-signing.pem)

set(keys ${VORN_CATALOGUE_KEYS})
# Only a build that made its own key pair signs test trees with it.
unset(VORN_SIGNING_KEY CACHE)
unset(VORN_OTHER_SIGNING_KEY CACHE)
if(VORN_RELEASE)
  if("${keys}" STREQUAL "")
    set(keys ${VORN_RELEASE_CATALOGUE_KEY})
  endif()
  if("${keys}" STREQUAL "NONE")
    message(FATAL_ERROR "A release build must check the catalogue's signature: "
                        "VORN_CATALOGUE_KEYS=NONE is refused with VORN_RELEASE=ON.")
  endif()
  foreach(key ${keys})
    if(NOT EXISTS ${key})
      message(FATAL_ERROR "The catalogue signing key ${key} is missing. A release build trusts only "
                          "the maker's public key; commit it there (see the README, \"Publishing an "
                          "update\") or name it with -DVORN_CATALOGUE_KEYS=FILE.")
    endif()
  endforeach()
elseif("${keys}" STREQUAL "")
  set(key_dir ${CMAKE_BINARY_DIR}/catalogue-keys)
  file(MAKE_DIRECTORY ${key_dir})
  foreach(pair maker other)
    if(NOT EXISTS ${key_dir}/${pair}.pub.pem)
      execute_process(COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/publish/publish.py keygen
                              --private ${key_dir}/${pair}.key.pem --public ${key_dir}/${pair}.pub.pem
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "Could not make the test key pair in ${key_dir}")
      endif()
    endif()
  endforeach()
  set(keys ${key_dir}/maker.pub.pem)
  set(VORN_SIGNING_KEY ${key_dir}/maker.key.pem CACHE INTERNAL "")
  set(VORN_OTHER_SIGNING_KEY ${key_dir}/other.key.pem CACHE INTERNAL "")
endif()
if("${keys}" STREQUAL "NONE")
  set(keys "")
endif()

include(CatalogueKeyCheck)
set(key_count 0)
set(key_moduli "")
foreach(key ${keys})
  vorn_read_catalogue_key(${VORN_OPENSSL} ${key} modulus error)
  if(NOT error STREQUAL "")
    message(FATAL_ERROR "${error}")
  endif()
  string(APPEND key_moduli "    \"${modulus}\",  // ${key}\n")
  math(EXPR key_count "${key_count} + 1")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key})
endforeach()
message(STATUS "Catalogue signature keys: ${key_count}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/CatalogueKeys.h CONTENT
"// The public keys the catalogue's signature is checked with: RSA moduli in
// hexadecimal, exponent 65537. Generated from VORN_CATALOGUE_KEYS; no key
// means that catalogues are used unsigned.
#pragma once

inline constexpr int kCatalogueKeyCount = ${key_count};
inline constexpr const char* kCatalogueKeyModuli[] = {
${key_moduli}    nullptr};
")
