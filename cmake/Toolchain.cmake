# Compiler settings shared by every target.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wno-unused-parameter)
# GCC 12 reports std::string concatenation at -O3 as overlapping memcpy (a known
# false positive).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-restrict)
endif()

if(VARNISTRALE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()
# Coverage instrumentation for libFuzzer in every target; the fuzz targets
# link the fuzzer itself.
if(VARNISTRALE_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The numbers must not depend on the machine: no contraction of a*b+c into fused
# multiply-adds unless a routine asks for std::fma explicitly, and no errno from
# libm so that sqrt and friends stay inline.
set(VARNISTRALE_NUMERIC_FLAGS -fno-math-errno -ffp-contract=off)

# Use the x86-64-v3 baseline (AVX2, FMA) only where the build machine runs it;
# a binary built for it would stop with an illegal instruction elsewhere.
set(VARNISTRALE_ARCH_FLAGS "")
if(VARNISTRALE_ARCH)
    include(CheckCXXSourceRuns)
    set(CMAKE_REQUIRED_FLAGS "-march=${VARNISTRALE_ARCH}")
    check_cxx_source_runs("
        int main() {
            __builtin_cpu_init();
            return __builtin_cpu_supports(\"avx2\") && __builtin_cpu_supports(\"fma\") ? 0 : 1;
        }" VARNISTRALE_HOST_RUNS_ARCH)
    unset(CMAKE_REQUIRED_FLAGS)
    if(VARNISTRALE_HOST_RUNS_ARCH)
        set(VARNISTRALE_ARCH_FLAGS -march=${VARNISTRALE_ARCH})
    else()
        message(STATUS "Host does not run ${VARNISTRALE_ARCH}; using the compiler's default")
    endif()
endif()
