# Reads one catalogue signing key, a PEM public key file, as the program will
# use it, so that the build refuses a key the program would drop: the program
# (catalogue/Signature.cpp) checks with RSA keys of exponent 65537 and an odd
# modulus of 2048 to 4096 bits, and reads the modulus as whole bytes.

# Sets `out` to the key's modulus in an even number of hexadecimal digits, or
# `error` to why the program would not accept the key.
function(vorn_read_catalogue_key openssl key out error)
  set(${out} "" PARENT_SCOPE)
  set(${error} "" PARENT_SCOPE)
  execute_process(COMMAND ${openssl} rsa -pubin -in ${key} -noout -modulus -text
                  OUTPUT_VARIABLE description ERROR_VARIABLE message RESULT_VARIABLE failed)
  if(failed OR NOT description MATCHES "Modulus=([0-9A-F]+)")
    set(${error} "${key} is not an RSA public key in PEM form: ${message}" PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "^0+" "" modulus "${CMAKE_MATCH_1}")
  if(NOT description MATCHES "Exponent: 65537 ")
    set(${error} "${key}: the program checks signatures with the public exponent 65537 only" PARENT_SCOPE)
    return()
  endif()
  # The length in bits: four a digit, less the top digit's leading zero bits.
  string(LENGTH "${modulus}" digits)
  string(SUBSTRING "${modulus}0" 0 1 top)
  math(EXPR top "0x${top}")
  set(lead 0)
  if(top LESS 2)
    set(lead 3)
  elseif(top LESS 4)
    set(lead 2)
  elseif(top LESS 8)
    set(lead 1)
  endif()
  math(EXPR bits "4 * ${digits} - ${lead}")
  if(bits LESS 2048 OR bits GREATER 4096)
    set(${error} "${key}: a key of ${bits} bits; the program accepts keys of 2048 to 4096 bits" PARENT_SCOPE)
    return()
  endif()
  if(NOT modulus MATCHES "[13579BDF]$")
    set(${error} "${key}: an even modulus is no RSA key the program accepts" PARENT_SCOPE)
    return()
  endif()
  # openssl prints no leading zero digit, so a modulus whose top digit stands
  # alone (2050 bits, say) comes out in an odd number of digits.
  math(EXPR odd "${digits} % 2")
  if(odd)
    set(modulus "0${modulus}")
  endif()
  set(${out} ${modulus} PARENT_SCOPE)
endfunction()
