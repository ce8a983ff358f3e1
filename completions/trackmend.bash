# bash completion for trackmend and trackmend-scan: option letters, playlists
# (by extension, in any letter case) and folders for the list arguments, any
# file after -m. Plain bash is enough; the bash-completion package only finds
# this file, installed once under each command's name.

# Folders to descend into and playlists below the word being completed.
_trackmend_playlists() {
  local cur=$1 name
  local -A folder=()
  while IFS= read -r name; do
    folder[$name]=1
    COMPREPLY+=("$name")
  done < <(compgen -d -- "$cur")
  while IFS= read -r name; do
    [[ ${folder[$name]-} ]] && continue
    case ${name,,} in
      *.m3u | *.m3u8 | *.pls | *.xspf | *.wpl | *.asx | *.wax | *.wvx | *.zpl) COMPREPLY+=("$name") ;;
    esac
  done < <(compgen -f -- "$cur")
}

_trackmend() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  COMPREPLY=()
  # A group of flags may end in the option whose value is the next word.
  if [[ $prev =~ ^-[aAdiPMkcD]*m$ ]]; then
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  elif [[ $prev =~ ^-[aAdiPMkcD]*[esbvt]$ ]]; then
    return 0  # a number
  elif [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-a -e -d -s -b -i -P -M -k -c -m -A -D -v -t --multi -h --help' -- "$cur")
  else
    _trackmend_playlists "$cur"
  fi
}

_trackmend_scan() {
  local cur=${COMP_WORDS[COMP_CWORD]} word arguments=0
  COMPREPLY=()
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    [[ $word == -?* ]] || ((arguments += 1))
  done
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-h --help' -- "$cur")
  elif ((arguments == 0)); then
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  elif ((arguments == 1)); then
    _trackmend_playlists "$cur"
  fi
}

complete -o filenames -F _trackmend trackmend
complete -o filenames -F _trackmend_scan trackmend-scan
