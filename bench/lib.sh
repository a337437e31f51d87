# shellcheck shell=bash
# Shared by the bench scripts: the release build they measure.
# TAVRO_BENCH_BUILD_DIR picks the build folder (default build/bench).
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_build=${TAVRO_BENCH_BUILD_DIR:-$bench_root/build/bench}

# bench_build_targets TARGET...: configures (Release, no tests) and builds.
# Figures from a debug build would say nothing about the program shipped.
bench_build_targets() {
  cmake -S "$bench_root" -B "$bench_build" -DCMAKE_BUILD_TYPE=Release -DTAVRO_TESTS=OFF >/dev/null
  cmake --build "$bench_build" -j"${TAVRO_JOBS:-2}" --target "$@" >/dev/null
}

# A TCP port on 127.0.0.1 that nothing listens on at the moment.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
