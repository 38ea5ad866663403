#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file says its licence in its first lines.
#   spdx_test.sh SOURCE_DIR
set -u
cd "$1" || exit 2
missing=0
while IFS= read -r -d '' file; do
  if ! head -n 3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "no SPDX line: $file"
    missing=$((missing + 1))
  fi
done < <(find src tools tests bench fuzz scripts cmake \
  \( -name '*.cpp' -o -name '*.h' -o -name 'CMakeLists.txt' -o -name '*.cmake' -o -name '*.sh' \) \
  -type f -print0; find scripts -maxdepth 1 -type f -print0)
echo "$missing files without an SPDX line"
[ "$missing" -eq 0 ]
