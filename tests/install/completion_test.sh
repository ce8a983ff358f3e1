#!/usr/bin/env bash
# completion_test.sh <tree>: loads the installed bash completion into this
# non-interactive bash and completes command lines in a folder of playlists,
# other files and folders; every option of the usage text must be offered by
# each shell's completion.
set -u
tree=$1
. "$(dirname "$0")/usage_options.sh"
. "$tree/share/bash-completion/completions/trackmend"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub 'my dir'
touch a.m3u B.PLS c.XsPf d.m3u8 song.mp3 notes.txt sub/x.wpl
failures=0

# completions <line>: what bash offers at the end of <line>, sorted, joined by '|'.
completions() {
  local line=$1 spec
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  spec=$(complete -p "${COMP_WORDS[0]}") || return
  spec=${spec#*-F }
  COMPREPLY=()
  "${spec%% *}" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|'
}

expect() {
  local got
  got=$(completions "$1")
  [[ $got == "$2" ]] || { echo "'$1' completes to '$got', expected '$2'"; ((failures += 1)); }
}

lists='B.PLS|a.m3u|c.XsPf|d.m3u8|my dir|sub'
expect 'trackmend ' "$lists"
expect 'trackmend -ad lib.m3u ' "$lists"
expect 'trackmend lib.m3u sub/' 'sub/x.wpl'
expect 'trackmend -m ' 'B.PLS|a.m3u|c.XsPf|d.m3u8|my dir|notes.txt|song.mp3|sub'
expect 'trackmend -am n' 'notes.txt'
expect 'trackmend -s ' ''
expect 'trackmend -ab ' ''
expect 'trackmend --h' '--help'
expect 'trackmend-scan ' 'my dir|sub'
expect 'trackmend-scan sub ' "$lists"
expect 'trackmend-scan sub out.m3u ' ''

options=$(completions 'trackmend -')
zsh=$tree/share/zsh/vendor-completions/_trackmend
fish=$tree/share/fish/vendor_completions.d/trackmend.fish
for letter in $(usage_options "$tree/bin/trackmend"); do
  [[ "|$options|" == *"|-$letter|"* ]] || { echo "bash does not offer -$letter"; ((failures += 1)); }
  grep -q -- "-$letter+\{0,1\}\[" "$zsh" || { echo "zsh does not offer -$letter"; ((failures += 1)); }
  grep -q -- "-s $letter " "$fish" || { echo "fish does not offer -$letter"; ((failures += 1)); }
done
# The other shells' files at least parse, where those shells are installed.
! command -v zsh >/dev/null || zsh -n "$zsh" || ((failures += 1))
! command -v fish >/dev/null || fish -n "$fish" || ((failures += 1))
((failures == 0))
