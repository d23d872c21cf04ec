#!/usr/bin/env bash
# Formats every tracked C++ source with the repository's .clang-format.
#   scripts/format.sh           rewrites the files in place
#   scripts/format.sh --check   changes nothing; fails naming each file that is not formatted
# CLANG_FORMAT names the program to use (default: clang-format).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

check=false
case "${1:-}" in
  "") ;;
  --check) check=true ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

clang_format="${CLANG_FORMAT:-clang-format}"
if ! command -v "$clang_format" >/dev/null; then
  echo "$clang_format not found (scripts/setup.sh installs it)" >&2
  exit 2
fi
# The style is tuned to clang-format 14 (Debian 12); another version may
# lay out the same code differently.
version="$("$clang_format" --version | sed -n 's/.*version \([0-9]*\).*/\1/p')"
[ "$version" = 14 ] || echo "warning: $clang_format is version ${version:-unknown}, not 14" >&2

# Only tracked sources: the build folder and anything generated are never
# tracked; the exclusion keeps a build folder out even if one were added.
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' ':!:build*/**')
if ((${#files[@]} == 0)); then
  echo "no C++ sources found" >&2
  exit 2
fi

if ! $check; then
  "$clang_format" --style=file -i -- "${files[@]}"
  exit 0
fi

bad=()
for file in "${files[@]}"; do
  if ! out="$("$clang_format" --style=file --dry-run -Werror --ferror-limit=1 -- "$file" 2>&1)"; then
    bad+=("$file")
    printf '%s\n' "$out" | head -n 3 >&2
  fi
done
if ((${#bad[@]})); then
  echo >&2
  echo "Not formatted (${#bad[@]} of ${#files[@]} files); run scripts/format.sh:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "All ${#files[@]} C++ sources are formatted."
