# libFuzzer target over the picture decoders; clang only, included by
# Native.cmake when VEXIL_FUZZ is on.  The decoders are compiled into the target
# itself so that they carry the fuzzer's coverage instrumentation.
#
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DVEXIL_FUZZ=ON
#   cmake --build build-fuzz --target fuzz_pictures
#   build-fuzz/fuzz_pictures -max_total_time=120 CORPUS_DIR tests/data/pictures
option(VEXIL_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

file(GLOB VEXIL_PICTURE_SOURCES CONFIGURE_DEPENDS
  src/skin/Image.cpp src/skin/Picture*.cpp src/skin/Bmp*.cpp src/skin/Gif*.cpp src/skin/Ico*.cpp
  src/base/Text.cpp)
add_executable(fuzz_pictures tests/fuzz/fuzz_pictures.cpp ${VEXIL_PICTURE_SOURCES})
target_include_directories(fuzz_pictures PRIVATE src)
target_compile_options(fuzz_pictures PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(fuzz_pictures PRIVATE -fsanitize=fuzzer,address,undefined)

# libFuzzer target over the message receiver and its decoders, fed from
# memory through the in-memory transport (no sockets involved).
#
#   cmake --build build-fuzz --target fuzz_message
#   build-fuzz/fuzz_message -max_total_time=600 CORPUS_DIR tests/data/mail
#   (tests/fuzz/run_short.sh does a short bounded run of it)
file(GLOB VEXIL_MESSAGE_SOURCES CONFIGURE_DEPENDS
  src/pop3/Wire.cpp src/pop3/WireErrors.cpp src/pop3/Security.cpp src/pop3/MemoryTransport.cpp src/pop3/Decoders.cpp
  src/pop3/WireMessage.cpp src/pop3/Mime*.cpp src/base/Text.cpp src/base/Charsets.cpp src/base/FileNames.cpp
  src/platform/posix/TempFile.cpp src/platform/posix/Charsets.cpp)
add_executable(fuzz_message tests/fuzz/fuzz_message.cpp ${VEXIL_MESSAGE_SOURCES})
target_include_directories(fuzz_message PRIVATE src)
target_compile_options(fuzz_message PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(fuzz_message PRIVATE -fsanitize=fuzzer,address,undefined)

# libFuzzer target over the IMAP response reader and parser: the input is a
# server's byte stream, read through the line client over the in-memory
# transport and from a plain string.
#
#   cmake --build build-fuzz --target fuzz_imap
#   build-fuzz/fuzz_imap -max_total_time=600 CORPUS_DIR
#   (tests/fuzz/run_short.sh does a short bounded run of it, with seeds)
file(GLOB VEXIL_IMAP_SOURCES CONFIGURE_DEPENDS src/imap/Imap*.cpp)
add_executable(fuzz_imap tests/fuzz/fuzz_imap.cpp ${VEXIL_IMAP_SOURCES}
  src/pop3/Wire.cpp src/pop3/WireErrors.cpp src/pop3/Security.cpp src/pop3/MemoryTransport.cpp
  src/pop3/Decoders.cpp src/base/Text.cpp src/base/Charsets.cpp src/base/FileNames.cpp src/platform/posix/Charsets.cpp)
target_include_directories(fuzz_imap PRIVATE src)
target_compile_options(fuzz_imap PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(fuzz_imap PRIVATE -fsanitize=fuzzer,address,undefined)
