# Windows build: the Win32 front end, vexil.exe and the tests that run under Wine.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)

# The platform pieces the portable library calls itself (its sockets and
# temporary files) belong to it on Windows, as their POSIX twins do natively.
set(VEXIL_CORE_PLATFORM src/win32/WinsockTransport.cpp src/win32/TlsTransport.cpp
  src/win32/CertificateFacts.cpp src/win32/TempFile.cpp src/win32/Charsets.cpp src/win32/WideText.cpp
  src/win32/WaitEvent.cpp)
target_sources(vexil_core PRIVATE ${VEXIL_CORE_PLATFORM})
target_link_libraries(vexil_core PUBLIC ws2_32 secur32 crypt32)

file(GLOB VEXIL_WIN32_SOURCES CONFIGURE_DEPENDS src/win32/*.cpp)
list(FILTER VEXIL_WIN32_SOURCES EXCLUDE REGEX "/(WinMain|WinsockTransport|TlsTransport|CertificateFacts|TempFile|Charsets|WideText|WaitEvent)\\.cpp$")
add_library(vexil_win32 STATIC ${VEXIL_WIN32_SOURCES})
target_link_libraries(vexil_win32 PUBLIC vexil_core gdi32 user32 shell32 comctl32 comdlg32 ole32 msimg32 ws2_32 winmm advapi32 wininet)

# The manifest names the program's own processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VEXIL_MANIFEST_ARCH amd64)
else()
  set(VEXIL_MANIFEST_ARCH x86)
endif()
configure_file(src/win32/vexil.manifest.in "${VEXIL_GENERATED_DIR}/vexil.manifest" @ONLY)
set_source_files_properties(src/win32/vexil.rc PROPERTIES OBJECT_DEPENDS
  "${VEXIL_GENERATED_DIR}/vexil.manifest;${VEXIL_GENERATED_DIR}/base/Version.h")

add_executable(vexil WIN32 src/win32/WinMain.cpp src/win32/vexil.rc)
target_link_libraries(vexil PRIVATE vexil_win32)
# The release program carries no symbol table: half the download, and the
# file the tests run is the file a user gets.
target_link_options(vexil PRIVATE $<$<CONFIG:Release>:-s>)

# A server started around the tests that need it, as the fixture NAME:
# NAME_start runs SCRIPT start DIR, NAME_stop runs SCRIPT stop DIR.
function(vexil_server_fixture name script dir)
  add_test(NAME ${name}_start COMMAND ${script} start ${dir})
  add_test(NAME ${name}_stop COMMAND ${script} stop ${dir})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()

# GoogleTest built with the cross compiler from the system's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB VEXIL_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp tests/support/ScriptedServer.cpp)
add_executable(vexil_win32_tests ${VEXIL_WIN32_TEST_SOURCES})
target_include_directories(vexil_win32_tests PRIVATE tests)
target_link_libraries(vexil_win32_tests PRIVATE vexil_win32 version gtest gmock gtest_main)
target_compile_definitions(vexil_win32_tests PRIVATE VEXIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_test(NAME win32_tests COMMAND vexil_win32_tests)

# A real HTTP server (lighttpd) for the download component, started around
# the Windows tests as Dovecot is.
# The servers' state directories are short (Dovecot's socket paths) and one
# per build tree.
string(MD5 VEXIL_BUILD_HASH "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${VEXIL_BUILD_HASH}" 0 8 VEXIL_BUILD_HASH)
set(VEXIL_HTTP_DIR "/tmp/vxhttp-${VEXIL_BUILD_HASH}")
set(VEXIL_HTTP_SH "${CMAKE_SOURCE_DIR}/tests/support/http_server.sh")
vexil_server_fixture(http_server ${VEXIL_HTTP_SH} ${VEXIL_HTTP_DIR})
# The program file the tests read: the ready-to-run folder's, where the build
# lays one out (scripts/build.sh), else the one just linked.
set(VEXIL_DIST_DIR "" CACHE PATH "The ready-to-run folder scripts/build.sh lays out")
if(VEXIL_DIST_DIR)
  set(VEXIL_PROGRAM "${VEXIL_DIST_DIR}/vexil.exe")
else()
  set(VEXIL_PROGRAM "$<TARGET_FILE:vexil>")
endif()
set_tests_properties(win32_tests PROPERTIES FIXTURES_REQUIRED http_server
  ENVIRONMENT "VEXIL_HTTP_DIR=${VEXIL_HTTP_DIR};VEXIL_PROGRAM=${VEXIL_PROGRAM}")

# The POP3 library's tests, the same sources as natively, over Windows Sockets.
file(GLOB VEXIL_POP3_TEST_SOURCES CONFIGURE_DEPENDS tests/pop3/*.cpp tests/support/*.cpp)
if(VEXIL_POP3_TEST_SOURCES)
  add_executable(vexil_pop3_tests ${VEXIL_POP3_TEST_SOURCES})
  target_include_directories(vexil_pop3_tests PRIVATE tests)
  target_link_libraries(vexil_pop3_tests PRIVATE vexil_win32 gtest gmock gtest_main)
  target_compile_definitions(vexil_pop3_tests PRIVATE VEXIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME pop3_tests COMMAND vexil_pop3_tests)

  # The tests run under Wine and cannot start Linux processes, so CTest starts
  # the loopback Dovecot around them and tells them its state directory.  The
  # directory is short (Dovecot's socket paths) and one per build tree.
  set(VEXIL_DOVECOT_DIR "/tmp/vxdc-win-${VEXIL_BUILD_HASH}")
  set(VEXIL_DOVECOT_SH "${CMAKE_SOURCE_DIR}/tests/support/dovecot.sh")
  vexil_server_fixture(pop3_dovecot ${VEXIL_DOVECOT_SH} ${VEXIL_DOVECOT_DIR})

  # Dovecot servers with TLS and certificates of a test CA, which the tests'
  # Wine prefix trusts for as long as the tests run.  The good one listens
  # for POP3S on 995, the port an account on automatic security takes for TLS.
  set(VEXIL_TLS_DIR "/tmp/vxtls-${VEXIL_BUILD_HASH}")
  set(VEXIL_TLS_SH "${CMAKE_SOURCE_DIR}/tests/support/tls_servers.sh")
  vexil_server_fixture(tls_servers ${VEXIL_TLS_SH} ${VEXIL_TLS_DIR})
  add_test(NAME tls_trust_add COMMAND trust_ca add ${VEXIL_TLS_DIR}/certs/ca.pem)
  add_test(NAME tls_trust_remove COMMAND trust_ca remove ${VEXIL_TLS_DIR}/certs/ca.pem)
  set_tests_properties(tls_trust_add PROPERTIES FIXTURES_SETUP tls_trust FIXTURES_REQUIRED tls_servers)
  set_tests_properties(tls_trust_remove PROPERTIES FIXTURES_CLEANUP tls_trust)

  set_tests_properties(pop3_tests PROPERTIES FIXTURES_REQUIRED "pop3_dovecot;tls_servers;tls_trust"
    ENVIRONMENT "VEXIL_DOVECOT_DIR=${VEXIL_DOVECOT_DIR};VEXIL_TLS_DIR=${VEXIL_TLS_DIR}")
endif()

# The floor for the start-up benchmark (bench/startup.sh).
add_executable(empty_window WIN32 bench/win32/empty_window.cpp)

# Configure's settings dialog against a bare dialog of the same controls
# (bench/config_dialog.sh).
add_executable(config_open bench/win32/config_open.cpp src/win32/vexil.rc)
target_link_libraries(config_open PRIVATE vexil_win32)

# Opening a message in the real message window (bench/open_message.sh).
add_executable(open_message bench/win32/open_message.cpp)
target_link_libraries(open_message PRIVATE vexil_win32 psapi)

# One POP3 check, timed, under Wine (bench/tls_check.sh).
add_executable(pop3_check bench/pop3_check.cpp)
target_link_libraries(pop3_check PRIVATE vexil_core)

# The ticks the news ticker's timer delivers (bench/ticker_cpu.sh).
add_executable(ticker_rate bench/win32/ticker_rate.cpp)
target_link_libraries(ticker_rate PRIVATE vexil_core winmm)

# The tests trust their own CA inside their Wine prefix with this tool.
add_executable(trust_ca tests/e2e/trust_ca.cpp)
target_link_libraries(trust_ca PRIVATE crypt32)

# The whole-program tests read the message window's text with this probe.
add_executable(text_probe tests/e2e/text_probe.cpp)
target_link_options(text_probe PRIVATE -municode)
target_link_libraries(text_probe PRIVATE vexil_win32)
