#!/usr/bin/env bash
# Non-blank lines of C++ (and IDL/resource) sources that git tracks: tests (any tests/ folder)
# against the rest, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { grep -E "$1" | grep -E '\.(cpp|cc|h|hpp|c|idl|rc)$' | xargs -r cat | grep -cv '^\s*$' || true; }
files=$(git ls-files)
tests=$(count '(^|/)tests?/' <<<"$files")
all=$(count '.' <<<"$files")
code=$((all - tests))
echo "code $code, tests $tests, tests/code $((100 * tests / code)) %"
