# usage_options <trackmend>: the option letters its usage text lists, one a line.
usage_options() {
  "$1" -h 2>&1 | sed -n 's/^ *\(<opts>::= *\)\{0,1\}-\([A-Za-z]\).*/\2/p'
}
