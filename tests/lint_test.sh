#!/usr/bin/env bash
# Lint checks, one a call: lint_test.sh format | tidy BUILD_DIR | man
set -euo pipefail
cd "$(dirname "$0")/.."

sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -co --exclude-standard -- '*.cc' '*.h'
  else
    find src tests -name '*.cc' -o -name '*.h'
  fi
}

case "$1" in
  format)
    sources | xargs clang-format --dry-run -Werror
    echo "format: clean"
    ;;
  tidy)
    # The fuzz targets build only with clang's fuzzer runtime, so they are
    # not in the compile database of an ordinary build.
    sources | grep '\.cc$' | grep -v '^tests/fuzz/' | xargs clang-tidy -p "$2" --quiet
    echo "tidy: clean"
    ;;
  man)
    mandoc -Tlint -Wwarning man/nettell.1
    warnings=$(groff -ww -z -mandoc man/nettell.1 2>&1)
    if [ -n "$warnings" ]; then
      echo "$warnings"
      exit 1
    fi
    echo "man: clean"
    ;;
  *)
    echo "usage: lint_test.sh format | tidy BUILD_DIR | man" >&2
    exit 2
    ;;
esac
