#!/bin/sh
# Every C++ source and header of the tree is laid out as .clang-format says: clang-format
# changes nothing. Skipped (77) without clang-format. Prints each file that would change.
#   format_check.sh SOURCE_DIR
set -u
cd "${1:?usage: format_check.sh SOURCE_DIR}" || exit 2
command -v clang-format >/dev/null 2>&1 || { echo "SKIPPED: clang-format is not installed"; exit 77; }
status=0
for file in $(find . \( -name 'build*' -o -name node_modules -o -name .git \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print); do
  clang-format --style=file "$file" | cmp -s "$file" - || { echo "not formatted: $file"; status=1; }
done
[ "$status" -eq 0 ] && echo "every source is formatted as .clang-format says"
exit "$status"
