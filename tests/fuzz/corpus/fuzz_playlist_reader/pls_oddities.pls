[Playlist]
NumberOfEntries=2
Version=2
file0=x
file=x
filex=y
File1=a
File2=b
Title1=lost
Length2=99999999999999999999
file  7 = spaced
file-3=neg
