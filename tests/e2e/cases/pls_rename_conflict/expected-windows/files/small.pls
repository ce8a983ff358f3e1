[playlist]
numberofentries=1
file1=/music/Anna Berg/Northern Shore/01 Harbour Lights.mp3
title1=Anna Berg - Harbour Lights
length1=245
