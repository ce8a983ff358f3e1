#!/usr/bin/env bash
# Product code outside the platform layer (Lib/kw/sys_dep/) calls nothing that
# only POSIX or only Linux has, and holds no "#ifdef _WIN32": the Windows port,
# and a later macOS one, replace that layer alone. Tests and the benchmark are
# not product code. Exits 1 and names each offending line.
set -euo pipefail
cd "$(dirname "$0")/.."

patterns=(
  '/proc/'
  '\bmadvise\b|MADV_[A-Z]+'
  '\brenameat2?\b|RENAME_NOREPLACE'
  '\b(v?fork|waitpid|execv[pe]*|posix_spawn[a-z_]*)\s*\('
  '\bp(read|write)(64)?\s*\('
  '\b(opendir|fdopendir|readdir|closedir|dirfd)\b|\bd_type\b|\bDT_[A-Z]+\b'
  '\bf(data)?sync\s*\('
  '\b(lstat|readlink|symlink|realpath|fchown|fchmod|geteuid|getegid)\s*\(|\bst_(ino|dev)\b'
  '\bO_(CLOEXEC|DIRECTORY|NONBLOCK|NOFOLLOW)\b'
  '\b(isatty|mkdtemp|mkstemp|setenv|unsetenv|getcwd)\s*\('
  '#\s*include\s*<(unistd|fcntl|dirent|poll|iconv|strings)\.h>|#\s*include\s*<sys/'
  '#\s*if(def)?\s.*_WIN32|defined\s*\(\s*_WIN32\s*\)'
)

mapfile -t files < <(git ls-files 'Lib/kw/*.cc' 'Lib/kw/*.h' 'playlist/*.cc' 'playlist/*.h' 'library/*.cc' \
  'library/*.h' 'repair/*.cc' 'repair/*.h' 'main/*.cc' 'main/*.h' |
  grep -v -e '^Lib/kw/sys_dep/' -e '_test\.cc$' -e '_test_support\.h$')

pattern=$(IFS='|'; echo "${patterns[*]}")
failed=0
for file in "${files[@]}"; do
  if grep -nE "$pattern" "$file" | sed "s|^|$file:|"; then
    failed=1
  fi
done
if [ "$failed" = 1 ]; then
  echo "Platform-specific calls outside Lib/kw/sys_dep/ (above): move them into the platform layer." >&2
  exit 1
fi
echo "portable calls: ${#files[@]} product files checked"
