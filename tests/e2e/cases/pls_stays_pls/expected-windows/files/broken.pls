[playlist]
numberofentries=4
file1=/music/Anna Berg/Northern Shore/01 Harbour Lights.mp3
title1=Anna Berg - Harbour Lights
length1=245
file2=/music/Dalia Moreno/Live/04 Sandstorm.mp3
file3=/music/eero lind/winter/01 snowfall.mp3
title3=Eero Lind - Snowfall
length3=176
file4=/music/Anna Berg/Northern Shore/02 Salt Wind.mp3
title4=Salt Wind
length4=0
