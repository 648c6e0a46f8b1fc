# Qt's QTRY_ waits report to QTestLib, which a GoogleTest program never reads: a wait that
# times out there passes, and the lines after it never run. This writes a header that includes
# Qt's test macros once and then turns every QTRY_ macro Qt defines into a compile error that
# names KV_WAIT_FOR (tests/support/TestSupport.h), the wait that fails through GoogleTest.
#
# kalvora_qt_wait_guard(<header> <names_var>) writes <header> and sets <names_var> to the
# macros a test could call (Qt's internal _IMPL helpers are blocked too, but not listed).
function(kalvora_qt_wait_guard header names_var)
  get_target_property(dirs Qt6::Test INTERFACE_INCLUDE_DIRECTORIES)
  find_file(KALVORA_QTESTCASE_H qtestcase.h PATHS ${dirs} PATH_SUFFIXES QtTest NO_DEFAULT_PATH)
  if(NOT KALVORA_QTESTCASE_H)
    message(FATAL_ERROR "qtestcase.h not found under ${dirs}: the guard against QTRY_ waits cannot be made")
  endif()
  file(READ ${KALVORA_QTESTCASE_H} source)
  string(REGEX MATCHALL "#[ \t]*define[ \t]+QTRY_[A-Z0-9_]+" defines "${source}")
  set(all "")
  foreach(define IN LISTS defines)
    string(REGEX MATCH "QTRY_[A-Z0-9_]+" name "${define}")
    list(APPEND all ${name})
  endforeach()
  list(REMOVE_DUPLICATES all)
  if(NOT "QTRY_VERIFY" IN_LIST all OR NOT "QTRY_COMPARE" IN_LIST all)
    message(FATAL_ERROR "${KALVORA_QTESTCASE_H} defines no QTRY_VERIFY/QTRY_COMPARE any more: look at the guard")
  endif()
  set(text "// Written by cmake/QtTestWaitGuard.cmake from ${KALVORA_QTESTCASE_H}.\n")
  string(APPEND text "#pragma once\n#include <QtTest/qtestcase.h>\n\n")
  set(public "")
  foreach(name IN LISTS all)
    string(APPEND text "#undef ${name}\n#define ${name}(...) static_assert(false, \"${name} reports to QTestLib, which "
                       "a GoogleTest program never reads: wait with KV_WAIT_FOR(cond, ms) from TestSupport.h\")\n")
    if(NOT name MATCHES "_IMPL$")
      list(APPEND public ${name})
    endif()
  endforeach()
  # Rewritten only when it changes, so a configure run does not rebuild every test.
  file(CONFIGURE OUTPUT ${header} CONTENT "${text}" @ONLY)
  set(${names_var} ${public} PARENT_SCOPE)
endfunction()
