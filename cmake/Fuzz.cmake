# libFuzzer target over the picture decoders; clang only, included by
# Native.cmake when VEXIL_FUZZ is on.  The decoders are compiled into the target
# itself so that they carry the fuzzer's coverage instrumentation.
#
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DVEXIL_FUZZ=ON
#   cmake --build build-fuzz --target fuzz_pictures
#   build-fuzz/fuzz_pictures -max_total_time=120 CORPUS_DIR tests/data/pictures
option(VEXIL_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

file(GLOB VEXIL_PICTURE_SOURCES CONFIGURE_DEPENDS
  src/skin/Image.cpp src/skin/Picture*.cpp src/skin/Bmp*.cpp src/skin/Gif*.cpp src/skin/Ico*.cpp)
add_executable(fuzz_pictures tests/fuzz/fuzz_pictures.cpp ${VEXIL_PICTURE_SOURCES})
target_include_directories(fuzz_pictures PRIVATE src)
target_compile_options(fuzz_pictures PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(fuzz_pictures PRIVATE -fsanitize=fuzzer,address,undefined)
