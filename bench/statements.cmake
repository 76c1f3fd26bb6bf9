# The statements of one calculation run by company size, and the server's time of its write-back
# (a script: it drives remu-cli and reads the server's logs).
configure_file(${CMAKE_CURRENT_LIST_DIR}/statements_bench.py ${CMAKE_CURRENT_BINARY_DIR}/statements_bench COPYONLY)
