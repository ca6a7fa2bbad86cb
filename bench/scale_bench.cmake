# libvips, the in-process peer of scale_bench (libvips-dev).
pkg_check_modules(VIPS IMPORTED_TARGET vips)
if(VIPS_FOUND)
    target_link_libraries(scale_bench PRIVATE PkgConfig::VIPS)
    target_compile_definitions(scale_bench PRIVATE SKALOMI_BENCH_WITH_VIPS=1)
endif()
