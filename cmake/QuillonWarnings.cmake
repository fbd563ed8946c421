# Warning and sanitizer flags shared by every target of the project.
add_library(quillon_build_flags INTERFACE)
target_compile_options(quillon_build_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(QUILLON_WERROR)
    target_compile_options(quillon_build_flags INTERFACE -Werror)
endif()
target_compile_definitions(quillon_build_flags INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(QUILLON_SANITIZE)
    target_compile_options(quillon_build_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(quillon_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(QUILLON_FUZZ)
    # Everything is instrumented for coverage; only the fuzz targets link libFuzzer's main.
    target_compile_options(quillon_build_flags INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(quillon_build_flags INTERFACE -fsanitize=address,undefined)
endif()
