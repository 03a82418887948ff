# The Wine tests, once for each Windows build that can run on this host.
#
# scripts/wine-route decides, when the native preset is configured, which
# builds the Wine tests run against: the 32-bit build, the 64-bit test
# build, or both (PAGEMIX_WINE_ROUTE overrides it; see that script). The
# 32-bit tests are always registered: where they cannot run, each reports
# itself skipped with the reason, and is never counted as passed.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-route
  OUTPUT_VARIABLE route ERROR_VARIABLE route_error RESULT_VARIABLE route_status)
if(NOT route_status EQUAL 0)
  message(FATAL_ERROR "scripts/wine-route failed: ${route_error}")
endif()
string(REPLACE "\n" ";" route "${route}")
list(GET route 0 PAGEMIX_WINE_BUILDS)
list(GET route 1 PAGEMIX_WINE_ROUTE_REASON)
separate_arguments(PAGEMIX_WINE_BUILDS)
message(STATUS "Wine tests: ${PAGEMIX_WINE_ROUTE_REASON}")

# pagemix_wine_test(NAME TIMEOUT COMMAND...) adds wine.<build>.NAME for
# each build. In COMMAND, @BUILD@ stands for win32 or win64, @WINDOWS@ for
# that build's tree and @PREFIX@ for its Wine prefix. The tests of one
# prefix run one at a time.
function(pagemix_wine_test name timeout)
  foreach(build IN ITEMS win32 win64)
    set(test wine.${build}.${name})
    string(TOUPPER ${build} upper)
    if(build IN_LIST PAGEMIX_WINE_BUILDS)
      string(REPLACE "@BUILD@" ${build} command "${ARGN}")
      string(REPLACE "@WINDOWS@" ${PAGEMIX_${upper}_DIR} command "${command}")
      string(REPLACE "@PREFIX@" ${PAGEMIX_WINE_PREFIXES}/${build} command "${command}")
      add_test(NAME ${test} COMMAND ${command})
      set_tests_properties(${test} PROPERTIES RESOURCE_LOCK wineprefix-${build} LABELS "wine;${build}"
                           TIMEOUT ${timeout})
    elseif(build STREQUAL win32)
      add_test(NAME ${test}
        COMMAND sh -c "echo 'skipped, not run: ${PAGEMIX_WINE_ROUTE_REASON}'; exit 77")
      set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77 LABELS "wine;${build}")
    endif()
  endforeach()
endfunction()
