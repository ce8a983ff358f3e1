#!/bin/sh
# install_tree.sh <cmake> <build folder> <tree>: installs the build into <tree>
# and checks that every file lands where its user looks for it.
set -eu
cmake=$1 build=$2 tree=$3
rm -rf "$tree"
"$cmake" --install "$build" --prefix "$tree" >/dev/null
status=0
for file in bin/trackmend bin/trackmend-scan \
    share/man/man1/trackmend.1 share/man/man1/trackmend-scan.1 \
    share/bash-completion/completions/trackmend share/bash-completion/completions/trackmend-scan \
    share/zsh/vendor-completions/_trackmend \
    share/fish/vendor_completions.d/trackmend.fish share/fish/vendor_completions.d/trackmend-scan.fish \
    share/doc/trackmend/README.md share/doc/trackmend/LICENSE; do
  [ -f "$tree/$file" ] || { echo "not installed: $file"; status=1; }
done
exit $status
