[playlist]
numberofentries=1
file1=/music/a.mp3
title1=A
length1=0
