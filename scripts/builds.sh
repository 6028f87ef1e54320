# Sourced by the scripts, from the project's top folder: the two build folders and how each is
# configured, so that the test scripts share a build instead of compiling the sources again.

# build: the README's test command's build (gcc, optimised, warnings as errors): the window, the
# benchmarks (so that they keep compiling) and every test. ./scripts/test-unprivileged runs its
# core tests as an ordinary user. Line tables only (-g1): backtraces keep their lines at a
# fraction of the compile time of full debug information.
configure_main_build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCORVELA_WERROR=ON \
        -DCORVELA_BUILD_BENCH=ON
}

# build-sanitized: clang with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# instrumentation, shared by the core tests (./scripts/test-sanitized, target
# corvela_core_tests) and the fuzz targets (./scripts/fuzz, target corvela_fuzz_targets). A Debug
# build (assertions on) at -O1: the tests take two thirds of their time at -O0, and the fuzz
# targets try more inputs in their seconds. (tests/CMakeLists.txt keeps the tests' own code at -O0.)
configure_sanitized_build() {
    # A build-sanitized that gcc configured (as this folder once was) cannot switch compilers.
    if [ -f build-sanitized/CMakeCache.txt ] &&
        ! grep -q '^CMAKE_CXX_COMPILER:.*clang' build-sanitized/CMakeCache.txt; then
        rm -rf build-sanitized/CMakeCache.txt build-sanitized/CMakeFiles
    fi
    cmake -S . -B build-sanitized -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
        -DCORVELA_WERROR=ON -DCORVELA_BUILD_FUZZ=ON -DCORVELA_BUILD_APP=OFF
}
