# Run after a GoogleTest program is built (cmake -P): lists its suites and
# writes OUTPUT, which CTest reads, with one test per suite named
# "NAME:Suite" that runs the program on that suite alone; SUITES holds their
# names. One process per suite rather than per case: the cases of a suite
# often share a costly start (a window, a decoded picture).
#   -D PROGRAM=path -D NAME=name -D OUTPUT=file [-D ENVIRONMENT=VAR=value]

set(command "${PROGRAM}" --gtest_list_tests)
if(ENVIRONMENT)
    set(command "${CMAKE_COMMAND}" -E env "${ENVIRONMENT}" ${command})
endif()
execute_process(COMMAND ${command} OUTPUT_VARIABLE listing ERROR_VARIABLE errors
                RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed (${status}):\n${errors}")
endif()

# A suite's line is the only one that starts at the margin: "Suite." or
# "Prefix/Suite.  # TypeParam = ...". Cases follow it, indented.
string(REGEX MATCHALL "(^|\n)[^ \n][^\n]*" lines "${listing}")
set(tests "")
set(names "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\n?([^ .]+)\\.")
        set(suite "${CMAKE_MATCH_1}")
        if(NOT suite MATCHES "^DISABLED_|/DISABLED_")
            string(APPEND tests "add_test([==[${NAME}:${suite}]==] [==[${PROGRAM}]==] "
                   "[==[--gtest_filter=${suite}.*]==])\n")
            list(APPEND names "${NAME}:${suite}")
        endif()
    endif()
endforeach()
if(NOT names)
    message(FATAL_ERROR "${PROGRAM} lists no tests")
endif()
list(JOIN names "]==] [==[" quoted)
file(WRITE "${OUTPUT}" "${tests}set(SUITES [==[${quoted}]==])\n")
