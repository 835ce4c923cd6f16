#!/usr/bin/env bash
# Runs every fuzz target for ten million executions and prints executions,
# crashes and seconds for each (see fuzz/run.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
exec "$root/fuzz/run.sh" --runs "${KORVIX_FUZZ_RUNS:-10000000}"
