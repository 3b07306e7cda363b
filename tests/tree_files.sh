#!/usr/bin/env bash
# What the tree's files name. Each folder's sources include only what that
# folder may see (README, How it is built): the layering holds only while
# nothing crosses it. And every path under /usr that the sources, build
# files, tests and scripts name must belong to a Debian package that
# scripts/setup.sh installs by name: otherwise a fresh machine lacks it and
# the build or a test fails there. And a test that starts a program the
# tree builds has it built first.
#
#   bash tests/tree_files.sh [SOURCE_DIR]
# Exits 77 (a skip for ctest) where dpkg is absent, after the includes and
# the programs.
set -euo pipefail
SRC=$(cd "${1:-$(dirname "$0")/..}" && pwd)

# ---- Includes. What a file in each folder may include, as a pattern of
# the path from the tree's root; a backend is any folder of platform/.
allowed() {
  local dir=$1
  case "$dir" in
    velkaro | velkaro/*) echo '^(velkaro/[^/]+|platform/(platform|numeric)\.h|texturedpoly/texturedpoly\.h|assets/embedded\.h)$' ;;
    texturedpoly | texturedpoly/*) echo '^(texturedpoly/[^/]+|platform/(platform|numeric|driver)\.h)$' ;;
    assets | assets/*) echo '^assets/[^/]+$' ;;
    platform) echo '^platform/[^/]+$' ;;
    platform/*) echo "^(${dir}/[^/]+|platform/[^/]+)\$" ;;
    tools/*) echo "^(${dir}/[^/]+|velkaro/velkaro\\.h|platform/(platform|numeric|record)\\.h|platform/(sdl/extras|headless/controls)\\.h)\$" ;;
    *) echo '' ;;
  esac
}
include_faults=0
includes=0
while IFS= read -r -d '' f; do
  rel=${f#"$SRC"/}
  dir=$(dirname "$rel")
  pattern=$(allowed "$dir")
  [ -n "$pattern" ] || continue
  while IFS= read -r inc; do
    includes=$((includes + 1))
    if ! [[ "$inc" =~ $pattern ]]; then
      echo "FAIL: $rel includes $inc, beyond what $dir/ may include" >&2
      include_faults=1
    fi
  done < <(sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/p' "$f")
done < <(find "$SRC/velkaro" "$SRC/texturedpoly" "$SRC/assets" "$SRC/platform" "$SRC/tools" \
           -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0)
[ "$includes" -gt 0 ] || { echo "FAIL: no includes found under $SRC" >&2; exit 1; }
[ "$include_faults" -eq 0 ] || exit 1
echo "ok: $includes includes, each within its folder's bounds"

# ---- Programs a test starts. A test whose file names a program the tree
# builds starts it, and tests/CMakeLists.txt must say so (RUNS), so that the
# program is built before the test: else a test of a stale program passes.
runs_of() {
  sed -n -E "s/^velkaro_test_extras\($1 (.*)\)[[:space:]]*$/\1/p" "$SRC/tests/CMakeLists.txt" |
    awk '{for (i = 1; i <= NF; i++) if ($i ~ /^(KIND|LABELS|TIMEOUT|RUNS)$/) on = ($i == "RUNS");
                                    else if (on) print $i}'
}
run_faults=0
for f in "$SRC"/tests/test_*.cpp "$SRC"/tests/gl_test_*.cpp "$SRC"/tests/e2e_*.sh; do
  name=$(basename "${f%.*}")
  declared=" $(runs_of "$name" | tr '\n' ' ')"
  while IFS= read -r program; do
    if [[ "$declared" != *" $program "* ]]; then
      echo "FAIL: $name starts $program, which tests/CMakeLists.txt does not list in its RUNS" >&2
      run_faults=1
    fi
  done < <(grep -o -E "velkaro-trace|velkaro-bench(-logic)?|velkaro_asset_generator|e2e_wm_close|/velkaro[\"']" "$f" |
             sed -E "s#^/##; s#[\"']\$##" | sort -u)
done
[ "$run_faults" -eq 0 ] || exit 1
echo "ok: every program a test starts is built before it"

command -v dpkg >/dev/null || { echo "dpkg is not available: package check skipped"; exit 77; }

# The names in setup's PACKAGES=( ... ) list, comments dropped.
mapfile -t packages < <(awk '/^PACKAGES=\(/ {on = 1; next} on && /^\)/ {exit}
                             on {sub(/#.*/, ""); for (i = 1; i <= NF; i++) print $i}' \
                          "$SRC/scripts/setup.sh")
[ ${#packages[@]} -gt 0 ] || { echo "FAIL: no packages found in scripts/setup.sh" >&2; exit 1; }
declare -A wanted=()
for p in "${packages[@]}"; do wanted[$p]=1; done

# Every text file in the tree but version control and build directories. A
# path starts after a character that cannot be part of a name; a trailing dot
# or slash is punctuation. A script's interpreter line is the base system's.
files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(
  find "$SRC" \( -name .git -o -type d -exec test -e '{}/CMakeCache.txt' \; \) -prune \
    -o -type f -print0)
mapfile -t texts < <(grep -I -l '' "${files[@]}")
mapfile -t paths < <(
  awk 'FNR == 1 && /^#!/ {next} {print}' "${texts[@]}" |
    grep -o -E '(^|[^A-Za-z0-9_.~/-])/usr/[A-Za-z0-9_./+-]*[A-Za-z0-9_+-]' |
    sed -E 's/^[^/]*//' | sort -u)

failed=0
for path in "${paths[@]}"; do
  owners=$(dpkg -S "$path" 2>/dev/null | grep -v '^diversion by' | sed -E 's/: \/.*$//' |
           tr ',' '\n' | sed -E 's/^ +//; s/:[a-z0-9]+$//' | sort -u || true)
  ok=""
  for o in $owners; do
    if [ -n "${wanted[$o]:-}" ]; then ok=$o; break; fi
  done
  if [ -n "$ok" ]; then
    echo "ok: $path ($ok)"
  elif [ -z "$owners" ]; then
    echo "FAIL: $path is named but no installed package owns it" >&2
    failed=1
  else
    echo "FAIL: $path belongs to $(echo $owners | tr ' ' ','), none of them in scripts/setup.sh" >&2
    failed=1
  fi
done
[ ${#paths[@]} -gt 0 ] || echo "no paths under /usr are named"
exit "$failed"
