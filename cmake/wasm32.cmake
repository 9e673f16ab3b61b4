# The core for the page: Debian's clang for wasm32-wasi, against Debian's
# WebAssembly C and C++ libraries, linked by wasm-ld into a module without
# an entry point (its exports are the page's calls).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_SYSROOT /usr)
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostartfiles -Wl,--no-entry -Wl,--strip-all -Wl,--gc-sections")
