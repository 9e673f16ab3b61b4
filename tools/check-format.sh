#!/usr/bin/env bash
# Fails when a C++ file of the project differs from its .clang-format: the
# tracked files in a git checkout, every one under the source folders in a
# plain copy.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h'
else
    find calc ui tests bench fuzz wasm \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 clang-format --dry-run --Werror
