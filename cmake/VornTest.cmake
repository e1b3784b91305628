# Test helpers shared by both build trees.
#
# vorn_add_gtest(<name> SOURCES <files...> [LIBS <libs...>] [ENVIRONMENT <VAR=value...>]
#                [WINDOW] [TIMEOUT <seconds>] [LAUNCHER <command...>])
#
# Builds one GoogleTest program and registers it as one CTest test. In the
# Windows tree the test runs under Wine through the crossing emulator and
# shares the Wine session fixture (one Xvfb display and one wineserver for the
# whole run, stopped at its end). WINDOW marks a test that needs the display;
# it is only registered in the Windows tree, and a handler's exception that
# its windows catch fails the running test. LAUNCHER runs the test through a
# command that prepares something around it (for instance
# ${VORN_FTP_FIXTURE_LAUNCHER}, the FTP server fixture's control service).

set(VORN_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. CACHE INTERNAL "")

if(WIN32 AND NOT VORN_SHIPPED_ONLY)
  # The Wine scripts pick the loader and prefix architecture from this file.
  file(WRITE ${CMAKE_BINARY_DIR}/wine-arch "${CMAKE_SYSTEM_PROCESSOR}\n")
  set(VORN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE INTERNAL "")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${VORN_SOURCE_DIR}/tools/wine/wine-run.sh;--build;${CMAKE_BINARY_DIR})
  add_test(NAME wine_session_start
           COMMAND ${VORN_SOURCE_DIR}/tools/wine/wine-session.sh start ${CMAKE_BINARY_DIR})
  add_test(NAME wine_session_stop
           COMMAND ${VORN_SOURCE_DIR}/tools/wine/wine-session.sh stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session)
endif()

function(vorn_add_gtest name)
  cmake_parse_arguments(arg "WINDOW;NATIVE_ONLY;WINDOWS_ONLY" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT;LAUNCHER" ${ARGN})
  if(arg_WINDOW OR arg_WINDOWS_ONLY)
    if(NOT WIN32)
      return()
    endif()
  endif()
  if(arg_NATIVE_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} gtest gmock gtest_main)
  if(arg_WINDOW)
    target_link_libraries(${name} PRIVATE escaped_exception_check)
  endif()
  if(arg_LAUNCHER)
    # The crossing emulator is only added for a plain target command.
    add_test(NAME ${name} COMMAND ${arg_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
  if(arg_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session)
    if(arg_WINDOW)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_display)
    endif()
  endif()
endfunction()
