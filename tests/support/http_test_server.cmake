# The local HTTP test server: started once before the tests of a ctest run
# that need it and stopped after them. Both the native and the Windows test
# executable reach it on loopback (under Wine too: its sockets are the
# host's). Tests find its port in http_test_server/port under the build
# directory, their working directory.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(feed_http_test_server ${CMAKE_CURRENT_LIST_DIR}/http_test_server.py)
  set(feed_http_test_server_dir ${CMAKE_BINARY_DIR}/http_test_server)
  add_test(NAME http_test_server_start
           COMMAND ${Python3_EXECUTABLE} ${feed_http_test_server} start
                   --state-dir ${feed_http_test_server_dir})
  add_test(NAME http_test_server_stop
           COMMAND ${Python3_EXECUTABLE} ${feed_http_test_server} stop
                   --state-dir ${feed_http_test_server_dir})
  set_tests_properties(http_test_server_start PROPERTIES
                       FIXTURES_SETUP http_test_server)
  set_tests_properties(http_test_server_stop PROPERTIES
                       FIXTURES_CLEANUP http_test_server)
  set(feed_test_properties FIXTURES_REQUIRED http_test_server)
else()
  message(STATUS "python3 not found: tests that need the HTTP test server "
                 "will be skipped")
  set(feed_test_properties)
endif()
