# fish completion for trackmend and trackmend-scan: option letters with their
# help texts, playlists (by extension, in any letter case) and folders for the
# list arguments, any file after -m. Installed once under each command's
# name; whichever is loaded first completes both.
functions -q __trackmend_playlists; and return

# Folders to descend into and playlists below the token being completed.
function __trackmend_playlists
    set -l token (commandline -ct)
    set -l base (string replace -r '^~(?=/|$)' -- $HOME $token)
    set -l cut (math (string length -- "$base") + 1)
    for path in $base*
        set -l shown $token(string sub -s $cut -- $path)
        if test -d $path
            echo $shown/
        else if string match -qir '\.(m3u8?|pls|xspf|wpl|asx|wax|wvx|zpl)$' -- $path
            echo $shown
        end
    end
end

complete -c trackmend -f -a '(__trackmend_playlists)'
complete -c trackmend -s a -d 'automatically select changed path, if filename is equal (path may differ)'
complete -c trackmend -s e -x -d 'auto-select only if the last <dirs> subdirectories are equal'
complete -c trackmend -s d -d 'automatically delete duplicate entries'
complete -c trackmend -s s -x -d 'ask only if match-value >= <value> (default 0.1)'
complete -c trackmend -s b -x -d 'auto-select best match if next <= <ratio> * best'
complete -c trackmend -s i -d 'auto-select the only song with the same title, artist and length'
complete -c trackmend -s P -d 'convert to PLS format'
complete -c trackmend -s M -d 'convert to M3U format'
complete -c trackmend -s k -d 'keep extended playlist info in <invalidList>'
complete -c trackmend -s c -d 'always copy extended playlist info from <validList>'
complete -c trackmend -s m -r -F -d 'write unreplaced entries to <missingList>'
complete -c trackmend -s A -d 'append to <missingList> (default is to overwrite)'
complete -c trackmend -s D -d 'Dupe-Finder (writes possible Dupes into <invalidList>)'
complete -c trackmend -s v -x -d 'minimal dupe name-match percentage (default 0.8)'
complete -c trackmend -s t -x -d 'maximum time difference for dupes (default 5)'
complete -c trackmend -l multi -d 'allow the options after it to be given again'
complete -c trackmend -s h -l help -d 'print the usage text'

complete -c trackmend-scan -f
complete -c trackmend-scan -s h -l help -d 'print the usage text'
complete -c trackmend-scan -n 'test (count (commandline -opc)) -eq 1' -a '(__fish_complete_directories)'
complete -c trackmend-scan -n 'test (count (commandline -opc)) -eq 2' -a '(__trackmend_playlists)'
