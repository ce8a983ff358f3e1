[playlist]
numberofentries=3
file1=/music/Eero Lind/Winter/02 Frost.mp3
title1=Eero Lind - Frost
length1=205
file2=/music/Eero Lind/Winter/03 Thaw.mp3
file3=/music/Copper Kettles/City Lines/03 Night Bus.mp3
title3=Copper Kettles - Night Bus
length3=264
