# The worker login across many company databases, straight and through a delaying proxy.
add_executable(login_bench ${CMAKE_CURRENT_LIST_DIR}/login_bench.cpp)
target_include_directories(login_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(login_bench PRIVATE remu_login Threads::Threads)

# The same benchmark against another checkout's own build (e.g. the main line before a
# change), for a before/after taken in one sitting:
#   cmake -DREMU_BENCH_BASELINE=/path/to/checkout   (its libraries in /path/to/checkout/build)
set(REMU_BENCH_BASELINE "" CACHE PATH "Checkout whose build/ login_bench_base is linked against")
if(REMU_BENCH_BASELINE)
  set(_base ${REMU_BENCH_BASELINE}/build)
  add_executable(login_bench_base ${CMAKE_CURRENT_LIST_DIR}/login_bench.cpp)
  target_include_directories(login_bench_base PRIVATE ${REMU_BENCH_BASELINE})
  target_link_libraries(login_bench_base PRIVATE
    ${_base}/shell/libremu_login.a ${_base}/data/libremu_data.a ${_base}/data/libremu_dbf.a
    ${_base}/format/libremu_format.a ${_base}/core/libremu_core.a
    PkgConfig::MARIADB PkgConfig::SHAPELIB Threads::Threads)
endif()
