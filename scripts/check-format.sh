#!/usr/bin/env bash
# Checks that the C++ files of src/, tests/ and bench/ changed since a base commit
# are formatted as .clang-format says.
#   scripts/check-format.sh [--fix] [BASE]   BASE defaults to the commit in .ci/format-base
# --fix formats those files in place instead.
# Changed means: differs from BASE in the working tree (committed or not), or is
# new and not ignored. Deleted files are skipped. CLANG_FORMAT picks the binary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
clang_format="${CLANG_FORMAT:-clang-format}"
fix=false
if [ "${1:-}" = --fix ]; then fix=true; shift; fi
base="${1:-$(tr -d '[:space:]' <.ci/format-base)}"
max_diff_lines=20

if ! command -v "$clang_format" >/dev/null; then
    echo "check-format: $clang_format is not installed (scripts/setup.sh installs it)" >&2
    exit 2
fi
if ! git rev-parse --verify --quiet "$base^{commit}" >/dev/null; then
    # A shallow clone may lack the base: fetch the history once.
    if [ "$(git rev-parse --is-shallow-repository)" = true ]; then git fetch --quiet --unshallow || true; fi
    if ! git rev-parse --verify --quiet "$base^{commit}" >/dev/null; then
        echo "check-format: the base commit $base is not in this clone" >&2
        exit 2
    fi
fi

paths=(src bench tests)
files=()
while IFS= read -r -d '' file; do
    case "$file" in *.cpp | *.h) [ -f "$file" ] && files+=("$file") ;; esac
done < <({
    git diff -z --name-only --diff-filter=d "$base" -- "${paths[@]}"
    git ls-files -z --others --exclude-standard -- "${paths[@]}"
} | sort -zu)

echo "check-format: $("$clang_format" --version | sed 's/.*version //'), ${#files[@]} C++ files changed since $base"
if $fix; then
    if [ ${#files[@]} -gt 0 ]; then "$clang_format" --style=file -i "${files[@]}"; fi
    echo "check-format: formatted ${#files[@]} files"
    exit 0
fi
bad=0
for file in "${files[@]}"; do
    if ! difference="$("$clang_format" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" -)"; then
        bad=$((bad + 1))
        echo "NOT FORMATTED: $file ($(($(grep -c '^[-+]' <<<"$difference") - 2)) lines differ)"
        head -n "$max_diff_lines" <<<"$difference" | sed 's/^/    /'
        if [ "$(wc -l <<<"$difference")" -gt "$max_diff_lines" ]; then echo "    …"; fi
    fi
done

if [ "$bad" -gt 0 ]; then
    echo "check-format: $bad of ${#files[@]} files are not formatted; format them with: scripts/check-format.sh --fix $base"
    exit 1
fi
echo "check-format: all ${#files[@]} files are formatted"
