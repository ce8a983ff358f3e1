[playlist]
numberofentries=2
file1=/music/Copper Kettles/City Lines (2001)/01 Morning Tram.mp3
title1=Copper Kettles - Morning Tram
length1=222
file2=/music/Dalia Moreno/Live/04 Sandstorm.mp3
