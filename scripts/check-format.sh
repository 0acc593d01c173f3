#!/usr/bin/env bash
# Fails when a tracked C++ file is not as clang-format (the repository's .clang-format) would write it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror
