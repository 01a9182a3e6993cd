#!/usr/bin/env bash
# Runs the benchmarks: the portable code natively (Google Benchmark), then the renderer under
# Wine on sparse files from 1 MiB to 16 GiB. Figures only; nothing here passes or fails.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"
need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"

cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" --target vorda_bench -j "$(nproc)"
"$VORDA_BUILD/native/bench/vorda_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

configure_cross
cmake --build "$VORDA_BUILD/cross" --target render_bench -j "$(nproc)"
wine_prefix
start_wine_display
wine "$VORDA_BUILD/cross/bench/render_bench.exe"
